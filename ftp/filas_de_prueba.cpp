#include "ftp/filas_de_prueba.h"

#include "platform/db/recordset.h"

namespace orvo::ftp::prueba {

std::vector<std::string> Filas(db::Connection& cn, const std::string& tabla) {
  db::Recordset rs(cn);
  rs.Open("SELECT Fecha, Empleado, Hora FROM " + tabla + " ORDER BY rowid");
  std::vector<std::string> filas;
  for (; !rs.Eof(); rs.MoveNext())
    filas.push_back(db::AsText(rs.Field("Fecha")) + "|" + std::to_string(db::AsInteger(rs.Field("Empleado"))) + "|" +
                    db::AsText(rs.Field("Hora")));
  return filas;
}

}  // namespace orvo::ftp::prueba
