#include "platform/text/nocase.h"

#include <gtest/gtest.h>

namespace orvo::text {

TEST(NoCase, FoldsEveryWindows1252Letter) {
  struct Case { const char* a; const char* b; bool equal; };
  const Case cases[] = {
      {"CONTRASEÑA", "Contraseña", true},
      {"ÁÉÍÓÚÜ", "áéíóúü", true},
      {"ŠŒŽŸ", "šœžÿ", true},
      {"ÀÞ", "àþ", true},
      {"×", "÷", false},  // not letters: × is not the capital of ÷
      {"Año", "Ano", false},
      {"abc", "abcd", false},
      {"\xff\xfe", "\xff\xfe", true},  // malformed bytes compare as they are
      {"\xC3", "\xC3\x91", false},
      // Overlong and surrogate forms are no letters: "\xE0\x81\x81" would decode as 'A'.
      {"\xE0\x81\x81", "a", false},
      {"\xE0\x81\x81", "A", false},
      {"\xC1\x81", "a", false},
      {"\xF0\x80\x81\x81", "a", false},
      {"\xE0\x81\x81", "\xE0\x81\x81", true},
  };
  for (const auto& c : cases) EXPECT_EQ(EqualsNoCase(c.a, c.b), c.equal) << c.a << " ~ " << c.b;
}

TEST(NoCase, FoldKeepsWhatIsNotACapital) {
  EXPECT_EQ(FoldCase("C:\\QUIRAVEL\\Año 2010.MDB"), "c:\\quiravel\\año 2010.mdb");
  EXPECT_EQ(FoldCase("ß€…"), "ß€…");
  EXPECT_EQ(FoldCase(std::string_view("A\0B", 3)), std::string("a\0b", 3));
}

}  // namespace orvo::text
