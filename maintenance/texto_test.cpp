#include "maintenance/texto.h"

#include <gtest/gtest.h>

namespace orvo::maintenance {
namespace {

TEST(TextoTest, RecortaEspaciosCutsSpacesAtBothEndsOnly) {
  EXPECT_EQ(RecortaEspacios("  125 "), "125");
  EXPECT_EQ(RecortaEspacios("1 2"), "1 2");
  EXPECT_EQ(RecortaEspacios("   "), "");
  EXPECT_EQ(RecortaEspacios(""), "");
  EXPECT_EQ(RecortaEspacios("\t7"), "\t7");  // Trim cuts blanks, not tabs
}

TEST(TextoTest, EnteroSinBlancosReadsDigitsOnly) {
  for (auto [texto, valor] : {std::pair{"125", 125LL}, {"0125", 125LL}, {"-3", -3LL}, {"0", 0LL},
                              {"9223372036854775807", 9223372036854775807LL}}) {
    EXPECT_EQ(EnteroSinBlancos(texto), valor) << texto;
  }
  for (const char* malo : {"", " ", " 1", "1 ", "12a", "1.5", "+1", "9223372036854775808", "-"})
    EXPECT_EQ(EnteroSinBlancos(malo), std::nullopt) << malo;
}

}  // namespace
}  // namespace orvo::maintenance
