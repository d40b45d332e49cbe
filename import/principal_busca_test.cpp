// The window's entry into the classification engine: the punch travels in
// EnrollName, Fecha and Hora, and a failing punch ends without a word.
#include <gtest/gtest.h>

#include "import/base_de_prueba.h"
#include "import/principal.h"
#include "platform/db/recordset.h"
#include "platform/forms/scripted_dialogs.h"

namespace orvo::importer {
namespace {

TEST(BuscaEmpleadoTest, ClassifiesTheWindowsPunchAndHandsErrorsToTheCaller) {
  prueba::BaseDePrueba b;
  b.Empleado(17, "170", "S");  // T_Normal 0: the flexible shift
  forms::ScriptedDialogs boxes;
  std::vector<int> ends;
  forms::Runtime runtime(boxes, "pollimport", [&](int s) { ends.push_back(s); });
  Principal w(b.bases, boxes, runtime);

  w.EnrollName = " 17 ";
  w.Fecha = "2024 03 01";
  w.Hora = "08:05:12";
  EXPECT_EQ(w.Busca_Empleado().destino, classify::Resultado::Destino::Flexible);
  w.EnrollName = "no es un número";
  EXPECT_THROW(w.Busca_Empleado(), RuntimeError);

  db::Recordset rs(b.bases.cn);
  rs.Open("SELECT Fecha, Id_Emp, C1 FROM ChequeoF");
  ASSERT_EQ(rs.RecordCount(), 1);
  EXPECT_EQ(db::AsText(rs.Field("Fecha")), "2024 03 01");
  EXPECT_EQ(db::AsInteger(rs.Field("Id_Emp")), 17);
  EXPECT_EQ(db::AsText(rs.Field("C1")), "08:05:12");
  EXPECT_TRUE(boxes.shown.empty());
  EXPECT_TRUE(ends.empty());
}

}  // namespace
}  // namespace orvo::importer
