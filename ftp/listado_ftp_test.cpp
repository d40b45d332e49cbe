#include "ftp/listado_ftp.h"

#include <gtest/gtest.h>

namespace orvo::ftp {
namespace {

using Nombres = std::vector<std::string>;

TEST(PartirListadoTest, OneEntryPerNonEmptyLineWhateverItsEnd) {
  const std::pair<std::string, Nombres> casos[] = {
      {"a.dat\r\nb.dat\r\nc.dat\r\n", {"a.dat", "b.dat", "c.dat"}},
      {"a.dat\nb.dat\n", {"a.dat", "b.dat"}},
      {"a.dat\r\nb.dat", {"a.dat", "b.dat"}},          // the last line without its end
      {"a.dat\nb.dat\r\nc.dat", {"a.dat", "b.dat", "c.dat"}},
      {"\r\na.dat\r\n", {"a.dat"}},                    // a leading empty line
      {"a.dat\r\n\r\n\nb.dat\r\n", {"a.dat", "b.dat"}},
      {"", {}},
      {"\r\n", {}},
      {"x", {"x"}},
      {"con espacio.dat\r\n ante.dat\r\n", {"con espacio.dat", " ante.dat"}},
      {"\xC3\xB1" "and\xC3\xBA.dat\r\n", {"\xC3\xB1" "and\xC3\xBA.dat"}},
  };
  for (const auto& [listado, nombres] : casos) EXPECT_EQ(PartirListado(listado), nombres) << listado;
}

TEST(NombreRemotoValidoTest, OnlyAPlainFileName) {
  for (const char* bueno : {"a.dat", "POLEO 2010.DAT", ".oculto", "...", "ñandú.dat", "a..b", " a ",
                            "a\xE9.dat", "\x80\x85.dat", "a\x81.dat"})  // the last three in Windows-1252
    EXPECT_TRUE(NombreRemotoValido(bueno)) << bueno;
  for (const char* malo : {"", ".", "..", "../x.dat", "a/b", "a\\b", "..\\x", "/etc/passwd", "a\tb", "a\rb", "a\x7f",
                           "a\xC2\x85" "b", "a\x1A" "b", "C:\\x", "pe\xF1" "a/x"})
    EXPECT_FALSE(NombreRemotoValido(malo)) << malo;
  EXPECT_FALSE(NombreRemotoValido(std::string("a\0b", 3)));
}

TEST(NombreMostradoTest, Utf8AsItIsAnythingElseAsWindows1252) {
  const std::pair<std::string, std::string> casos[] = {
      {"a.dat", "a.dat"},
      {"\xC3\xB1" "and\xC3\xBA.dat", "ñandú.dat"},
      {"pe\xF1" "a.dat", "peña.dat"},
      {"\x80 \x9F.dat", "€ Ÿ.dat"},
      {"a\x81.dat", "a\uFFFD.dat"},  // no character of the code page
  };
  for (const auto& [bytes, mostrado] : casos) EXPECT_EQ(NombreMostrado(bytes), mostrado) << bytes;
}

}  // namespace
}  // namespace orvo::ftp
