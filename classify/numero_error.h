// Test helper: the number of the RuntimeError that running `hacer` raises,
// 0 when it raises none.
#pragma once

#include "platform/error.h"

namespace orvo::classify {

inline int Numero(const auto& hacer) {
  try {
    hacer();
  } catch (const RuntimeError& e) {
    return e.number;
  }
  return 0;
}

}  // namespace orvo::classify
