#include "backup/borra_tablas.h"

#include <string>
#include <vector>

#include "common/arranque.h"
#include "platform/db/database.h"

namespace orvo::respaldo {

bool TableExists(std::string_view DatabaseName, std::string_view TableName) {
  db::Database base = db::Database::Open(DatabaseName, common::kConectaPrincipal);
  const bool existe = base.FindTable(TableName).has_value();
  base.Close();
  return existe;
}

void BorraTablas(db::Connection& cn) {
  // Every test before the transaction starts: a test opens the file anew,
  // and it must not meet the wipe's own write lock.
  std::vector<std::string_view> presentes;
  for (std::string_view tabla : kTablasBorradas) {
    if (TableExists(common::kBasePrincipal, tabla)) presentes.push_back(tabla);
  }
  auto transaccion = cn.Begin();
  for (std::string_view tabla : presentes) cn.Execute("DELETE FROM " + std::string(tabla));
  transaccion.Commit();
}

}  // namespace orvo::respaldo
