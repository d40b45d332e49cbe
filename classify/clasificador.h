// The shift classification engine's entry: one punch (employee key, date text,
// time text) in, the slot it fills in the daily check record, an additional
// punch or a flexible-shift punch out, written to the main database.
//
// One call is one transaction: on any error nothing it wrote stays, and the
// error is thrown to the caller. Inside an outer transaction of the caller it
// nests as a savepoint.
//
//   orvo::classify::Resultado r =
//       orvo::classify::Busca_Empleado(bases, "17", "2024 03 01", "08:05:12");
//   // r.destino == Destino::C1, r.detalle == "ENTRADA 1"
//   // (a late entry: "ENTRADA 1 TARDE, retardo 00:17"; nothing written:
//   // Destino::Nada, "nada escrito: no existe el empleado 17")
//
// `bases` must be connected with at least eight recordsets (common::Inicia).
// Invocations on the same `bases` must not overlap.
#pragma once

#include <string>
#include <string_view>

#include "common/arranque.h"

namespace orvo::classify {

// What one invocation did, for the caller's report.
struct Resultado {
  enum class Destino {
    Nada,      // nothing written (no employee, no shift, unknown roll-over code...)
    C1,        // today's record created with the first entry
    C2,        // today's first exit (created, or filled in the existing record)
    C3,        // today's second entry (created, or filled in)
    C4,        // today's second exit (created, or filled in)
    C2Ayer,    // yesterday's first exit, filled in yesterday's record
    C3Ayer,    // yesterday's second entry, filled in yesterday's record
    C4Ayer,    // yesterday's second exit, filled in yesterday's record
    Extra,     // a ChequeoExtra row
    Flexible,  // a ChequeoF row
  } destino = Destino::Nada;
  std::string detalle;  // the slot's label, or why nothing was written
};

// One punch. Throws orvo::RuntimeError (after rolling back everything it
// wrote) on failure: an EnrollName that is not an integer, a shift time or
// tolerance that does not convert, a database error.
Resultado Busca_Empleado(common::Bases& bases, std::string_view EnrollName,
                         std::string_view Fecha, std::string_view Hora);

// The outcome's name as orvo-admin prints it ("C1", "C2 AYER", "EXTRA", ...).
std::string_view NombreDestino(Resultado::Destino destino);

}  // namespace orvo::classify
