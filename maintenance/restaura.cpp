#include "maintenance/restaura.h"

#include <cstdint>
#include <limits>
#include <string>

#include "maintenance/tablas.h"

namespace orvo::maintenance {

namespace {

constexpr std::int64_t kPieza = 1000;

// Rows without a date or number sort first, as Null does; the rowid makes
// the order total, so each piece starts exactly after the last row of the one
// before, whatever was moved out of the table meanwhile.
constexpr const char* kOrden = " order by ifnull(Fecha,''), ifnull(Id_Emp,?1), rowid limit ?2";
const std::string kPrimera = std::string("Select rowid as fila, Fecha, Id_Emp, Hora from Huerfanos") + kOrden;
const std::string kSiguiente = std::string("Select rowid as fila, Fecha, Id_Emp, Hora from Huerfanos "
                                           "where (ifnull(Fecha,''), ifnull(Id_Emp,?1), rowid) > (?3, ?4, ?5)") +
                               kOrden;

}  // namespace

bool Restaura(db::Connection& cn, db::Recordset& huerfanos, db::Recordset& personal) {
  if (!ExisteTablaExacta(cn, "Huerfanos")) return false;

  const db::Value sinNumero{std::numeric_limits<std::int64_t>::min()};
  db::Value fecha, numero, fila;  // the key of the last row seen
  bool primera = true;
  for (;;) {
    huerfanos.Close();
    if (primera) {
      huerfanos.Open(kPrimera, {sinNumero, kPieza});
    } else {
      huerfanos.Open(kSiguiente, {sinNumero, kPieza, fecha, numero, fila});
    }
    if (huerfanos.Eof()) break;
    primera = false;

    auto t = cn.Begin();
    for (; !huerfanos.Eof(); huerfanos.MoveNext()) {
      const db::Value& empleado = huerfanos.Field("Id_Emp");
      fila = huerfanos.Field("fila");
      fecha = db::IsNull(huerfanos.Field("Fecha")) ? db::Value{std::string()} : huerfanos.Field("Fecha");
      numero = db::IsNull(empleado) ? sinNumero : empleado;
      if (db::IsNull(empleado)) continue;

      personal.Close();
      personal.Open("Select Id from Personal where No_Empleado = ? limit 1", {db::AsText(empleado)});
      if (personal.RecordCount() < 1) continue;
      cn.Execute("INSERT INTO Checadas VALUES(?,?,?)",
                 {huerfanos.Field("Fecha"), empleado, huerfanos.Field("Hora")});
      cn.Execute("DELETE FROM Huerfanos WHERE rowid = ?", {fila});
    }
    t.Commit();
  }
  huerfanos.Close();
  return true;
}

}  // namespace orvo::maintenance
