#include "maintenance/texto.h"

#include <gtest/gtest.h>

namespace orvo::maintenance {
namespace {

TEST(TextoTest, RecortaCutsBlanksAtBothEndsOnly) {
  EXPECT_EQ(Recorta("  125 "), "125");
  EXPECT_EQ(Recorta("1 2"), "1 2");
  EXPECT_EQ(Recorta("   "), "");
  EXPECT_EQ(Recorta(""), "");
  EXPECT_EQ(Recorta("\t7"), "\t7");  // Trim cuts blanks, not tabs
}

TEST(TextoTest, EnteroReadsWholeNumbersOnly) {
  for (auto [texto, valor] : {std::pair{"125", 125LL}, {"0125", 125LL}, {"-3", -3LL}, {"0", 0LL},
                              {"9223372036854775807", 9223372036854775807LL}}) {
    EXPECT_EQ(Entero(texto), valor) << texto;
  }
  for (const char* malo : {"", " ", " 1", "1 ", "12a", "1.5", "+1", "9223372036854775808", "-"})
    EXPECT_EQ(Entero(malo), std::nullopt) << malo;
}

}  // namespace
}  // namespace orvo::maintenance
