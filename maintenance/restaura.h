// The return of set-aside punches: a punch in Huerfanos whose employee number
// is now registered in Personal goes back to the queue Checadas and leaves
// Huerfanos; the punches of numbers still unregistered stay.
//
//   if (Restaura(bases.cn, bases.Rs(1), bases.Rs(2))) ... // "ReAsignación de chequeos finalizada"
//
// Punches are taken in date, then employee number order, a bounded piece at a
// time, so a large Huerfanos is never held in memory. Each punch moves whole:
// its insert into the queue and the delete of that very row (by rowid) commit
// together, so a punch is never in both tables nor lost, and of two identical
// rows each moves once. A punch without employee number stays.
#pragma once

#include "platform/db/connection.h"
#include "platform/db/recordset.h"

namespace orvo::maintenance {

// False, with nothing changed, when no table is named exactly "Huerfanos".
// `huerfanos` holds each piece of Huerfanos, `personal` each employee lookup.
bool Restaura(db::Connection& cn, db::Recordset& huerfanos, db::Recordset& personal);

}  // namespace orvo::maintenance
