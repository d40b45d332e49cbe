// Test helper: diVovavav's re-queue in a second process, for the test that
// kills it part-way.
//
//   requeue_child DESDE HASTA [MARKER]
//
// Re-queues every employee's punches of the range; MARKER, when given, is
// made just before the re-queue starts. Exit status 0 when it ran whole.
#include <iostream>

#include "maintenance/programa.h"
#include "maintenance/reproceso.h"
#include "platform/error.h"
#include "platform/forms/scripted_dialogs.h"
#include "platform/testsupport/second_process.h"

int main(int argc, char** argv) {
  if (argc < 3) return 2;
  try {
    orvo::common::Bases bases;
    orvo::forms::ScriptedDialogs boxes;
    orvo::maintenance::Arranca(bases, 3, boxes);
    if (argc > 3) orvo::testing::Mark(argv[3]);
    orvo::maintenance::Reprocesa(bases.cn, {argv[1], argv[2], std::nullopt});
  } catch (const orvo::RuntimeError& e) {
    std::cerr << e.number << ": " << e.what() << "\n";
    return 1;
  }
  return 0;
}
