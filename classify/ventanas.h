// The pure core of the shift classification: the minute windows of a shift's
// slots, and which slot a punch fills, for the four kinds of punch (the day's
// first after a same-day shift, a later one, and the first after a shift that
// crossed midnight after its first or its second entry). No database here: the
// caller reads the rows, asks the core, and writes what the slot says.
//
// Windows include both bounds and are tested in order, so where two overlap
// the later one wins. Bounds are kept as computed, below 0 or past 1439 too;
// -1 in both arrays marks a window that is not set.
//
//   Ventanas v;
//   Turno t{.Entrada1 = "08:00", .Salida1 = "13:00", .Entrada2 = "15:00", .Salida2 = "19:00",
//           .CambioD = "0", .TolAE1 = "30", .TolDE1 = "10", .TolAS1 = "15",
//           .TolAE2 = "20", .TolDE2 = "5", .TolAS2 = "15"};
//   v.Primera(t, "08:31:00");   // Ranura::Entrada1Tarde; v.Lim_Inferior[2] == 491
//   v.Primera(t, "13:02:00");   // Ranura::Salida1 (between the segments)
//   v.Primera(t, "07:00:00");   // Ranura::Adicional
//   t.CambioD = "3";
//   v.Primera(t, "08:05:00");   // Ranura::Nada: nothing is written
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "classify/minutos.h"

namespace orvo::classify {

// A slot of the day's shift, or what happens to a punch that fills none.
enum class Ranura {
  Nada,               // the shift's shape is not one the classifier knows: write nothing
  Adicional,          // " CHECADA ADICIONAL": a ChequeoExtra row
  Entrada1,           // today's record
  Entrada1Tarde,
  Entrada2,
  Entrada2Tarde,
  Salida1,
  Salida2,
  Salida1Ayer,        // yesterday's record
  Entrada2Ayer,
  Entrada2AyerTarde,
  Salida2Ayer,
};

// The slot's label, with its leading blank (" ENTRADA 1 TARDE"); empty for Nada.
std::string_view Etiqueta(Ranura r);

// The twelve values a classifier receives, in the order it receives them.
struct Turno {
  std::string Entrada1, Salida1, Entrada2, Salida2;  // "hh:mm"; "00:00": no segment
  std::string Tolerancia;                            // passed along, never read
  std::string CambioD;                               // today's roll-over code text
  std::string TolAE1, TolDE1, TolAS1, TolAE2, TolDE2, TolAS2;  // whole minutes

  // What a day without a shift row passes: "00:00" four times, "0" eight times.
  static Turno SinTurno();
};

// A column of yesterday's shift or tolerance row as read: the row may be
// missing and the value may be Null, and each fails only when it is used.
struct Celda {
  bool fila = true;
  std::optional<std::string> valor;

  static Celda SinFila() { return {false, std::nullopt}; }
  // The value, Null included; throws 3021 when there is no row.
  const std::optional<std::string>& Valor() const;
  // The text; throws 3021 without a row and 94 on Null.
  const std::string& Lee() const;
};

// What the first punch after a shift that crossed midnight needs of yesterday.
struct Ayer {
  Celda HS1, HE2, HS2;          // yesterday's Turnos row
  Celda TAS1, TAE2, TDE2, TAS2; // yesterday's Turnos_Tol row
};

// The columns of the day's existing record that a later punch may fill; only
// exactly "-" counts as not punched (Null is read as the empty text).
struct Registro {
  std::string C2, C3, C4;
};

// The window arrays of one classification and the four classifiers over them.
// Each classifier sets to -1 the entries it owns before it builds its windows.
class Ventanas {
 public:
  Ventanas();

  // The first punch of a day after a shift that stayed within its day.
  Ranura Primera(const Turno& t, std::string_view Hora);
  // A later punch: a slot whose column is already punched gives Adicional.
  Ranura Demas(const Turno& t, std::string_view Hora, const Registro& hoy);
  // The first punch of a day after a shift that crossed midnight after its
  // first entry: yesterday's four late slots, then today's entries.
  Ranura Primera_Roll(const Turno& t, const Ayer& y, std::string_view Hora);
  // The same after a shift that crossed midnight after its second entry: only
  // yesterday's second exit, then today's entries.
  Ranura Primera_Roll2(const Turno& t, const Ayer& y, std::string_view Hora);

  // Window k's bounds, k = 1 to 8.
  std::array<Minutos, 9> Lim_Inferior;
  std::array<Minutos, 9> Lim_Superior;

 private:
  struct Plan;
  void Reinicia(int hasta);
  // Builds the plan's windows into entries 1..n and gives the index of the
  // last window that holds the punch minute, or -1.
  int Elige(const Plan& plan, const Turno& t, const Ayer* y, std::string_view Hora);
};

}  // namespace orvo::classify
