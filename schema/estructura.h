// The schema helpers of the regeneration window: table and column tests, the
// column add, the table creators and the auxiliary bulk build.
//
// Every call opens its database, works and closes it; none keeps a file open.
// Tests answer false on any failure, and the column add and the creators skip
// each failing step and report nothing, so a pass over hundreds of checks goes
// on whatever it meets. The bulk build alone lets its errors through.
//
// Names are compared with letter case here while the engine finds them without
// it, so "personal" is not the table "Personal":
//
//   tableExists(kBasePrincipal, "Personal");                      // true
//   tableExists(kBasePrincipal, "personal");                      // false
//   AgregaCampoTabla(kBasePrincipal, "Personal", "Fecha_Ingreso", "dbText", "10", -1, -99);
//   Crea("Crea_Checadas");                                        // nothing if it exists
#pragma once

#include <cstdint>
#include <string_view>

#include "common/arranque.h"
#include "platform/db/database.h"
#include "schema/catalogo.h"

namespace orvo::schema {

using common::kBaseAuxiliar;
using common::kBasePrincipal;
using common::kConectaPrincipal;
inline constexpr const char* kLocale = ";LANGID=0x0409;CP=1252;COUNTRY=0";

// Main database (with its password).
bool tableExists(std::string_view DatabaseName, std::string_view tabla);
bool FieldExists(std::string_view DatabaseName, std::string_view TableName, std::string_view FieldName);
void AgregaCampoTabla(std::string_view NomBas, std::string_view tabla, std::string_view campo, std::string_view Ctipo,
                      std::string_view Ctam, std::int16_t zero, std::int16_t defa);

// Auxiliary database (no password; no "NO" default: -97 is the number -97).
bool atableExists(std::string_view DatabaseName, std::string_view tabla);
bool aFieldExists(std::string_view DatabaseName, std::string_view TableName, std::string_view FieldName);
void aAgregaCampoTabla(std::string_view NomBas, std::string_view tabla, std::string_view campo, std::string_view Ctipo,
                       std::string_view Ctam, std::int16_t zero, std::int16_t defa);

// Runs the creator of that name ("Crea_Personal", "aCrea_Faltas",
// "Crea_planTurno"...), at the fixed path of its database. A name that is no
// creator does nothing.
void Crea(std::string_view creador);

// The engine's definition of a catalogue column.
db::Field CampoDe(const Columna& c);

// Makes a new auxiliary file at NomBas with the fourteen tables of the bulk
// build. Fails (and leaves it untouched) when a file is there.
void Crea_Auxiliar(std::string_view NomBas);

}  // namespace orvo::schema
