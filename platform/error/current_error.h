// The exception being handled, as the run time reports it: one number and one
// Spanish description, whatever part of the program or platform raised it.
// Every boundary that shows or passes on an error (the forms runtime's box,
// the backup classes, orvo-admin) converts here, so one failure reads the
// same on every path.
//
//   try { ... } catch (...) { const RuntimeError e = err::CurrentError(); Show(e.number, e.what()); }
//   try { ... } catch (...) { err::RaiseAgain("CGZipFiles::MakeZipFile"); }
//
//   orvo::RuntimeError             itself
//   std::filesystem_error          its run-time number and text with the path (file_error.h)
//   std::bad_alloc                 7 "Memoria insuficiente"
//   other std::exception           5 "Llamada a procedimiento o argumento no válidos (<what>)"
//   anything else                  5 "Llamada a procedimiento o argumento no válidos"
#pragma once

#include <exception>
#include <string>
#include <string_view>
#include <utility>

#include "platform/error.h"

namespace orvo::err {

RuntimeError ErrorOf(std::exception_ptr error);
// Only inside a catch block.
RuntimeError CurrentError();

// A run-time error as a class raises it: the number and description, plus
// the source that raised it last (what the class's caller reads as the
// error's source).
struct RaisedError : RuntimeError {
  RaisedError(int number, const std::string& description, std::string source)
      : RuntimeError(number, description), source(std::move(source)) {}
  std::string source;
};

// Raises the error being handled again under `source`. Only inside a catch.
[[noreturn]] void RaiseAgain(std::string_view source);

}  // namespace orvo::err
