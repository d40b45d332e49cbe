#include "platform/text/utf8.h"

#include <gtest/gtest.h>

#include <string>

namespace orvo::text {

TEST(Utf8, TakesWellFormedTextOnly) {
  using namespace std::string_view_literals;
  for (std::string_view good : {""sv, "Año"sv, "\x7F"sv, "\xC2\x80"sv, "\xE0\xA0\x80"sv, "\xED\x9F\xBF"sv, "\xEE\x80\x80"sv,
                                "\xEF\xBF\xBF"sv, "\xF0\x90\x80\x80"sv, "\xF4\x8F\xBF\xBF"sv, "a\0b"sv}) {
    EXPECT_TRUE(IsValidUtf8(good)) << good;
  }
  const std::string longRun = "\xC0" + std::string(100000, '\x80');
  for (std::string_view bad : {"\x80"sv, "\xC0\x80"sv, "\xC1\xBF"sv, "\xE0\x81\x81"sv, "\xE0\x9F\xBF"sv, "\xED\xA0\x80"sv,
                               "\xED\xBF\xBF"sv, "\xF0\x8F\xBF\xBF"sv, "\xF4\x90\x80\x80"sv, "\xF5\x80\x80\x80"sv, "\xFF"sv,
                               "\xC3"sv, "a\xE2\x82"sv, "\xC3\x28"sv, std::string_view(longRun)}) {
    EXPECT_FALSE(IsValidUtf8(bad)) << bad.substr(0, 8);
  }
  char32_t c = 0;
  EXPECT_EQ(DecodeUtf8("\xC3\x91", 0, c), 2u);
  EXPECT_EQ(c, U'Ñ');
  EXPECT_EQ(DecodeUtf8("x\xF0\x9F\x98\x80", 1, c), 4u);
  EXPECT_EQ(c, U'\U0001F600');
}

}  // namespace orvo::text
