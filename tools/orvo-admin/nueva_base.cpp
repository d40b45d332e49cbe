#include "tools/orvo-admin/nueva_base.h"

#include <filesystem>
#include <set>

#include "platform/db/database.h"
#include "schema/estructura.h"
#include "schema/regeneracion.h"

namespace orvo::admin {

void CreaBasePrincipal(const std::string& empresa) {
  std::filesystem::create_directories(db::ResolvePath("C:\\Quiravel"));
  db::TableDef empresarial{"Empresarial", {}};
  for (const schema::Columna& c : schema::Catalogo()) {
    if (c.base != schema::Base::Principal || c.tabla != "Empresarial" || !(c.listas & schema::Creador)) continue;
    empresarial.fields.push_back(schema::CampoDe(c));
  }
  // The acceptance sentence that reports print; the regeneration fills it.
  empresarial.fields.emplace_back("TFirma", db::Type::Memo, 0, true);

  auto base = db::Database::Create(kBasePrincipal, schema::kLocale, common::kClavePrincipal);
  base.Append(empresarial);
  base.Execute("INSERT INTO Empresarial (Empresa) VALUES (?)", std::vector<db::Value>{empresa});
  base.Close();

  // Every other table as the catalogue's creators make it, so that the pass
  // below finds them all and completes them at once.
  std::set<std::string_view> hechos{"Crea_Empresarial"};
  for (const schema::Tabla& t : schema::TablasPrincipal()) {
    if (!t.creador.empty() && hechos.insert(t.creador).second) schema::Crea(t.creador);
  }
  // Then one regeneration pass, as the administrator program runs it after a
  // new definition: the upgrade-only columns, the lookup indexes, the
  // auxiliary database and the default rows.
  common::Bases bases;
  bases.Conecta(schema::kArranque);
  schema::ActualizaEstructura(bases);
  bases.Conecta(schema::kArranque);
  schema::CompletaDatos(bases);
}

}  // namespace orvo::admin
