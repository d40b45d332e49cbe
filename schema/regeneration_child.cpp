// Test helper: Varurarodi's run in a second process, its window on the
// offscreen platform and its boxes answered by script, for the test that kills
// a regeneration part-way.
//
//   regeneration_child [MARKER]
//
// MARKER, when given, is made just before the run starts. Exit status: the
// program's own (0 after a run that left nothing missing).
#include "platform/forms/application.h"
#include "platform/forms/runtime.h"
#include "platform/forms/scripted_dialogs.h"
#include "platform/testsupport/second_process.h"
#include "schema/regenera.h"

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  orvo::forms::Application app(argc, argv);
  orvo::forms::ScriptedDialogs dialogs;
  int status = -1;
  orvo::forms::Runtime runtime(dialogs, "Varurarodi", [&](int s) { status = s; });
  orvo::common::Bases bases;
  auto ventana = orvo::schema::Inicio(bases, dialogs, runtime);
  if (!ventana) return status < 0 ? 1 : status;
  if (argc > 1) orvo::testing::Mark(argv[1]);
  runtime.Guard([&] { ventana->Command5_Click(); });
  return status < 0 ? 1 : status;
}
