// Test support: the run-time error a call throws, for tests that check its
// number and words.
//
//   auto e = orvo::testing::ErrorOf([&] { cn.Execute("DROP TABLE x; DROP TABLE y"); });
//   ASSERT_TRUE(e);
//   EXPECT_EQ(e->number, 3142);
#pragma once

#include <functional>
#include <optional>

#include "platform/error.h"

namespace orvo::testing {

// The orvo::RuntimeError that `call` throws; none when it returns.
inline std::optional<RuntimeError> ErrorOf(const std::function<void()>& call) {
  try {
    call();
  } catch (const RuntimeError& e) {
    return e;
  }
  return std::nullopt;
}

}  // namespace orvo::testing
