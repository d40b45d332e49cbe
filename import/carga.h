// Puts the punches of one file into the main database: every punch into the
// permanent archive `Listado1` and, as each format's program does, into the
// queue `Checadas`. A file goes in whole or not at all: one transaction holds
// all its rows, and any error rolls every one of them back before it goes up
// to the caller.
//
//   Avance avance{[&](std::string_view estado) { label->setText(...); DoEvents(); }};
//   Resumen r = CargaPoleo(bases, lectura.checadas, avance);
//
// Poll file: each punch is archived, then its employee is looked up on the
// first shared recordset with the system's own query, and only a registered,
// active employee's punch is queued. The number is compared as text with
// `No_Empleado`, so an employee stored as "00125" is not found for 125.
// USB file: each punch is queued, then archived; no lookup (common::CargaChecadas).
// Values always travel as bound parameters: a quote in a field is stored as is.
#pragma once

#include <chrono>
#include <functional>
#include <span>
#include <string>
#include <string_view>

#include "common/arranque.h"
#include "common/checada.h"

namespace orvo::importer {

inline constexpr std::string_view kNoDadoDeAlta = "Empleado NO DADO DE ALTA";

// Tells the caller where a long load is, at most once per `intervalo` (and at
// the first punch), so a window can show it and handle its events without
// spending the load on redrawing. `estado` is what the status line shows for
// the current punch: the employee's name or kNoDadoDeAlta; empty for a USB
// file, whose load shows nothing.
struct Avance {
  std::function<void(std::string_view estado)> aviso;
  std::chrono::milliseconds intervalo{40};
};

struct Resumen {
  long archivadas = 0;  // rows written into Listado1
  long encoladas = 0;   // rows written into Checadas
  long sinAlta = 0;     // punches whose employee was not found registered and active
};

// `bases` must be connected with its first recordset bound (common::Inicia);
// that recordset is left open on the last lookup.
Resumen CargaPoleo(common::Bases& bases, std::span<const common::Checada> checadas, const Avance& avance = {});
Resumen CargaUsb(common::Bases& bases, std::span<const common::Checada> checadas, const Avance& avance = {});

// The name as the status line shows it: Nombre, A_Paterno and A_Materno
// joined by blanks, a Null part as the empty text.
std::string NombreCompleto(const db::Recordset& personal);

}  // namespace orvo::importer
