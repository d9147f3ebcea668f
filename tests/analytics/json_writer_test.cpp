// The exact bytes of the JSON forms: escaping, numbers, date-times, key order.

#include "analytics/sdk/json_writer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "analytics/sdk/properties_node.h"
#include "tests/analytics/analytics_test_support.h"

namespace usage_analytics {
namespace {

TEST(JsonWriter, EscapesOnlyTheSevenShortFormsAndCopiesEveryOtherByte) {
  const struct {
    std::string text;
    std::string json;
  } cases[] = {
      {"plain", "\"plain\""},
      {"\b\t\n\f\r", "\"\\b\\t\\n\\f\\r\""},
      {"say \"hi\"", "\"say \\\"hi\\\"\""},
      {"C:\\dir", "\"C:\\\\dir\""},
      {"/slash/", "\"/slash/\""},
      {"\xE4\xB8\x8B\xE8\xBD\xBD", "\"\xE4\xB8\x8B\xE8\xBD\xBD\""},  // 下载 stays raw UTF-8, no \u
      {std::string("\x01\x7F", 2), std::string("\"\x01\x7F\"", 4)},
      {"", "\"\""},
  };
  for (const auto& c : cases) {
    std::string out;
    json::AppendString(out, c.text);
    EXPECT_EQ(out, c.json) << c.text;
  }
}

TEST(JsonWriter, NumbersUseSixSignificantDigitsAndNonFiniteValuesBecomeNull) {
  const struct {
    double value;
    const char* json;
  } cases[] = {
      {12.5, "12.5"},   {0.0, "0"},          {1234567.0, "1.23457e+06"}, {-3.0, "-3"},
      {0.1f, "0.1"},    {123456.0, "123456"}, {0.0001, "0.0001"},         {0.00001, "1e-05"},
      {1.0 / 3, "0.333333"},
      {std::numeric_limits<double>::quiet_NaN(), "null"},
      {std::numeric_limits<double>::infinity(), "null"},
  };
  for (const auto& c : cases) {
    std::string out;
    json::AppendNumber(out, c.value);
    EXPECT_EQ(out, c.json) << c.value;
  }
}

TEST(JsonWriter, DateTimeIsLocalTimeWithMilliseconds) {
  // The test programs run with TZ=UTC. 1609556645 is 2021-01-02 03:04:05 UTC.
  std::string out;
  json::AppendDateTime(out, 1609556645, 678);
  EXPECT_EQ(out, "\"2021-01-02 03:04:05.678\"");
  out.clear();
  json::AppendDateTime(out, 0, 5);
  EXPECT_EQ(out, "\"1970-01-01 00:00:00.005\"");
}

TEST(JsonWriter, ObjectsAreCompactWithKeysInByteOrder) {
  PropertiesNode node;
  node.SetString("pw_name", "x");
  node.SetString("_under", "u");
  node.SetString("Upper", "U");
  node.SetString("$os", "Linux");
  node.SetNumber("count", int64_t{-42});
  node.SetBool("$is_first_time", true);
  node.SetList("tags", {"a", "b\"c"});
  node.SetList("none", {});
  node.SetDateTime("$first_visit_time", 1609556645, 678);
  node.SetString("pw_name", "replaced");
  EXPECT_EQ(node.ToJson(),
            "{\"$first_visit_time\":\"2021-01-02 03:04:05.678\",\"$is_first_time\":true,\"$os\":\"Linux\","
            "\"Upper\":\"U\",\"_under\":\"u\",\"count\":-42,\"none\":[],\"pw_name\":\"replaced\","
            "\"tags\":[\"a\",\"b\\\"c\"]}");
}

TEST(JsonWriter, NestedObjectsAreWrittenInPlaceButPropertiesNeverNest) {
  PropertiesNode inner;
  inner.SetNumber("n", 1);
  utils::ObjectNode record;
  record.SetObject("properties", inner);
  record.SetValue("type", ValueNode::String("track"));
  EXPECT_EQ(record.ToJson(), "{\"properties\":{\"n\":1},\"type\":\"track\"}");

  PropertiesNode properties;
  properties.SetObject("nested", inner);
  EXPECT_EQ(properties.ToJson(), "{}");
}

}  // namespace
}  // namespace usage_analytics
