#include "ftp/configuracion_ftp.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "platform/testsupport/temp_drive.h"

namespace orvo::ftp {
namespace {

using ::testing::HasSubstr;

struct Configuracion : ::testing::Test {
  orvo::testing::TempDrive c;
  std::filesystem::path ruta = c.Path("Windows/ftpcnf.dll");
};

TEST_F(Configuracion, ReadsTheFirstFourLinesAsTheyStand) {
  const std::pair<std::string, ConfiguracionFtp> casos[] = {
      {"ftp.ejemplo.com\r\nreloj\r\nclave\r\npoleos\r\nCentro\r\n", {"ftp.ejemplo.com", "reloj", "clave", "poleos", ""}},
      {"ftp://h\nu\np\n/abs/dir\n", {"ftp://h", "u", "p", "/abs/dir", ""}},
      {" h \r\n u\r\np \r\n \r\n", {"h", " u", "p ", " ", ""}},   // blanks kept, but around the server
      {"\tftp://h:21 \t\r\nu\r\np\r\nd\r\n", {"ftp://h:21", "u", "p", "d", ""}},
      {"h\r\nu\r\np\r\nd\r\n\x1A", {"h", "u", "p", "d", ""}},                   // a DOS end of file
      {"h\r\nu\r\np\r\nd\x1A\x1A \r\n", {"h", "u", "p", "d", ""}},
      {"h\r\nu\r\np\r\n\r\n", {"h", "u", "p", "", ""}},                          // an empty fourth line
      {"h\r\nPe\xF1" "a\r\n\x80\r\nd\r\n", {"h", "Peña", "€", "d", ""}},        // Windows-1252
      {"\xEF\xBB\xBF" "h\r\nPe\xC3\xB1" "a\r\np\r\nd", {"h", "Peña", "p", "d", ""}},  // UTF-8 with its mark
  };
  for (const auto& [bytes, esperado] : casos) {
    orvo::testing::WriteFile(ruta, bytes);
    const LecturaConfiguracion l = LeeConfiguracion();
    EXPECT_EQ(l.estado, EstadoConfiguracion::Leida) << bytes << l.mensaje;
    EXPECT_EQ(l.datos, esperado) << bytes;
  }
}

TEST_F(Configuracion, MissingShortOrUnreadableSaysSo) {
  EXPECT_EQ(LeeConfiguracion().estado, EstadoConfiguracion::Falta);

  for (const char* corto : {"", "h\r\nu\r\np\r\n", "h\r\nu"}) {
    orvo::testing::WriteFile(ruta, corto);
    const LecturaConfiguracion l = LeeConfiguracion();
    EXPECT_EQ(l.estado, EstadoConfiguracion::Ilegible) << corto;
    EXPECT_THAT(l.mensaje, HasSubstr("C:\\Windows\\ftpcnf.dll"));
    EXPECT_THAT(l.mensaje, HasSubstr("menos de cuatro líneas"));
  }

  orvo::testing::WriteFile(ruta, std::string("h\r\nu\r\np\0q\r\nd\r\n", 14));
  LecturaConfiguracion l = LeeConfiguracion();
  EXPECT_EQ(l.estado, EstadoConfiguracion::Ilegible);
  EXPECT_THAT(l.mensaje, HasSubstr("La línea 3"));
  EXPECT_THAT(l.mensaje, HasSubstr("(NUL)"));
  EXPECT_EQ(l.datos, ConfiguracionFtp{});

  // A CR alone inside a line (found by fuzzing): read, it could not be written back.
  orvo::testing::WriteFile(ruta, "h\r\nu\r\nc\rlave\r\nd\r\n");
  l = LeeConfiguracion();
  EXPECT_EQ(l.estado, EstadoConfiguracion::Ilegible);
  EXPECT_THAT(l.mensaje, HasSubstr("La línea 3"));
  EXPECT_THAT(l.mensaje, HasSubstr("(CR)"));
  EXPECT_EQ(l.datos, ConfiguracionFtp{});

  // A Ctrl-Z with lines after it is no end of the file, and no character of a value.
  orvo::testing::WriteFile(ruta, "h\r\nre\x1Aloj\r\np\r\nd\r\n");
  l = LeeConfiguracion();
  EXPECT_EQ(l.estado, EstadoConfiguracion::Ilegible);
  EXPECT_THAT(l.mensaje, HasSubstr("La línea 2"));
  EXPECT_THAT(l.mensaje, HasSubstr("(Ctrl-Z)"));
  EXPECT_EQ(l.datos, ConfiguracionFtp{});

  std::filesystem::remove(ruta);
  std::filesystem::create_directories(ruta);  // a folder in its place
  l = LeeConfiguracion();
  EXPECT_EQ(l.estado, EstadoConfiguracion::Ilegible);
  EXPECT_THAT(l.mensaje, HasSubstr("No se puede leer"));
}

TEST_F(Configuracion, WritesFiveCrLfLinesInWindows1252ForItsOwnerOnly) {
  const auto bytes = BytesConfiguracion({"ftp.ejemplo.com", "reloj", "Peña €", " ", "Centro"});
  ASSERT_TRUE(bytes);
  EXPECT_EQ(*bytes, "ftp.ejemplo.com\r\nreloj\r\nPe\xF1" "a \x80\r\n \r\nCentro\r\n");
  GuardaConfiguracion(*bytes);  // C:\Windows is made when missing
  EXPECT_EQ(orvo::testing::ReadFile(ruta), *bytes);
  struct stat st {};
  ASSERT_EQ(::stat(ruta.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  const LecturaConfiguracion l = LeeConfiguracion();
  EXPECT_EQ(l.datos, (ConfiguracionFtp{"ftp.ejemplo.com", "reloj", "Peña €", " ", ""}));
}

TEST_F(Configuracion, AValueThatCannotStandInOneLineIsRefusedNamingItsField) {
  const std::pair<ConfiguracionFtp, int> casos[] = {
      {{"h\r\nx", "u", "p", "d", "s"}, 1},
      {{"h", "u\n", "p", "d", "s"}, 2},
      {{"h", "u", "\xC5\x82", "d", "s"}, 3},  // ł: not in the code page
      {{"h", "u", "p", std::string("d\0", 2), "s"}, 4},
      {{"h", "u", "p", "d", "\xF0\x9F\x98\x80"}, 5},
      {{"h", "u", "cla\x1Ave", "d", "s"}, 3},  // its reader would refuse the line
  };
  for (const auto& [c, campo] : casos) {
    int dicho = 0;
    EXPECT_EQ(BytesConfiguracion(c, &dicho), std::nullopt) << campo;
    EXPECT_EQ(dicho, campo);
  }
}

}  // namespace
}  // namespace orvo::ftp
