#include "import/texto_externo.h"

#include <gtest/gtest.h>

#include "platform/testsupport/temp_drive.h"

namespace orvo::importer {
namespace {

std::vector<std::pair<std::size_t, std::string>> Partes(std::string_view contenido) {
  std::vector<std::pair<std::size_t, std::string>> partes;
  for (const Linea& l : Lineas(contenido)) partes.emplace_back(l.numero, std::string(l.bytes));
  return partes;
}

TEST(LineasTest, EndsInCrLfOrLfAndEmptyLinesKeepTheirNumber) {
  using P = std::vector<std::pair<std::size_t, std::string>>;
  EXPECT_EQ(Partes(""), P{});
  EXPECT_EQ(Partes("a\r\nb\r\n"), (P{{1, "a"}, {2, "b"}}));
  EXPECT_EQ(Partes("a\nb"), (P{{1, "a"}, {2, "b"}}));
  EXPECT_EQ(Partes("a\r\n\r\nb\n\n"), (P{{1, "a"}, {2, ""}, {3, "b"}, {4, ""}}));
  EXPECT_EQ(Partes("\r\n"), (P{{1, ""}}));
  EXPECT_EQ(Partes("a\rb\r\n"), (P{{1, "a\rb"}}));  // a lone CR ends no line
}

TEST(LineasTest, BlankLinesAreEmptyOrBlanksAndTabs) {
  EXPECT_TRUE(EsLineaVacia(""));
  EXPECT_TRUE(EsLineaVacia(" \t "));
  EXPECT_FALSE(EsLineaVacia(" ,"));
}

TEST(Windows1252Test, DecodesWithTheCodePageAndRefusesUndefinedBytes) {
  EXPECT_EQ(DesdeWindows1252("2010 05 03"), "2010 05 03");
  EXPECT_EQ(DesdeWindows1252("Pe\xF1" "a"), "Peña");
  EXPECT_EQ(DesdeWindows1252("\x80 \xE9\xC1"), "€ éÁ");
  EXPECT_EQ(DesdeWindows1252(""), "");
  for (const char* indefinido : {"\x81", "\x8D", "\x8F", "\x90", "\x9D"})
    EXPECT_EQ(DesdeWindows1252(std::string("a") + indefinido), std::nullopt) << int(indefinido[0] & 0xff);
  EXPECT_EQ(Windows1252Legible("a\x81\xE9"), "a\xEF\xBF\xBD" "é");
  // Longer than the converter's working block.
  const std::string largo(1000, '\xE9');
  std::string esperado;
  for (int i = 0; i < 1000; ++i) esperado += "é";
  EXPECT_EQ(DesdeWindows1252(largo), esperado);
}

TEST(LeeArchivoTest, GivesTheBytesOrNothingForWhatCannotBeRead) {
  orvo::testing::TempDrive c;
  orvo::testing::WriteFile(c.Path("a.dat"), std::string("x\r\n\0y", 5));
  EXPECT_EQ(LeeArchivo(c.Path("a.dat")), std::string("x\r\n\0y", 5));
  orvo::testing::WriteFile(c.Path("vacio.dat"), "");
  EXPECT_EQ(LeeArchivo(c.Path("vacio.dat")), "");
  EXPECT_EQ(LeeArchivo(c.Path("no_existe.dat")), std::nullopt);
  EXPECT_EQ(LeeArchivo(c.Root()), std::nullopt);
}

}  // namespace
}  // namespace orvo::importer
