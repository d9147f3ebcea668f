// The SDK's acceptance rules: names, identifiers, text values and whole property sets, with the
// exact words written to standard error.

#include "analytics/sdk/validation.h"

#include <gtest/gtest.h>

#include "analytics/sdk/properties_node.h"
#include "tests/analytics/analytics_test_support.h"

namespace usage_analytics {
namespace {

using analytics_test::StderrOf;

TEST(Validation, EventNamesAndPropertyKeys) {
  const struct {
    std::string name;
    bool ok;
    std::string message;
  } cases[] = {
      {"PwEventTask", true, ""},
      {"$SignUp", true, ""},
      {"_x9", true, ""},
      {std::string(100, 'a'), true, ""},
      {std::string(101, 'a'), false, "The Event Name is empty or too long, max length is 100"},
      {"", false, "The Event Name is empty or too long, max length is 100"},
      {"9lives", false, "The Event Name need to be a valid variable name."},
      {"pw-name", false, "The Event Name need to be a valid variable name."},
      {"pw name", false, "The Event Name need to be a valid variable name."},
      {"\xE4\xB8\x8B", false, "The Event Name need to be a valid variable name."},
  };
  for (const auto& c : cases) {
    bool ok = false;
    EXPECT_EQ(StderrOf([&] { ok = CheckName(c.name, "Event Name"); }), c.message) << c.name;
    EXPECT_EQ(ok, c.ok) << c.name;
  }
}

TEST(Validation, IdentifiersUpTo255Bytes) {
  const struct {
    size_t length;
    bool ok;
    std::string message;
  } cases[] = {
      {1, true, ""},
      {255, true, ""},
      {256, false, "The Distinct ID is too long, max length is 255.\n"},
      {0, false, "The Distinct ID is empty.\n"},
  };
  for (const auto& c : cases) {
    bool ok = false;
    EXPECT_EQ(StderrOf([&] { ok = CheckIdentifier(std::string(c.length, 'd'), "Distinct ID"); }), c.message);
    EXPECT_EQ(ok, c.ok) << c.length;
  }
}

TEST(Validation, Utf8AcceptanceByteByByte) {
  const struct {
    std::string bytes;
    bool ok;
  } cases[] = {
      {"\xE2\x82\xAC", true},          // euro sign
      {"\xC0\x80", false},             // overlong NUL
      {"\xC1\xBF", false},             // overlong
      {"\xC2\x80", true},
      {"\xDF\xBF", true},
      {"\xE0\x9F\xBF", false},         // overlong three-byte form
      {"\xE0\xA0\x80", true},
      {"\xED\x9F\xBF", true},
      {"\xED\xA0\x80", false},         // surrogate half
      {"\xEF\xBF\xBF", true},
      {"\xF0\x8F\xBF\xBF", false},     // overlong four-byte form
      {"\xF0\x90\x80\x80", true},
      {"\xF3\xBF\xBF\xBF", true},
      {"\xF4\x8F\xBF\xBF", true},      // U+10FFFF
      {"\xF4\x90\x80\x80", false},     // above U+10FFFF
      {"\xF5\x80\x80\x80", false},
      {"\xE2\x82", false},             // cut short
      {"\x80", false},                 // lone continuation
      {"\t\n\r", true},
      {std::string(1, '\0'), false},
      {"\x08", false},
      {"\x0B", false},
      {"\x0C", false},
      {"\x1F", false},
      {"\x7F", false},
      {" ~", true},
  };
  for (const auto& c : cases) EXPECT_EQ(IsAcceptableUtf8(c.bytes), c.ok) << testing::PrintToString(c.bytes);
}

TEST(Validation, SetStringRefusesTooLongAndInvalidTextsAndKeepsThePreviousValue) {
  PropertiesNode node;
  EXPECT_TRUE(node.SetString("k", std::string(8192, 'x')));
  std::string longText(8193, 'y');
  bool stored = true;
  EXPECT_EQ(StderrOf([&] { stored = node.SetString("k", longText); }),
            "String property 'k' is too long, value: " + longText + "\n");
  EXPECT_FALSE(stored);
  EXPECT_EQ(node.Find("k")->text(), std::string(8192, 'x'));

  EXPECT_EQ(StderrOf([&] { stored = node.SetString("k", "\xC0\x80"); }),
            "String property 'k' is not valid UTF-8 string, value: \xC0\x80\n");
  EXPECT_FALSE(stored);
  EXPECT_EQ(node.Find("k")->text().size(), 8192u);

  EXPECT_TRUE(node.SetString("lf", "a\nb"));
  EXPECT_EQ(node.ToJson().substr(0, 13), "{\"k\":\"xxxxxxx");
  EXPECT_NE(node.ToJson().find("\"lf\":\"a\\nb\""), std::string::npos);
  EXPECT_FALSE(node.SetString("null", static_cast<const char*>(nullptr)));
  EXPECT_EQ(node.Find("null"), nullptr);
}

TEST(Validation, PropertySetRules) {
  const auto check = [](auto fill) {
    PropertiesNode node;
    fill(node);
    bool ok = false;
    const std::string message = StderrOf([&] { ok = CheckProperties(node); });
    return std::make_pair(ok, message);
  };
  EXPECT_EQ(check([](PropertiesNode& n) { n.SetDateTime("$time", 1, 2); n.SetString("$project", "p"); }),
            std::make_pair(true, std::string()));
  EXPECT_EQ(check([](PropertiesNode& n) { n.SetString("$time", "2021-01-02"); }),
            std::make_pair(false, std::string("The property '$time' should be DateTime type.")));
  EXPECT_EQ(check([](PropertiesNode& n) { n.SetNumber("$project", 1); }),
            std::make_pair(false, std::string("The property '$project' should be String type.")));
  EXPECT_EQ(check([](PropertiesNode& n) { n.SetBool("1st", true); }),
            std::make_pair(false, std::string("The Property Key need to be a valid variable name.")));
}

}  // namespace
}  // namespace usage_analytics
