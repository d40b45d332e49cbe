#include "maintenance/reproceso.h"

#include <vector>

#include "maintenance/tablas.h"
#include "platform/db/recordset.h"

namespace orvo::maintenance {

std::string FechaMasAntigua(db::Connection& cn) {
  // Only the first row is wanted, so the archive is never read as a snapshot.
  db::Recordset rs(cn);
  rs.Open("SELECT Fecha FROM Listado1 WHERE Fecha IS NOT NULL ORDER BY Fecha LIMIT 1");
  return rs.Eof() ? std::string() : db::AsText(rs.Field("Fecha"));
}

bool Reprocesa(db::Connection& cn, const Rango& rango, bool eliminarNoProcesadas) {
  const bool huerfanos = ExisteTabla(cn, "Huerfanos");
  const std::string r = "where Fecha >= ? and Fecha <= ?";
  std::vector<db::Value> porFecha{rango.desde, rango.hasta};
  auto con = [&](std::int64_t clave) {
    std::vector<db::Value> p = porFecha;
    p.emplace_back(clave);
    return p;
  };

  auto t = cn.Begin();
  // The queue is emptied before the copy, so that no punch is queued twice;
  // the copy tells whether the range holds anything, and when it does not, the
  // transaction is dropped and no result is lost.
  long copiadas = 0;
  if (!rango.empleado) {
    cn.Execute("Delete from Checadas " + r, porFecha);
    copiadas = cn.Execute("INSERT INTO Checadas SELECT Fecha, Empleado, Hora FROM Listado1 " + r +
                              " order by Fecha asc, Hora asc, rowid",
                          porFecha);
  } else {
    const Empleado& e = *rango.empleado;
    if (eliminarNoProcesadas) cn.Execute("Delete from Checadas " + r + " and Empleado = ?", con(e.numero));
    copiadas = cn.Execute("INSERT INTO Checadas SELECT Fecha, Empleado, Hora FROM Listado1 " + r +
                              " and Empleado = ? order by Fecha asc, Hora asc, rowid",
                          con(e.numero));
  }
  if (copiadas == 0) return false;

  if (!rango.empleado) {
    cn.Execute("Delete from Chequeo " + r, porFecha);
    cn.Execute("Delete from ChequeoF " + r, porFecha);
    cn.Execute("Delete from chequeoExtra " + r, porFecha);
    if (huerfanos) cn.Execute("Delete from Huerfanos " + r, porFecha);
  } else {
    const Empleado& e = *rango.empleado;
    cn.Execute("Delete from Chequeo " + r + " and Id_Emp = ?", con(e.id));
    cn.Execute("Delete from ChequeoF " + r + " and Id_Emp = ?", con(e.id));
    cn.Execute("Delete from chequeoExtra " + r + " and Id_Emp = ?", con(e.id));
    // Huerfanos is keyed by the employee number, not by Personal.Id.
    if (huerfanos) cn.Execute("Delete from Huerfanos " + r + " and Id_Emp = ?", con(e.numero));
  }
  t.Commit();
  return true;
}

}  // namespace orvo::maintenance
