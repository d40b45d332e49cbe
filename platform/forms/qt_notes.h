// Qt's own notes (debug, info and warnings, in English: a missing runtime
// folder, what a platform plugin does not support) kept off standard error,
// where a scheduled run's mail must carry the program's own messages alone.
//
//   forms::SilenceQtNotes();            // before the application is made
//   forms::Application app(argc, argv);
#pragma once

namespace orvo::forms {

// From now on Qt's debug, info and warning messages are dropped; critical and
// fatal ones still go where Qt sends them, as they tell why a program stops.
// What the program writes itself (std::cerr) is not Qt's and is untouched.
void SilenceQtNotes();

}  // namespace orvo::forms
