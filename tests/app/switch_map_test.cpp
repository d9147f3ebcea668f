#include "app/switch_map.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>

namespace {

TEST(ParseCommandLine, KeysValuesAndFirstOccurrenceWins) {
  const SwitchMap m = ParseCommandLine(
      L"\"C:\\dir\\setup.exe\" -downloadtype=3 -downloadtype=2 -url=http://h/a=b -flag plain \"-q=a b\" -IsCheckNet=true");
  EXPECT_EQ(m.GetInt(L"-downloadtype"), 3);
  EXPECT_EQ(m.GetText(L"-url"), L"http://h/a=b");
  EXPECT_TRUE(m.Has(L"-flag"));
  EXPECT_EQ(m.GetText(L"-flag"), L"");
  EXPECT_TRUE(m.Has(L"plain"));
  EXPECT_TRUE(m.Has(L"C:\\dir\\setup.exe"));
  EXPECT_EQ(m.GetText(L"-q"), L"a b");
  EXPECT_FALSE(m.Has(L"-ischecknet"));  // names are case-sensitive
  EXPECT_TRUE(m.GetBool(L"-IsCheckNet"));
}

struct NumberCase {
  const wchar_t* value;
  int32_t asInt;
  double asDouble;  // NaN: the fallback
};

TEST(SwitchMap, TypedGetters) {
  const NumberCase cases[] = {
      {L"42", 42, 42.0},
      {L"  -7xyz", -7, -7.0},
      {L"+5", 5, 5.0},
      {L"abc", 0, NAN},
      {L"", 0, NAN},
      {L"99999999999", INT32_MAX, 99999999999.0},
      {L"-99999999999", INT32_MIN, -99999999999.0},
      {L"0.25", 0, 0.25},
      {L"1e999", 1, HUGE_VAL},
  };
  for (const NumberCase& c : cases) {
    SwitchMap m;
    m.Insert(L"-n", c.value);
    EXPECT_EQ(m.GetInt(L"-n"), c.asInt) << c.value;
    const double d = m.GetDouble(L"-n", -1.5);
    if (std::isnan(c.asDouble)) EXPECT_EQ(d, -1.5) << c.value;
    else EXPECT_EQ(d, c.asDouble) << c.value;
  }
  SwitchMap m;
  EXPECT_EQ(m.GetDouble(L"-absent", 0.7), 0.7);
  EXPECT_EQ(m.GetInt(L"-absent"), 0);
  m.Insert(L"-b1", L"TRUE");
  m.Insert(L"-b2", L"1");
  m.Insert(L"-b3", L"true");
  m.Insert(L"-b4", L"");
  EXPECT_FALSE(m.GetBool(L"-b1"));
  EXPECT_FALSE(m.GetBool(L"-b2"));
  EXPECT_TRUE(m.GetBool(L"-b3"));
  EXPECT_FALSE(m.GetBool(L"-b4"));
}

}  // namespace
