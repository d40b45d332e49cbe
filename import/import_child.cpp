// Test helper: a second importer process. Loads a punch file into the main
// database of drive C: as the window's send does (the whole file read and
// checked, then one load), for the kill and concurrency tests.
//
//   import_child poleo|usb FILE [MARKER]
//
// MARKER, when given, is made once the load has written its first punch.
// Exit status 0 when the file went in whole; 1 with the error's number and
// text on standard error when the load failed; 2 for a file that did not read.
#include <iostream>
#include <string>

#include "import/archivo_poleo.h"
#include "import/archivo_usb.h"
#include "import/carga.h"
#include "import/programa.h"
#include "common/texto_externo.h"
#include "platform/error.h"
#include "platform/forms/scripted_dialogs.h"
#include "platform/testsupport/second_process.h"

int main(int argc, char** argv) {
  using namespace orvo::importer;
  if (argc < 3) return 2;
  const bool usb = std::string(argv[1]) == "usb";
  const std::string marker = argc > 3 ? argv[3] : "";
  try {
    orvo::common::Bases bases;
    orvo::forms::ScriptedDialogs boxes;
    if (!Arranca(bases, boxes)) return 2;
    const auto bytes = orvo::common::LeeArchivo(argv[2]);
    if (!bytes) return 2;
    const orvo::common::Lectura lectura = usb ? LeeUsb(*bytes) : LeePoleo(*bytes);
    if (lectura.error) return 2;
    bool marked = false;
    const Avance avance{[&](std::string_view) {
                          if (!marked && !marker.empty()) orvo::testing::Mark(marker);
                          marked = true;
                        },
                        std::chrono::milliseconds{0}};
    if (usb)
      CargaUsb(bases, lectura.checadas, avance);
    else
      CargaPoleo(bases, lectura.checadas, avance);
  } catch (const orvo::RuntimeError& e) {
    std::cerr << e.number << ": " << e.what() << "\n";
    return 1;
  }
  return 0;
}
