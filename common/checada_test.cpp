#include "common/checada.h"

#include <gtest/gtest.h>

namespace orvo::common {
namespace {

Linea Una(std::string_view bytes, Codificacion cod = Codificacion::Windows1252) { return {7, bytes, cod}; }

TEST(LeeLineaPoleoTest, CutsTheDateTheNumberAndTheRest) {
  Lectura lectura;
  const auto p = LeeLineaPoleo(lectura, Una("2010 05 03,00125,07:58:10 x,y"));
  ASSERT_TRUE(p);
  EXPECT_EQ(p->fecha, "2010 05 03");
  EXPECT_EQ(p->empleado, 125);
  EXPECT_EQ(p->resto, "07:58:10 x,y");
  EXPECT_FALSE(lectura.error);
  // In a UTF-8 file the date is ten characters, not ten bytes.
  const auto u = LeeLineaPoleo(lectura, Una("2010 05 0\xC3\xA9,1,x", Codificacion::Utf8));
  ASSERT_TRUE(u);
  EXPECT_EQ(u->fecha, "2010 05 0\xC3\xA9");
}

TEST(LeeLineaPoleoTest, RefusesTheLineAndSaysWhy) {
  const std::pair<std::string, Motivo> casos[] = {
      {"2010 05 03,00125", Motivo::FaltanComas},
      {"", Motivo::FaltanComas},
      {"2010 5 3,125,07:58:10", Motivo::CampoIncompleto},
      {",125,07:58:10", Motivo::CampoIncompleto},
      {"2010 05 03,abc,07:58:10", Motivo::EmpleadoNoValido},
      {"2010 05 03,,07:58:10", Motivo::EmpleadoNoValido},
      {"2010 05 03,2147483648,07:58:10", Motivo::EmpleadoNoValido},
  };
  for (const auto& [linea, motivo] : casos) {
    Lectura lectura;
    lectura.checadas.push_back({});
    EXPECT_FALSE(LeeLineaPoleo(lectura, Una(linea))) << linea;
    ASSERT_TRUE(lectura.error) << linea;
    EXPECT_EQ(lectura.error->motivo, motivo) << linea;
    EXPECT_EQ(lectura.error->linea, 7u);
    EXPECT_TRUE(lectura.checadas.empty());
  }
}

TEST(DecodificaCampoTest, NamesTheRefusedCharacter) {
  Lectura lectura;
  const std::string bytes("2010 05 03,1,07:5\0" "8", 19);
  EXPECT_FALSE(DecodificaCampo(lectura, Una(bytes), std::string_view(bytes).substr(13)));
  ASSERT_TRUE(lectura.error);
  EXPECT_EQ(lectura.error->motivo, Motivo::CaracterNoValido);
  EXPECT_EQ(lectura.error->caracter, "NUL");
  EXPECT_EQ(lectura.error->texto, "2010 05 03,1,07:5\xE2\x90\x80" "8");
  EXPECT_EQ(TextoError(*lectura.error), "la línea contiene un carácter no válido (NUL)");

  Lectura otra;
  EXPECT_EQ(DecodificaCampo(otra, Una("Pe\xF1" "a"), "Pe\xF1" "a"), "Peña");
  EXPECT_FALSE(otra.error);
}

TEST(LeeEmpleadoTest, ReadsAClocksDigits) {
  EXPECT_EQ(LeeEmpleado(" 00125 "), 125);
  EXPECT_EQ(LeeEmpleado("-2147483648"), -2147483647 - 1);
  EXPECT_EQ(LeeEmpleado("+7"), 7);
  for (const char* malo : {"", " ", "+", "12.5", "1 2", "0x10", "2147483648"}) EXPECT_EQ(LeeEmpleado(malo), std::nullopt) << malo;
}

}  // namespace
}  // namespace orvo::common
