#include "backup/borra_tablas.h"

#include <string>
#include <vector>

#include "common/arranque.h"
#include "platform/db/database.h"

namespace orvo::backup {

bool TableExists(std::string_view DatabaseName, std::string_view TableName) {
  db::Database base = db::Database::Open(DatabaseName, common::kConectaPrincipal);
  const bool existe = base.FindTable(TableName).has_value();
  base.Close();
  return existe;
}

namespace {

std::vector<std::string_view> Presentes() {
  std::vector<std::string_view> presentes;
  for (std::string_view tabla : kTablasBorradas) {
    if (TableExists(common::kBasePrincipal, tabla)) presentes.push_back(tabla);
  }
  return presentes;
}

}  // namespace

// Every test before the transaction starts: a test opens the file anew, and
// it must not meet the wipe's own write lock.
BorradoTablas::BorradoTablas(db::Connection& cn) : cn_(cn), presentes_(Presentes()), transaccion_(cn.Begin()) {}

void BorradoTablas::Ejecuta() {
  for (std::string_view tabla : presentes_) cn_.Execute("DELETE FROM " + std::string(tabla));
  transaccion_.Commit();
}

}  // namespace orvo::backup
