// SQLite's failures as the engine's own errors, numbered and worded as the
// Windows engine reported them.
#include <sqlite3.h>

#include <optional>
#include <string>
#include <string_view>

#include "platform/db/error.h"
#include "platform/db/session.h"

namespace orvo::db {

void Throw(int number, const std::string& description) { throw Error(number, description); }

void Throw(int number) { throw Error(number, std::string(err::Text(number))); }

namespace {
// Built piece by piece: GCC 12's Release build takes "'" + text + "'" for an
// overlapping copy and stops the build with warnings as errors.
std::string Quoted(std::string_view text) {
  std::string quoted;
  quoted.reserve(text.size() + 2);
  quoted += '\'';
  quoted += text;
  quoted += '\'';
  return quoted;
}
// What SQLite found wrong in a statement's text, in the engine's words;
// empty for a message that is not about the text.
std::string SqlProblem(const std::string& msg) {
  auto after = [&](std::string_view lead) { return msg.substr(lead.size()); };
  auto between = [&](std::string_view lead, std::string_view tail) -> std::optional<std::string> {
    if (!msg.starts_with(lead) || !msg.ends_with(tail) || msg.size() < lead.size() + tail.size()) return std::nullopt;
    return msg.substr(lead.size(), msg.size() - lead.size() - tail.size());
  };
  if (auto near = between("near \"", "\": syntax error")) return "error de sintaxis cerca de " + Quoted(*near);
  if (msg == "incomplete input") return "la instrucción está incompleta";
  if (msg.starts_with("unrecognized token: ")) return "símbolo no reconocido " + after("unrecognized token: ");
  if (msg.starts_with("no such column: ")) return "no existe la columna " + Quoted(after("no such column: "));
  if (msg.starts_with("ambiguous column name: "))
    return "el nombre de columna " + Quoted(after("ambiguous column name: ")) + " es ambiguo";
  if (msg.starts_with("no such function: ")) return "no existe la función " + Quoted(after("no such function: "));
  if (msg.starts_with("wrong number of arguments to function "))
    return "número de argumentos incorrecto en la función " + after("wrong number of arguments to function ");
  if (msg.starts_with("misuse of aggregate")) {
    const std::size_t colon = msg.find(": ");
    return "uso incorrecto de una función de agregado" + (colon == std::string::npos ? "" : " (" + msg.substr(colon + 2) + ")");
  }
  if (auto p = msg.find(" has no column named "); msg.starts_with("table ") && p != std::string::npos)
    return "la tabla " + Quoted(msg.substr(6, p - 6)) + " no tiene la columna " + Quoted(msg.substr(p + 21));
  // "1st ORDER BY term out of range - should be between 1 and 3", and GROUP BY's.
  for (std::string_view clause : {"ORDER BY", "GROUP BY"}) {
    const std::string middle = " " + std::string(clause) + " term out of range - should be between 1 and ";
    if (auto p = msg.find(middle); p != std::string::npos) {
      std::size_t digits = 0;
      while (digits < p && msg[digits] >= '0' && msg[digits] <= '9') ++digits;
      return "el término " + msg.substr(0, digits) + " de " + std::string(clause) +
             " está fuera del intervalo: debe estar entre 1 y " + msg.substr(p + middle.size());
    }
  }
  if (msg.find("syntax error") != std::string::npos) return "error de sintaxis";
  return {};
}

}  // namespace

Error ItemNotFound(std::string_view what, std::string_view name) {
  return Error(errc::kItemNotFound, "No se encontró " + std::string(what) + " " + Quoted(name) + " en esta colección.");
}

Error UnrecognizedFormat(std::string_view file) {
  return Error(errc::kUnrecognizedFormat, "Formato de base de datos " + Quoted(file) + " no reconocido.");
}

Error DatabaseExists(std::string_view path) {
  return Error(errc::kDatabaseExists, "La base de datos " + Quoted(path) + " ya existe.");
}

Error FileNotFound(std::string_view file) {
  return Error(errc::kFileNotFound, "No se encuentra el archivo " + Quoted(file) + ".");
}

Error FileInUse(std::string_view file) {
  return Error(errc::kFileInUse, "No se pudo usar " + Quoted(file) + "; el archivo está en uso por otro programa.");
}

Error Locked(std::string_view file) {
  return Error(errc::kLocked, "La base de datos " + Quoted(file) + " está en uso por otro programa.");
}

Error CannotRead(std::string_view file, std::string_view why) {
  return Error(errc::kCannotOpen, "No se puede abrir " + Quoted(file) + " para leerlo: " + std::string(why) + ".");
}

Error CannotUpdate(std::string_view file, std::string_view why) {
  return Error(errc::kCannotOpen, "No se puede actualizar " + Quoted(file) + ": " + std::string(why) + ".");
}

Error TypeMismatch(std::string_view why) {
  return Error(errc::kTypeMismatch, "No coinciden los tipos de datos: " + std::string(why) + ".");
}

Error EmptyStatement() { return Error(errc::kSyntax, "La instrucción SQL está vacía."); }

Error ParameterCountMismatch(std::string_view sql) {
  return Error(errc::kSyntax, "El número de parámetros no coincide con la instrucción SQL: " + std::string(sql));
}

Error NoDatabaseFile() { return Error(errc::kFileNotFound, "No se especificó el archivo de base de datos (DBQ)."); }

Error BadPath(std::string_view folder) { return Error(errc::kBadPath, Quoted(folder) + " no es una ruta válida."); }

Error CannotCreate(std::string_view path) {
  return Error(errc::kEngine, "No se pudo crear la base de datos " + Quoted(path) + ".");
}

Error PasswordNotSaved() { return Error(errc::kEngine, "No se pudo guardar la contraseña de la base de datos."); }

Error TableExists(std::string_view table) { return Error(errc::kTableExists, "La tabla " + Quoted(table) + " ya existe."); }

Error NoFields(std::string_view table) {
  return Error(errc::kNoFields, "No hay campos definidos; no se puede agregar la tabla " + Quoted(table) + ".");
}

Error InvalidOperationOnField(std::string_view field) {
  return Error(errc::kInvalidOperation, "Operación no válida para el campo " + Quoted(field) + ".");
}

Error FieldNotUpdatable(std::string_view field, std::string_view table) {
  return Error(errc::kFieldNotUpdatable,
               "No se puede actualizar el campo " + Quoted(field) + ": no es una columna de la tabla " + Quoted(table) + ".");
}

Error CopyInTransaction(std::string_view database) {
  return Error(errc::kInvalidOperation, "No se puede copiar la base de datos " + Quoted(database) + " durante una transacción.");
}

Error DamagedCopy(std::string_view database, std::string_view problem) {
  return Error(errc::kUnrecognizedFormat,
               "La copia de la base de datos " + Quoted(database) + " está dañada: " + std::string(problem) + ".");
}

Error DuplicateField(std::string_view field) {
  return Error(errc::kDuplicateField, "No se puede definir el campo " + Quoted(field) + " más de una vez.");
}

Error TypeMismatchInField(std::string_view column) {
  return Error(errc::kTypeMismatch, "No coinciden los tipos de datos en el campo " + Quoted(column) + ".");
}

Error UnreadableTable(std::string_view table) {
  return Error(errc::kEngine, "No se puede leer la definición de la tabla " + Quoted(table) + ".");
}

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
    if (kind == "type") throw TypeMismatchInField(column);
    // A rule of a table made outside the engine: its name, or its text when unnamed.
    Throw(errc::kValidationRule, "Uno o más valores no están permitidos por la regla de validación '" + name +
                                     "'. Escriba un valor que la expresión de este campo pueda aceptar.");
  }
  // The other constraints of such tables, and SQLite's own type rules, in
  // the engine's words: SQLite names the column after the last ": " or " column ".
  if (rc == SQLITE_CONSTRAINT_NOTNULL) {
    auto p = msg.rfind(": ");
    std::string column = p == std::string::npos ? "" : msg.substr(p + 2);
    Throw(errc::kRequired, "El campo '" + column +
                               "' no puede contener un valor nulo porque la propiedad Requerido de este campo está "
                               "establecida en Sí. Escriba un valor en este campo.");
  }
  if (rc == SQLITE_CONSTRAINT_DATATYPE || primary == SQLITE_MISMATCH) {
    auto p = msg.rfind(" column ");
    if (p != std::string::npos) throw TypeMismatchInField(msg.substr(p + 8));
    Throw(errc::kTypeMismatch, "No coinciden los tipos de datos en la expresión de criterios.");
  }
  // 'now' and the like in a column whose rule reads dates: SQLite will not
  // let a rule depend on the clock, so the value cannot be checked.
  if (msg.starts_with("non-deterministic use of "))
    throw TypeMismatch("el valor depende de la fecha actual (como 'now') y el campo guarda una fecha fija");
  if (rc == SQLITE_CONSTRAINT_FOREIGNKEY) Throw(errc::kRelatedRecord);
  if (rc == SQLITE_CONSTRAINT_UNIQUE || rc == SQLITE_CONSTRAINT_PRIMARYKEY) Throw(errc::kDuplicateValue);
  if (primary == SQLITE_BUSY || primary == SQLITE_LOCKED)
    throw Locked(file);
  if (primary == SQLITE_READONLY) Throw(errc::kReadOnly);
  if (primary == SQLITE_NOTADB || primary == SQLITE_CORRUPT)
    throw UnrecognizedFormat(file);
  if (primary == SQLITE_FULL) Throw(errc::kDiskFull, "No hay espacio suficiente en el disco para la base de datos '" + file + "'.");
  if (msg.starts_with("no such table: "))
    Throw(errc::kNoSuchTable, "El motor de base de datos no puede encontrar la tabla o consulta de entrada '" + msg.substr(15) + "'.");
  if (primary == SQLITE_TOOBIG) {
    const int limit = db ? sqlite3_limit(db, SQLITE_LIMIT_LENGTH, -1) : 1000000000;  // SQLite's own default
    Throw(errc::kEngine, "El valor es demasiado grande para la base de datos '" + file + "': no puede pasar de " +
                             std::to_string(limit) + " bytes.");
  }
  if (std::string problem = SqlProblem(msg); !problem.empty())
    Throw(errc::kSyntax, "Error en la instrucción SQL (" + problem + "): " + std::string(sql));
  Throw(errc::kEngine, "Error del motor de base de datos: " + msg);
}

}  // namespace detail
}  // namespace orvo::db
