// The start-up of the maintenance tools: no test for the database file (a
// missing file stops at the connection, through the run-time error boundary),
// and the tool's read-only shared recordsets. common::Ejecuta runs the tool.
//
//   int main(int argc, char** argv) {
//     return common::Ejecuta(argc, argv, Herramienta("Strayfix", 2, [](common::Entorno& e) {
//       return std::make_unique<Huerfanos>(e.bases, e.dialogs, e.runtime);
//     }));
//   }
#pragma once

#include <functional>
#include <memory>

#include "common/arranque.h"
#include "common/programa.h"
#include "platform/forms/dialogs.h"
#include "platform/forms/form.h"

namespace orvo::maintenance {

// The start-up of a tool with `recordsets` shared recordsets.
common::Arranque ArranqueDe(int recordsets);
void Arranca(common::Bases& bases, int recordsets, forms::Dialogs& dialogs);

// The tool `nombre` with its start-up and its window.
common::Programa Herramienta(const char* nombre, int recordsets,
                             std::function<std::unique_ptr<forms::Form>(common::Entorno&)> ventana);

}  // namespace orvo::maintenance
