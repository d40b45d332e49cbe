#include "common/carga_checadas.h"

#include <gtest/gtest.h>

#include "platform/db/database.h"
#include "platform/db/recordset.h"
#include "platform/testsupport/temp_drive.h"

namespace orvo::common {
namespace {

// The queue and the archive as the main database declares them, in a file of their own.
struct Base : ::testing::Test {
  Base() {
    const std::string ruta = c.Path("colas.mdb").string();
    auto nueva = db::Database::Create(ruta, ";LANGID=0x080A;CP=1252;COUNTRY=0");
    for (const char* tabla : {"Checadas", "Listado1"}) {
      nueva.Append({tabla, {{"Fecha", db::Type::Text, 10}, {"Empleado", db::Type::Long}, {"Hora", db::Type::Text, 10}}});
    }
    cn.OpenFile(ruta, "");
  }
  std::vector<std::string> Filas(const std::string& tabla) {
    db::Recordset rs;
    rs.Open(cn, "SELECT * FROM " + tabla + " ORDER BY rowid");
    std::vector<std::string> filas;
    for (; !rs.Eof(); rs.MoveNext()) {
      filas.push_back(db::AsText(rs.Field("Fecha")) + "|" + db::AsText(rs.Field("Empleado")) + "|" +
                      db::AsText(rs.Field("Hora")));
    }
    return filas;
  }
  orvo::testing::TempDrive c;
  db::Connection cn;
};

TEST_F(Base, LoadsEveryPunchIntoTheQueueThenTheArchive) {
  const Checada checadas[] = {{1, "2010 05 03", 125, "07:58:10"}, {2, "2010 05 03", 7, "it's"}};
  int tras = 0;
  cn.Execute(
      "CREATE TRIGGER Orden BEFORE INSERT ON Listado1 WHEN (SELECT count(*) FROM Checadas) <> "
      "(SELECT count(*) FROM Listado1) + 1 BEGIN SELECT RAISE(ABORT, 'fuera de orden'); END");
  EXPECT_EQ(CargaChecadas(cn, checadas, [&] { ++tras; }), 2);
  const std::vector<std::string> esperadas = {"2010 05 03|125|07:58:10", "2010 05 03|7|it's"};
  EXPECT_EQ(Filas("Checadas"), esperadas);
  EXPECT_EQ(Filas("Listado1"), esperadas);
  EXPECT_EQ(tras, 2);
}

TEST_F(Base, AFailingRowLeavesNothingOfTheFile) {
  cn.Execute(
      "CREATE TRIGGER Falla BEFORE INSERT ON Listado1 WHEN NEW.Empleado = 2 BEGIN "
      "SELECT RAISE(ABORT, 'falla de prueba'); END");
  const Checada checadas[] = {{1, "2010 05 03", 1, "07:00:00"}, {2, "2010 05 03", 2, "08:00:00"}};
  EXPECT_ANY_THROW(CargaChecadas(cn, checadas));
  EXPECT_TRUE(Filas("Checadas").empty());
  EXPECT_TRUE(Filas("Listado1").empty());
}

TEST(MensajeLineaMalaTest, NamesTheLineItsFaultAndWhatWasLoaded) {
  const ErrorLinea error{.linea = 2, .texto = "2010 05 03 125", .motivo = Motivo::FaltanComas, .caracter = {}};
  EXPECT_EQ(MensajeLineaMala(error),
            "La línea 2 del archivo no tiene el formato apropiado (faltan comas entre fecha, empleado y hora):\n\n"
            "2010 05 03 125\n\nNo se cargó ningún registro del archivo.");
  EXPECT_EQ(MensajeLineaMala(error, "R100503.TXT", ", que sigue en el servidor FTP"),
            "La línea 2 del archivo R100503.TXT no tiene el formato apropiado (faltan comas entre fecha, empleado y "
            "hora):\n\n2010 05 03 125\n\nNo se cargó ningún registro del archivo, que sigue en el servidor FTP.");
}

}  // namespace
}  // namespace orvo::common
