// The run of every Orvo program: the application object (Qt's Spanish texts,
// the last run-time error boundary, Qt's own English notes kept off standard
// error), the program's boxes and its run-time error boundary, the connection
// start-up, then its one window until it is closed, and the exit status. Each
// main gives only what is its own.
//
//   int main(int argc, char** argv) {
//     return orvo::common::Ejecuta(argc, argv, {
//         .nombre = "Strayfix",
//         .arranque = Arranque{.pruebaArchivo = false, .recordsets = 2},
//         .ventana = [](Entorno& e) { return std::make_unique<Huerfanos>(e.bases, e.dialogs, e.runtime); }});
//   }
//
// Without `arranque` the program opens no connection (Linkset, Snapload). A
// start-up that fails shows its one error box and ends the program with its
// status; a missing main database (when the start-up tests for it) ends it
// with status 0 after its message. A window whose load unloads it or ends the
// program leaves nothing to run: the program then ends with the run's status.
// The start marker of the tools that need one is the window's own load
// (common::PruebaMarcador), since what a refusal leaves behind is the tool's.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "common/arranque.h"
#include "platform/forms/dialogs.h"
#include "platform/forms/form.h"
#include "platform/forms/runtime.h"

namespace orvo::common {

// What the shell has made, for the program's own steps.
struct Entorno {
  Bases& bases;
  forms::Dialogs& dialogs;
  forms::Runtime& runtime;
  bool desatendido = false;  // started with arguments: nobody may be there to click
};

struct Programa {
  std::string nombre = {};           // the executable's name, which titles its error boxes
  std::optional<Arranque> arranque = {};  // the connection start-up; none: no connection
  std::function<std::unique_ptr<forms::Form>(Entorno&)> ventana = {};
  // How the program ends, for what must go with it (a marker, a result
  // file); empty: forms::Runtime::DefaultEnd.
  forms::Runtime::EndFunction fin = {};
  // Inside the boundary, before the connection opens.
  std::function<void(Entorno&)> previo = {};
  // The start-up (`previo` or the connection) failed: runs before its box.
  std::function<void()> alFallarArranque = {};
  // A run with arguments where nobody sees the boxes writes its messages to
  // standard error instead (forms::StreamDialogs).
  bool avisosSinPantalla = false;
  // A run with arguments: instead of loading the window, this runs and the
  // program ends with the run's status.
  std::function<void(forms::Form&)> desatendida = {};
};

// The start-up inside the boundary, then the window, made but not loaded;
// none when the start-up ended the program or found no main database.
std::unique_ptr<forms::Form> Comienza(const Programa& programa, Entorno& entorno);

// The whole program; gives its exit status.
int Ejecuta(int argc, char** argv, const Programa& programa);

}  // namespace orvo::common
