// Interim stand-in until the engine branch lands its in-use test.
#pragma once

#include <string_view>

namespace orvo::db {

class ExclusiveUse {
 public:
  explicit ExclusiveUse(std::string_view) {}
  bool Taken() const { return true; }
};

}  // namespace orvo::db
