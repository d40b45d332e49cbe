#include "schema/estructura.h"

#include <charconv>
#include <optional>
#include <string>

#include "platform/db/database.h"
#include "platform/text/blanks.h"
#include "schema/catalogo.h"

namespace orvo::schema {
namespace {

std::optional<db::Database> Abre(std::string_view path, Base base) {
  try {
    return db::Database::Open(path, base == Base::Principal ? kConectaPrincipal : "");
  } catch (const db::Error&) {
    return std::nullopt;
  }
}

db::Type TipoMotor(Tipo t) {
  switch (t) {
    case Tipo::Text: return db::Type::Text;
    case Tipo::Long: return db::Type::Long;
    case Tipo::Integer: return db::Type::Integer;
    case Tipo::Memo: return db::Type::Memo;
    case Tipo::LongBinary: return db::Type::LongBinary;
    case Tipo::Date: return db::Type::Date;
  }
  return db::Type::Memo;
}

// The size text as the platform's conversion to a 16-bit integer reads it.
std::optional<int> Tamano(std::string_view Ctam) {
  Ctam = text::TrimBlanks(Ctam);
  int n = 0;
  auto [p, ec] = std::from_chars(Ctam.data(), Ctam.data() + Ctam.size(), n);
  if (ec != std::errc() || p != Ctam.data() + Ctam.size() || n < -32768 || n > 32767) return std::nullopt;
  return n;
}

db::Value Defecto(int defa) {
  if (defa == kSinDefecto) return std::monostate{};
  if (defa == kDefectoNO) return std::string("NO");
  return std::int64_t{defa};
}

bool Existe(std::string_view path, Base base, std::string_view tabla, std::optional<std::string_view> campo) {
  auto d = Abre(path, base);
  if (!d) return false;
  try {
    auto t = d->FindTable(tabla);
    if (!t) return false;
    if (!campo) return t->name == tabla;
    const db::Field* f = t->FindField(*campo);
    return f && f->name == *campo;
  } catch (const db::Error&) {
    return false;
  }
}

void Agrega(Base base, std::string_view NomBas, std::string_view tabla, std::string_view campo, std::string_view Ctipo,
            std::string_view Ctam, std::int16_t zero, std::int16_t defa) {
  auto d = Abre(NomBas, base);
  if (!d) return;
  static constexpr std::pair<std::string_view, db::Type> kTipos[] = {
      {"dbText", db::Type::Text}, {"dbLong", db::Type::Long},   {"dbInteger", db::Type::Integer},
      {"dbLongBinary", db::Type::LongBinary}, {"dbMemo", db::Type::Memo}, {"dbDate", db::Type::Date}};
  for (const auto& [nombre, tipo] : kTipos) {
    if (Ctipo != nombre) continue;
    try {
      int size = 0;
      if (tipo == db::Type::Text) size = Tamano(Ctam).value();
      d->AppendField(tabla, db::Field(std::string(campo), tipo, size));
    } catch (const std::exception&) {
      // A column that cannot be made is not added; the properties below still
      // go to a column of that name already there.
    }
    break;
  }
  if (zero == -1) {
    try {
      d->SetFieldProperties(tabla, campo, true, std::nullopt);
    } catch (const db::Error&) {
    }
  }
  if (defa != kSinDefecto) {
    db::Value v = (base == Base::Principal && defa == kDefectoNO) ? db::Value(std::string("NO")) : db::Value(std::int64_t{defa});
    try {
      d->SetFieldProperties(tabla, campo, std::nullopt, v);
    } catch (const db::Error&) {
    }
  }
}

// The definition a list makes of a table, from the catalogue.
db::TableDef Definicion(Base base, std::string_view tabla, Lista lista) {
  db::TableDef t{std::string(tabla), {}};
  for (const Columna& c : Catalogo()) {
    if (c.base != base || c.tabla != tabla || !(c.listas & lista)) continue;
    if (c.tipo == Tipo::Text && !Tamano(c.tam)) continue;  // a column that cannot be made is left out
    t.fields.push_back(CampoDe(c));
  }
  return t;
}

void CreaEn(db::Database& d, Base base, std::string_view tabla) {
  try {
    d.Append(Definicion(base, tabla, Creador));
  } catch (const db::Error&) {
    // The table is there already (or cannot be stored): left exactly as it is.
  }
}

}  // namespace

db::Field CampoDe(const Columna& c) {
  return db::Field(std::string(c.nombre), TipoMotor(c.tipo), c.tipo == Tipo::Text ? Tamano(c.tam).value_or(0) : 0,
                   c.zero, Defecto(c.defa));
}

bool tableExists(std::string_view DatabaseName, std::string_view tabla) {
  return Existe(DatabaseName, Base::Principal, tabla, std::nullopt);
}
bool atableExists(std::string_view DatabaseName, std::string_view tabla) {
  return Existe(DatabaseName, Base::Auxiliar, tabla, std::nullopt);
}
bool FieldExists(std::string_view DatabaseName, std::string_view TableName, std::string_view FieldName) {
  return Existe(DatabaseName, Base::Principal, TableName, FieldName);
}
bool aFieldExists(std::string_view DatabaseName, std::string_view TableName, std::string_view FieldName) {
  return Existe(DatabaseName, Base::Auxiliar, TableName, FieldName);
}

void AgregaCampoTabla(std::string_view NomBas, std::string_view tabla, std::string_view campo, std::string_view Ctipo,
                      std::string_view Ctam, std::int16_t zero, std::int16_t defa) {
  Agrega(Base::Principal, NomBas, tabla, campo, Ctipo, Ctam, zero, defa);
}
void aAgregaCampoTabla(std::string_view NomBas, std::string_view tabla, std::string_view campo, std::string_view Ctipo,
                       std::string_view Ctam, std::int16_t zero, std::int16_t defa) {
  Agrega(Base::Auxiliar, NomBas, tabla, campo, Ctipo, Ctam, zero, defa);
}

void Crea(std::string_view creador) {
  // The creator's database is the one whose tables name it.
  std::optional<Base> encontrada;
  for (Base b : {Base::Principal, Base::Auxiliar}) {
    for (const Tabla& t : Tablas(b)) {
      if (t.creador == creador) encontrada = b;
    }
    if (encontrada) break;
  }
  if (!encontrada) return;
  const Base base = *encontrada;

  auto d = Abre(base == Base::Principal ? kBasePrincipal : kBaseAuxiliar, base);
  if (!d) return;
  // Crea_planTurno makes its five tables in one opening, each complete
  // before the next one.
  for (const Tabla& t : Tablas(base)) {
    if (t.creador == creador) CreaEn(*d, base, t.nombre);
  }
  d->Close();
  if (creador == "Crea_planTurno") {
    // It also gives the auxiliary Faltas its column turno, when that file is there.
    auto aux = Abre(kBaseAuxiliar, Base::Auxiliar);
    if (!aux) return;
    try {
      aux->AppendField("Faltas", db::Field("turno", db::Type::Text, 25));
    } catch (const db::Error&) {
    }
  }
}

void Crea_Auxiliar(std::string_view NomBas) {
  db::Database::Create(NomBas, kLocale).Close();
  auto d = db::Database::Open(NomBas);
  for (const Tabla& t : TablasAuxiliar()) {
    db::TableDef def = Definicion(Base::Auxiliar, t.nombre, Masivo);
    if (!def.fields.empty()) d.Append(def);
  }
  d.Close();
}

}  // namespace orvo::schema
