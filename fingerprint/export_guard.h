// The C boundary of every export: one process-wide lock, so calls from
// several threads run one at a time, and no exception crosses into the
// caller (anything thrown reports 101).
#pragma once

#include <cstdint>
#include <mutex>

#include "fingerprint/engine_state.h"
#include "fingerprint/result_codes.h"

namespace huellix {

template <class Body>
std::int32_t Guarded(Body&& body) noexcept {
  try {
    std::lock_guard lock(EngineLock());
    return body();
  } catch (...) {
    return kOutOfMemory;
  }
}

// As Guarded, answering 1 without running the body when the engine is not
// initialised.
template <class Body>
std::int32_t GuardedInitialised(Body&& body) noexcept {
  return Guarded([&]() -> std::int32_t { return Engine().initialised ? body() : kNotInitialised; });
}

}  // namespace huellix
