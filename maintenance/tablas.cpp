#include "maintenance/tablas.h"

#include <algorithm>
#include <string>

#include "platform/text/nocase.h"

namespace orvo::maintenance {

bool ExisteTabla(db::Connection& cn, std::string_view nombre) {
  const auto tablas = cn.TableNames();
  return std::any_of(tablas.begin(), tablas.end(),
                     [&](const std::string& t) { return text::EqualsNoCase(t, nombre); });
}

bool ExisteTablaExacta(db::Connection& cn, std::string_view nombre) {
  const auto tablas = cn.TableNames();
  return std::find(tablas.begin(), tablas.end(), nombre) != tablas.end();
}

}  // namespace orvo::maintenance
