// The re-queue of archived punches: the results of a range of days are
// deleted and the range's punches are copied from the archive Listado1 back
// into the queue Checadas, for every employee or for one.
//
//   auto desde = FechaMasAntigua(cn);                  // "" with an empty archive
//   Reprocesa(cn, {"2015 01 01", "2015 12 31"});       // every employee
//   Reprocesa(cn, {"2015 01 01", "2015 12 31", Empleado{.id = 7, .numero = 125}}, true);
//
// The whole run is one transaction, and it runs as statements on the
// database: the archive holds millions of punches, and none of them is read
// into memory. A range (or an employee's range) without archived punches
// deletes nothing, since its results could not be made again.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/db/connection.h"

namespace orvo::maintenance {

// An employee's two keys: Personal.Id keys the results, the employee number
// (Personal.No_Empleado read as a number) keys the queue, the archive and
// Huerfanos.
struct Empleado {
  std::int64_t id = 0;
  std::int64_t numero = 0;
};

struct Rango {
  std::string desde;  // date text "yyyy mm dd", both ends inclusive
  std::string hasta;
  std::optional<Empleado> empleado;  // none: every employee
};

// The date of the first archived punch in date order; empty when Listado1
// holds no dated punch.
std::string FechaMasAntigua(db::Connection& cn);

// False when the range holds no archived punch (of the employee): then
// nothing has changed. Otherwise the range's Chequeo, ChequeoF, ChequeoExtra
// and Huerfanos rows (of the employee) are gone, so are its Checadas rows
// (every employee's; one employee's only when `eliminarNoProcesadas`), and the
// archived punches are queued after what stays, in date and time order.
// Huerfanos may be missing: it then holds nothing to delete.
bool Reprocesa(db::Connection& cn, const Rango& rango, bool eliminarNoProcesadas = false);

}  // namespace orvo::maintenance
