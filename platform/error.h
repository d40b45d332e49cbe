// The one error type that every platform stand-in throws: a number and a
// description, as the Windows platform reported its run-time errors.
#pragma once

#include <stdexcept>
#include <string>

namespace orvo {

struct RuntimeError : std::runtime_error {
  RuntimeError(int number, const std::string& description)
      : std::runtime_error(description), number(number) {}
  int number;
};

}  // namespace orvo
