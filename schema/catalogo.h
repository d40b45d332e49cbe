// The table catalogue of the main and the auxiliary database, as data: every
// column that a creator, an upgrade list or the auxiliary bulk build makes.
//
// The creators, the upgrade passes and the bulk build all read this one list,
// so a column's name, type, size, zero-length flag and default are written
// once. The order of the entries binds twice over: programs insert rows with
// a value list and no column list, and the upgrade lists are walked in order.
//
// One entry serves every list that makes the column with the same arguments;
// where two lists make it differently, each has an entry of its own. Example:
//
//   for (const Columna& c : Catalogo()) {
//     if (c.base != Base::Principal || c.tabla != "Bita_Cheq") continue;
//     if (c.listas & Actualizacion) { /* AgregaCampoTabla(..., c.nombre, CtipoDe(c.tipo), c.tam, ...) */ }
//   }
//   // Causa shows up twice: Text "250" (Creador) and Text "255" (Actualizacion).
//
// Edge cases the data carries:
//   - Columns that only an upgrade list holds (Personal.Fecha_Ingreso,
//     confTE.tmaxd, confTE.tmaxs, eliminados.Fecha_Ingreso) carry the
//     Actualizacion bit alone, so a table made in a run gets them next run.
//   - eliminados has no creator (creador ""): the archive makes it by copying
//     Personal; only its upgrade-list entry is here.
//   - Crea_planTurno makes planTurno and its four companion tables; the
//     companions carry creador "Crea_planTurno" and get no table test of their
//     own (TienePruebaPropia gives false): the main pass checks their lists
//     inside planTurno's present branch.
//   - Auxiliary Faltas.turno is made by its creator and the bulk build but is
//     not in the auxiliary upgrade list; auxiliary ChequeoExtra and
//     Extra_Det.cuando are not made by the bulk build.
#pragma once

#include <span>
#include <string_view>

namespace orvo::schema {

enum class Base { Principal, Auxiliar };
enum class Tipo { Text, Long, Integer, Memo, LongBinary, Date };

// Where a column entry is used; an entry may be used by several lists.
// Masivo is the auxiliary bulk build (Crea_Auxiliar).
enum Lista : unsigned { Creador = 1, Actualizacion = 2, Masivo = 4 };

// The `defa` values that are not a default number.
inline constexpr int kSinDefecto = -99;  // no default
inline constexpr int kDefectoNO = -97;   // the text "NO"

struct Columna {
  Base base;
  std::string_view tabla;   // exact stored spelling
  std::string_view nombre;  // exact spelling, letter case included
  Tipo tipo;
  std::string_view tam;     // Text size as decimal text ("10"); "" for other types
  bool zero;                // zero-length allowed (the zero flag -1)
  int defa;                 // kSinDefecto, kDefectoNO, or the integer default (0 or 1)
  unsigned listas;          // Lista bits
};

// Every entry: main tables in TablasPrincipal() order, then auxiliary tables
// in TablasAuxiliar() order; within a table, in creation order, with the
// upgrade-only columns after the creator's in their list's order.
std::span<const Columna> Catalogo();

struct Tabla {
  Base base;
  std::string_view nombre;
  std::string_view creador;  // "Crea_Checadas", "aCrea_Faltas"; "" when none
};

// The 34 tables of the main upgrade pass in its order (Empresarial first,
// personalRet last), then Listado1.
std::span<const Tabla> TablasPrincipal();

// The 15 auxiliary tables in the auxiliary upgrade pass's order
// (ChequeoExtra first, Cheq_Mod last).
std::span<const Tabla> TablasAuxiliar();

// The tables of one database, in its upgrade pass's order.
inline std::span<const Tabla> Tablas(Base base) {
  return base == Base::Principal ? TablasPrincipal() : TablasAuxiliar();
}

// Whether the upgrade pass tests the table for existence itself. False only
// for the four tables that Crea_planTurno makes besides planTurno.
bool TienePruebaPropia(const Tabla& tabla);

// The type name that the column adds take ("dbText", "dbLong", ...).
std::string_view CtipoDe(Tipo tipo);

}  // namespace orvo::schema
