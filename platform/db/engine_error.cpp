// SQLite's failures as the engine's own errors, numbered and worded as the
// Windows engine reported them.
#include <sqlite3.h>

#include <string>

#include "platform/db/error.h"
#include "platform/db/session.h"

namespace orvo::db {

void Throw(int number, const std::string& description) { throw Error(number, description); }

namespace detail {

void ThrowEngineError(sqlite3* db, int rc, std::string_view sql, const std::string& file) {
  std::string msg = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
  const int primary = rc & 0xff;
  if (rc == SQLITE_CONSTRAINT_CHECK) {
    // Our column checks are named "kind:Table.Column".
    std::string name;
    if (auto p = msg.find(": "); p != std::string::npos) name = msg.substr(p + 2);
    auto colon = name.find(':');
    std::string kind = colon == std::string::npos ? "" : name.substr(0, colon);
    std::string column = colon == std::string::npos ? name : name.substr(colon + 1);
    if (kind == "len")
      Throw(errc::kFieldTooSmall, "El campo '" + column + "' es demasiado pequeño para aceptar la cantidad de datos que intentó agregar.");
    if (kind == "zero") Throw(errc::kZeroLength, "El campo '" + column + "' no puede ser una cadena de longitud cero.");
    if (kind == "range") Throw(errc::kOverflow, "Desbordamiento en el campo '" + column + "'.");
    if (kind == "type") Throw(errc::kTypeMismatch, "No coinciden los tipos de datos en el campo '" + column + "'.");
  }
  if (rc == SQLITE_CONSTRAINT_UNIQUE || rc == SQLITE_CONSTRAINT_PRIMARYKEY) {
    Throw(errc::kDuplicateValue,
          "No se realizaron los cambios solicitados en la tabla porque crearían valores duplicados en el índice, "
          "clave principal o relación. Cambie los datos del campo o los campos que contienen datos duplicados, "
          "quite el índice o vuelva a definirlo para permitir entradas duplicadas e inténtelo de nuevo.");
  }
  if (primary == SQLITE_BUSY || primary == SQLITE_LOCKED)
    Throw(errc::kLocked, "No se pudo actualizar; la base de datos '" + file + "' está en uso por otro programa.");
  if (primary == SQLITE_READONLY) Throw(errc::kReadOnly, "No se puede actualizar. La base de datos es de sólo lectura.");
  if (primary == SQLITE_NOTADB || primary == SQLITE_CORRUPT)
    Throw(errc::kUnrecognizedFormat, "Formato de base de datos '" + file + "' no reconocido.");
  if (primary == SQLITE_FULL) Throw(3026, "No hay espacio suficiente en el disco para la base de datos '" + file + "'.");
  if (msg.starts_with("no such table: "))
    Throw(errc::kNoSuchTable, "El motor de base de datos no puede encontrar la tabla o consulta de entrada '" + msg.substr(15) + "'.");
  if (msg.find("syntax error") != std::string::npos || msg.starts_with("no such column"))
    Throw(errc::kSyntax, "Error en la instrucción SQL (" + msg + "): " + std::string(sql));
  Throw(errc::kEngine, "Error del motor de base de datos: " + msg);
}

}  // namespace detail
}  // namespace orvo::db
