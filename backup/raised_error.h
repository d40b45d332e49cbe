// A run-time error as the classes of the backup programs raise it: the
// platform's number and description, plus the source that raised it last.
//
//   try { ... } catch (...) { RaiseAgain("CGZipFiles::MakeZipFile"); }
//   // the same number and description, the new source
#pragma once

#include <string>
#include <string_view>

#include "platform/error.h"

namespace orvo::backup {

struct RaisedError : RuntimeError {
  RaisedError(int number, const std::string& description, std::string source)
      : RuntimeError(number, description), source(std::move(source)) {}
  std::string source;
};

// Raises the error being handled again under `source`. Only inside a catch.
// Errors that are not run-time errors take the numbers the forms runtime
// gives them (7 out of memory, 5 otherwise).
[[noreturn]] void RaiseAgain(std::string_view source);

}  // namespace orvo::backup
