// The run of the maintenance tools: start-up without the test for the
// database file (a missing file stops at the connection, through the run-time
// error boundary), the program's read-only shared recordsets, then its one
// window until it is closed.
//
//   int main(int argc, char** argv) {
//     return Programa(argc, argv, "Strayfix", 2, [](auto& b, auto& d, auto& r) {
//       return std::make_unique<Huerfanos>(b, d, r);
//     });
//   }
#pragma once

#include <functional>
#include <memory>

#include "common/arranque.h"
#include "platform/forms/dialogs.h"
#include "platform/forms/form.h"
#include "platform/forms/runtime.h"

namespace orvo::maintenance {

using HazVentana =
    std::function<std::unique_ptr<forms::Form>(common::Bases&, forms::Dialogs&, forms::Runtime&)>;

// The start-up of the tool with `recordsets` shared recordsets.
void Arranca(common::Bases& bases, int recordsets, forms::Dialogs& dialogs);

// The whole program; gives its exit status.
int Programa(int argc, char** argv, const char* nombre, int recordsets, const HazVentana& ventana);

}  // namespace orvo::maintenance
