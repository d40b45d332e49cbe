// The error being handled, as the run time reports it: a number and a
// Spanish description, whatever part of the program or platform raised it.
//
//   try { ... } catch (...) { const RuntimeError e = FallaActual(); show(e.number, e.what()); }
#pragma once

#include "platform/error.h"

namespace orvo::respaldo {

// Only inside a catch block.
RuntimeError FallaActual();

}  // namespace orvo::respaldo
