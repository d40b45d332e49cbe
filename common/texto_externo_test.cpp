#include "common/texto_externo.h"

#include <gtest/gtest.h>

#include "platform/db/connection.h"
#include "platform/db/database.h"
#include "platform/testsupport/sqlite_session.h"
#include "platform/testsupport/temp_drive.h"

namespace orvo::common {
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

TEST(LineasTest, ACtrlZEndsTheTextOnlyWhenNoMoreTextFollowsIt) {
  using P = std::vector<std::pair<std::size_t, std::string>>;
  // The DOS end: after it, only more Ctrl-Z, blanks and line ends.
  EXPECT_EQ(Partes("a\r\nb\r\n\x1A"), (P{{1, "a"}, {2, "b"}}));
  EXPECT_EQ(Partes("a\r\nb\x1A"), (P{{1, "a"}, {2, "b"}}));
  EXPECT_EQ(Partes("a\r\nb\r\n\x1A\x1A \t\r\n\x1A\n"), (P{{1, "a"}, {2, "b"}}));
  EXPECT_EQ(Partes("\x1A"), P{});
  EXPECT_EQ(Partes("\xEF\xBB\xBF" "a\x1A"), (P{{1, "a"}}));
  // Text after it: the Ctrl-Z stays in its line, for the reader to refuse.
  EXPECT_EQ(Partes("a\r\nb\x1A\r\nc,1,2\r\n"), (P{{1, "a"}, {2, "b\x1A"}, {3, "c,1,2"}}));
  EXPECT_EQ(Partes("a\r\n\x1A" "b\r\n\x1A"), (P{{1, "a"}, {2, "\x1A" "b"}}));
  EXPECT_EQ(Partes("\x1A" "a\r\n"), (P{{1, "\x1A" "a"}}));
  EXPECT_FALSE(TieneFinDeArchivo(Lineas("a\r\n\x1A")[0]));
  EXPECT_TRUE(TieneFinDeArchivo(Lineas("a\r\n\x1A" "b")[1]));
}

TEST(LineasTest, BlankLinesAreEmptyOrBlanksAndTabs) {
  EXPECT_TRUE(EsLineaVacia(""));
  EXPECT_TRUE(EsLineaVacia(" \t "));
  EXPECT_FALSE(EsLineaVacia(" ,"));
}

TEST(LineasTest, SinBlancosTrimsOnlyBlanksAndTabsAtTheEnds) {
  EXPECT_EQ(SinBlancos(" \t 12 3\t "), "12 3");
  EXPECT_EQ(SinBlancos(" \t "), "");
  EXPECT_EQ(SinBlancos("\r12\n"), "\r12\n");
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

// A database chosen as a punch file is not read: reading it by other means
// than the engine would take away the locks of this program's connection.
TEST(LeeArchivoTest, ADatabaseIsNotReadAndTheConnectionKeepsItsLocks) {
  orvo::testing::TempDrive c;
  std::filesystem::create_directories(c.Path("Quiravel"));
  db::Database::Create("C:\\Quiravel\\Quiravel.mdb", "", "LUMAK").Close();
  db::Connection cn;
  cn.OpenFile("C:\\Quiravel\\Quiravel.mdb", "LUMAK");
  cn.TableNames();
  EXPECT_EQ(LeeArchivo(c.Path("Quiravel/Quiravel.mdb")), std::nullopt);
  orvo::testing::SqliteSession otro(c.Path("Quiravel/Quiravel.mdb"));
  otro.Send(".timeout 0");
  otro.Send("PRAGMA locking_mode = EXCLUSIVE;");
  otro.Send("BEGIN EXCLUSIVE;");
  EXPECT_NE(otro.Output().find("database is locked"), std::string::npos) << otro.Output();
}


TEST(LineasTest, AByteOrderMarkMakesTheFileUtf8AndIsNoPartOfTheFirstLine) {
  const auto lineas = Lineas("\xEF\xBB\xBF" "a\r\nb");
  ASSERT_EQ(lineas.size(), 2u);
  EXPECT_EQ(lineas[0].bytes, "a");
  EXPECT_EQ(lineas[0].numero, 1u);
  for (const Linea& l : lineas) EXPECT_EQ(l.codificacion, Codificacion::Utf8);
  EXPECT_EQ(Lineas("a")[0].codificacion, Codificacion::Windows1252);
  EXPECT_TRUE(Lineas("\xEF\xBB\xBF").empty());
  // Only at the very start: elsewhere they are three Windows-1252 characters.
  EXPECT_EQ(Lineas("a\n\xEF\xBB\xBF" "b")[1].bytes, "\xEF\xBB\xBF" "b");
  EXPECT_EQ(Lineas("a\n\xEF\xBB\xBF" "b")[1].codificacion, Codificacion::Windows1252);
}

TEST(CortaCaracteresTest, CutsByCharactersOfTheEncoding) {
  using C = Codificacion;
  struct Caso {
    std::string bytes;
    C cod;
    std::size_t desde, ancho;
    std::string esperado;
  };
  const Caso casos[] = {
      {"Pe\xF1" "a,12", C::Windows1252, 0, 4, "Pe\xF1" "a"},
      {"Pe\xC3\xB1" "a,12", C::Utf8, 0, 4, "Pe\xC3\xB1" "a"},
      {"Pe\xC3\xB1" "a,12", C::Utf8, 3, 2, "a,"},
      {"\xE2\x82\xAC" "1", C::Utf8, 1, 5, "1"},        // a three-byte character, then past the end
      {"ab", C::Utf8, 5, 1, ""},
      {"\x80\x80" "a", C::Utf8, 1, 1, "\x80"},        // stray continuation bytes count one each
      {"\xF0\x9F\x98\x80x", C::Utf8, 0, 1, "\xF0\x9F\x98\x80"},
      {"abc", C::Windows1252, 1, std::string_view::npos, "bc"},
  };
  for (const Caso& c : casos)
    EXPECT_EQ(CortaCaracteres(c.bytes, c.cod, c.desde, c.ancho), c.esperado) << c.bytes << " " << c.desde;
}

TEST(CuentaCaracteresTest, CountsAsTheCutCounts) {
  using C = Codificacion;
  struct Caso {
    std::string bytes;
    C cod;
    std::size_t esperado;
  };
  const Caso casos[] = {
      {"", C::Utf8, 0},
      {"Pe\xF1" "a", C::Windows1252, 4},
      {"Pe\xC3\xB1" "a", C::Utf8, 4},
      {"Pe\xC3\xB1" "a", C::Windows1252, 5},
      {"\xF0\x9F\x98\x80x", C::Utf8, 2},
      {"\x80\x80" "a", C::Utf8, 3},  // stray continuation bytes count one each
  };
  for (const Caso& c : casos) EXPECT_EQ(CuentaCaracteres(c.bytes, c.cod), c.esperado) << c.bytes;
}

TEST(DecodificaTest, Utf8RefusesInvalidSequencesAndNulInBothEncodings) {
  EXPECT_EQ(Decodifica("Pe\xC3\xB1" "a \xE2\x82\xAC", Codificacion::Utf8), "Peña €");
  std::string largo;  // longer than the converter's working block
  for (int i = 0; i < 1000; ++i) largo += "é";
  EXPECT_EQ(Decodifica(largo, Codificacion::Utf8), largo);
  EXPECT_EQ(Legible(largo + "\xC3", Codificacion::Utf8), largo + "\xEF\xBF\xBD");
  for (const char* malo : {"\xC3\x28", "\xC3", "\xC0\xAF", "\xED\xA0\x80", "\x80", "\xF8\x88\x80\x80\x80", "\xF4\x90\x80\x80", "\xFF"})
    EXPECT_EQ(Decodifica(std::string("a") + malo + "b", Codificacion::Utf8), std::nullopt)
        << Legible(malo, Codificacion::Windows1252);
  const std::string conNul("07:5\0" "8", 6);
  EXPECT_EQ(Decodifica(conNul, Codificacion::Windows1252), std::nullopt);
  EXPECT_EQ(Decodifica(conNul, Codificacion::Utf8), std::nullopt);
  EXPECT_EQ(Decodifica(std::string("\xE9\0", 2), Codificacion::Windows1252), std::nullopt);
}

TEST(DecodificaTest, NamesTheRefusedCharacterAndShowsTheLineLegibly) {
  using C = Codificacion;
  EXPECT_EQ(CaracterRechazado(std::string("07:5\0" "8", 6), C::Windows1252), "NUL");
  EXPECT_EQ(CaracterRechazado(std::string("\xE9\0", 2), C::Utf8), "el byte 0xE9");
  EXPECT_EQ(CaracterRechazado("a\x81\x90", C::Windows1252), "el byte 0x81");
  EXPECT_EQ(CaracterRechazado("a\xC3\x28", C::Utf8), "el byte 0xC3");
  EXPECT_EQ(CaracterRechazado("a\xC3", C::Utf8), "el byte 0xC3");
  EXPECT_EQ(CaracterRechazado("Pe\xF1" "a", C::Windows1252), std::nullopt);
  EXPECT_EQ(Legible(std::string("a\0b\x81", 4), C::Windows1252), "a\xE2\x90\x80" "b\xEF\xBF\xBD");
  EXPECT_EQ(Legible("\xC3\xB1\xC3(", C::Utf8), "ñ\xEF\xBF\xBD(");
}

TEST(AWindows1252Test, EncodesWhatTheCodePageHasAndRefusesTheRest) {
  EXPECT_EQ(AWindows1252("ftp.ejemplo.com"), "ftp.ejemplo.com");
  EXPECT_EQ(AWindows1252("Peña €Ü"), "Pe\xF1" "a \x80\xDC");
  EXPECT_EQ(AWindows1252(""), "");
  EXPECT_EQ(AWindows1252("\xC5\x82"), std::nullopt);         // ł
  EXPECT_EQ(AWindows1252("\xF0\x9F\x98\x80"), std::nullopt); // an emoji
  EXPECT_EQ(AWindows1252("a\xC3"), std::nullopt);            // not UTF-8
  // Every defined byte goes there and back.
  for (int b = 0x20; b < 0x100; ++b) {
    const std::string byte(1, static_cast<char>(b));
    const auto texto = DesdeWindows1252(byte);
    if (!texto) continue;
    EXPECT_EQ(AWindows1252(*texto), byte) << b;
  }
}

}  // namespace
}  // namespace orvo::common
