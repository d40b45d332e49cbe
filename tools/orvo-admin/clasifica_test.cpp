#include "tools/orvo-admin/clasifica.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <sstream>

#include "platform/db/recordset.h"
#include "platform/testsupport/temp_drive.h"
#include "schema/nueva_base.h"

namespace orvo::admin {
namespace {

using db::Value;

// One employee (17) on a day shift 08:00-13:00 / 15:00-19:00 every Monday,
// one (20) on the flexible shift. 2024 03 04 is a Monday.
void Fixture() {
  schema::CreaBasePrincipal("Prueba");
  common::Bases bases;
  bases.Conecta({.recordsets = 1});
  bases.cn.Execute("INSERT INTO Personal (Id, No_Empleado, T_Normal, Activo) VALUES (17,'170',5,'S')");
  bases.cn.Execute("INSERT INTO Personal (Id, No_Empleado, T_Normal, Activo) VALUES (20,'200',0,'S')");
  bases.cn.Execute(
      "INSERT INTO Turnos (Id_Turno, Dia, HE1, HS1, HE2, HS2, Tol, RollDay) "
      "VALUES (5,'LUNES','08:00','13:00','15:00','19:00','0','0')");
  bases.cn.Execute("INSERT INTO Turnos_Tol VALUES (5,'LUNES','30','10','15','20','5','15')");
}

constexpr const char* kEntrada =
    "17,2024 03 04,08:31:00\r\n"
    "17,2024 03 04,13:01:00\r\n"
    "\r\n"
    "99,2024 03 04,08:00:00\n"
    "x,2024 03 04,08:00:00\n"
    "20,2024 03 04,09:00:00\n"
    "17,2024 03 04\n"
    "17,2024 03 04,13:05:00\n";

constexpr const char* kSalida =
    "17,2024 03 04,08:31:00 -> C1: ENTRADA 1 TARDE, retardo 00:31\n"
    "17,2024 03 04,13:01:00 -> C2: SALIDA 1\n"
    "99,2024 03 04,08:00:00 -> nada escrito: no existe el empleado 99\n"
    "x,2024 03 04,08:00:00 -> ERROR 13: No coinciden los tipos ('x')\n"
    "20,2024 03 04,09:00:00 -> FLEXIBLE: turno flexible: ChequeoF\n"
    "17,2024 03 04 -> ERROR: la línea no tiene la forma Id,Fecha,Hora\n"
    "17,2024 03 04,13:05:00 -> EXTRA: CHECADA ADICIONAL\n";

TEST(ClasificaTest, OneOutcomePerPunchLineInOrder) {
  testing::TempDrive c;
  Fixture();
  common::Bases bases;
  bases.Conecta({.recordsets = 8});
  std::istringstream entrada(kEntrada);
  std::ostringstream salida;
  EXPECT_EQ(Clasifica(bases, entrada, salida), 2);
  EXPECT_EQ(salida.str(), kSalida);

  db::Recordset rs(bases.cn);
  rs.Open("SELECT C1, C2, Diferencia FROM Chequeo");
  ASSERT_EQ(rs.RecordCount(), 1);
  EXPECT_EQ(db::AsText(rs.Field("C2")), "13:01:00");
}

TEST(ClasificaTest, CommandReadsAFileOrStandardInputAndFailsWhenALineFails) {
  testing::TempDrive c;
  Fixture();
  const std::string admin = ORVO_ADMIN;
  const auto fallidas = c.Path("fallidas.txt");
  const auto buenas = c.Path("buenas.txt");
  const auto salida = c.Path("salida.txt");
  testing::WriteFile(fallidas, kEntrada);
  testing::WriteFile(buenas, "17,2024 03 04,15:00:00\n17,2024 03 04,19:03:00\n");

  int status = std::system((admin + " classify " + fallidas.string() + " >" + salida.string()).c_str());
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_NE(WEXITSTATUS(status), 0);
  EXPECT_EQ(testing::ReadFile(salida), kSalida);

  status = std::system((admin + " classify <" + buenas.string() + " >" + salida.string()).c_str());
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_EQ(testing::ReadFile(salida),
            "17,2024 03 04,15:00:00 -> C3: ENTRADA 2\n"
            "17,2024 03 04,19:03:00 -> C4: SALIDA 2\n");
}

TEST(ClasificaTest, CommandWithoutDatabaseOrFileFails) {
  testing::TempDrive c;
  const std::string admin = ORVO_ADMIN;
  EXPECT_NE(std::system((admin + " classify </dev/null 2>/dev/null").c_str()), 0);
  Fixture();
  EXPECT_NE(std::system((admin + " classify " + c.Path("no-existe.txt").string() + " 2>/dev/null").c_str()), 0);
  EXPECT_EQ(std::system((admin + " classify </dev/null").c_str()), 0);
}

}  // namespace
}  // namespace orvo::admin
