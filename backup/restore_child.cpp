// Test helper: the restore of one backup set in a second process, for the
// test that kills it part-way.
//
//   restore_child QR1_ddmmyy_hhmmss.ZIP [MARKER]
//
// Prepares the set (extraction and checks), makes MARKER when given, then
// puts the set in place. Exit status 0 when the restore completed.
#include <iostream>

#include "backup/restauracion.h"
#include "platform/error.h"
#include "platform/forms/scripted_dialogs.h"
#include "platform/testsupport/second_process.h"

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  try {
    orvo::forms::ScriptedDialogs boxes;
    orvo::respaldo::Restauracion restauracion(argv[1]);
    restauracion.Prepara(boxes, "Snapload");
    if (argc > 2) orvo::testing::Mark(argv[2]);
    restauracion.Coloca();
  } catch (const orvo::RuntimeError& e) {
    std::cerr << e.number << ": " << e.what() << "\n";
    return 1;
  }
  return 0;
}
