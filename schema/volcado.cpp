#include "schema/volcado.h"

#include <algorithm>

#include "platform/text/nocase.h"

namespace orvo::schema {

namespace {

const char* NombreTipo(db::Type t) {
  switch (t) {
    case db::Type::Text: return "Text";
    case db::Type::Long: return "Long";
    case db::Type::Integer: return "Integer";
    case db::Type::Memo: return "Memo";
    case db::Type::LongBinary: return "LongBinary";
    case db::Type::Date: return "Date";
  }
  return "?";
}

}  // namespace

std::string Volcado(db::Database& d) {
  std::vector<db::TableDef> tablas = d.TableDefs();
  std::sort(tablas.begin(), tablas.end(),
            [](const db::TableDef& a, const db::TableDef& b) { return text::FoldCase(a.name) < text::FoldCase(b.name); });
  std::string out;
  for (const db::TableDef& t : tablas) {
    int pos = 0;
    for (const db::Field& f : t.fields) {
      bool texto = f.type == db::Type::Text || f.type == db::Type::Memo;
      out += t.name + "|" + std::to_string(++pos) + "|" + f.name + "|" + NombreTipo(f.type) + "|" +
             (f.type == db::Type::Text ? std::to_string(f.size) : "") + "|" +
             (texto ? (f.allowZeroLength ? "yes" : "no") : "") + "|" + db::AsText(f.defaultValue) + "\n";
    }
  }
  return out;
}

}  // namespace orvo::schema
