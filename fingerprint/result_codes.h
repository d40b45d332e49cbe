// The engine's result codes, as every export returns them.
#pragma once

#include <cstdint>

namespace huellix {

enum ResultCode : std::int32_t {
  kOk = 0,
  kNotInitialised = 1,
  kOutOfMemory = 101,
  kCannotWriteFile = 102,
  // The database file did not read, or a template does not decode.
  kCannotRead = 103,
  kDatabaseFull = 201,
  kNotRegistered = 202,
  // Also identify's answer when no candidate reaches the threshold.
  kAlreadyRegistered = 203,
};

}  // namespace huellix
