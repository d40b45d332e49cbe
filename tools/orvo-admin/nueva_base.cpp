#include "tools/orvo-admin/nueva_base.h"

#include <filesystem>
#include <set>

#include "platform/db/database.h"
#include "schema/catalogo.h"
#include "schema/estructura.h"
#include "schema/regeneracion.h"

namespace orvo::admin {

namespace {

db::Type TipoDe(schema::Tipo t) {
  switch (t) {
    case schema::Tipo::Text: return db::Type::Text;
    case schema::Tipo::Long: return db::Type::Long;
    case schema::Tipo::Integer: return db::Type::Integer;
    case schema::Tipo::Memo: return db::Type::Memo;
    case schema::Tipo::LongBinary: return db::Type::LongBinary;
    case schema::Tipo::Date: return db::Type::Date;
  }
  return db::Type::Memo;
}

}  // namespace

void CreaBasePrincipal(const std::string& empresa) {
  std::filesystem::create_directories(db::ResolvePath("C:\\Quiravel"));
  db::TableDef empresarial{"Empresarial", {}};
  for (const schema::Columna& c : schema::Catalogo()) {
    if (c.base != schema::Base::Principal || c.tabla != "Empresarial" || !(c.listas & schema::Creador)) continue;
    db::Value defecto;
    if (c.defa == schema::kDefectoNO) defecto = std::string("NO");
    else if (c.defa != schema::kSinDefecto) defecto = std::int64_t{c.defa};
    empresarial.fields.emplace_back(std::string(c.nombre), TipoDe(c.tipo),
                                    c.tipo == schema::Tipo::Text ? std::stoi(std::string(c.tam)) : 0, c.zero, defecto);
  }
  // The acceptance sentence that reports print; the regeneration fills it.
  empresarial.fields.emplace_back("TFirma", db::Type::Memo, 0, true);

  auto base = db::Database::Create(kBasePrincipal, ";LANGID=0x0409;CP=1252;COUNTRY=0", kClave);
  base.Append(empresarial);
  base.Execute("INSERT INTO Empresarial (Empresa) VALUES (?)", std::vector<db::Value>{empresa});
  base.Close();

  // Every other table as the catalogue's creators make it.
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
