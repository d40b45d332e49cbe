// The run-time error boundary and the end of a program. An error that no
// handler of the program traps stops at Guard: one critical message box with
// the error's number and description, titled with the program's title, and
// the program ends with status 1. Nothing escapes into Qt's event loop.
//
//   orvo::forms::Application app(argc, argv);   // the last boundary, at notify
//   orvo::forms::QtDialogs dialogs;
//   orvo::forms::Runtime runtime(dialogs, "pollimport");
//   runtime.Guard([&] { StartUp(); });              // may end before any window
//   if (runtime.Ended()) return runtime.Status();
//   return app.exec();
//
// Once the program has ended (an untrapped error or End), Guard runs no more
// bodies: events still queued when the event loop was told to stop do nothing.
// Tests pass an `end` that records the status instead of ending the process.
#pragma once

#include <exception>
#include <functional>
#include <string>
#include <string_view>

#include "platform/forms/dialogs.h"

namespace orvo::forms {

class Runtime {
 public:
  using EndFunction = std::function<void(int status)>;

  // `end` defaults to DefaultEnd.
  // The runtime made last is the program's: the application object's last
  // boundary reports through it.
  Runtime(Dialogs& dialogs, std::string title, EndFunction end = {});
  ~Runtime();
  Runtime(const Runtime&) = delete;
  Runtime& operator=(const Runtime&) = delete;

  // The program's own title: the title of the error box, and of the boxes that
  // the system shows with its default title.
  const std::string& Title() const { return title_; }

  // Runs a handler body. Whatever it throws shows as the error module makes
  // it (platform/error/current_error.h): a RuntimeError its own number and
  // description, an error of std::filesystem its run-time number with the
  // path, std::bad_alloc error 7, any other exception error 5.
  // Returns true when the body ran to its end; false when it failed or the
  // program had already ended (the body is then not run).
  bool Guard(const std::function<void()>& body);

  // The program's explicit end. Only the first end counts; the caller returns
  // from its handler after it.
  void End(int status = 0);

  // Shows the box of an exception that no handler trapped and ends the program.
  void Untrapped(std::exception_ptr error);

  // The program's runtime (the one made last still alive), or none.
  static Runtime* Current();

  bool Ended() const { return ended_; }
  int Status() const { return status_; }

  // The error box's text, in the platform's wording.
  static std::string ErrorText(int number, std::string_view description);

  // Leaves the running event loop with `status` (so exec() returns it), or,
  // with no event loop running, ends the process with std::exit.
  static void DefaultEnd(int status);

 private:
  void Untrapped(int number, std::string_view description);

  Dialogs& dialogs_;
  std::string title_;
  EndFunction end_;
  bool ended_ = false;
  int status_ = 0;
  Runtime* previous_ = nullptr;
};

}  // namespace orvo::forms
