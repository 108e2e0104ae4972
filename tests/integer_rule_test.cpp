// The integer rule that reads every index and direction parameter.
#include "hostlink/integer_rule.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>

namespace varkesh::test {
namespace {

TEST(IntegerRule, AcceptedAndRejectedTexts) {
  struct Case {
    const char* text;
    std::optional<int32_t> value;  // none: the conversion error
  };

  const Case cases[] = {
      {"0", 0},
      {"18", 18},
      {"  7", 7},  // leading blanks
      {"+5", 5},
      {"-1", -1},
      {"007", 7},
      {"$1F", 31},
      {"x1f", 31},
      {"X10", 16},
      {"0x10", 16},
      {"0XfF", 255},
      {"-$10", -16},
      {"$FFFFFFFF", -1},
      {"$80000000", INT32_MIN},
      {"$000000001", 1},  // leading zeros are not significant
      {"2147483647", INT32_MAX},
      {"-2147483648", INT32_MIN},
      {"", std::nullopt},
      {" ", std::nullopt},
      {"7 ", std::nullopt},  // trailing blank
      {"1.5", std::nullopt},
      {"1,5", std::nullopt},
      {"\t7", std::nullopt},  // only the blank character is skipped
      {"+", std::nullopt},
      {"-", std::nullopt},
      {"$", std::nullopt},
      {"0x", std::nullopt},
      {"--1", std::nullopt},
      {"$100000000", std::nullopt},  // nine significant hexadecimal digits
      {"2147483648", std::nullopt},
      {"-2147483649", std::nullopt},
      {"99999999999999999999", std::nullopt},
      {"12a", std::nullopt},
      {"$G", std::nullopt},
      {"0b1", std::nullopt},
  };
  for (const Case& c : cases) {
    if (c.value) {
      EXPECT_EQ(ToInteger(c.text), *c.value) << "'" << c.text << "'";
    } else {
      EXPECT_THROW(ToInteger(c.text), ConversionError) << "'" << c.text << "'";
    }
  }
}

TEST(IntegerRule, TheErrorQuotesTheTextUnchanged) {
  try {
    ToInteger(" 1.5 ");
    FAIL();
  } catch (const ConversionError& e) {
    EXPECT_STREQ(e.what(), "' 1.5 ' no es un valor entero v\xE1lido");
  }
}

TEST(IntegerRule, WritesPlainDecimal) {
  EXPECT_EQ(FromInteger(0), "0");
  EXPECT_EQ(FromInteger(18), "18");
  EXPECT_EQ(FromInteger(-1), "-1");
  EXPECT_EQ(FromInteger(ToInteger("+$0A")), "10");
}

}  // namespace
}  // namespace varkesh::test
