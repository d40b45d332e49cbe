// Test support: a program that a test starts, in a process group of its own,
// ended with everything it started in turn (SIGKILL to the group) when the
// test lets go of it: a failed assertion, an exception or a time-out of the
// test's own wait never leaves a process behind that still holds the test
// runner's output, or a file the next test uses.
//
//   auto hijo = orvo::testing::Start(programa, {"1"});
//   ASSERT_EQ(hijo.Wait(std::chrono::minutes(2)), 0);   // on failure the group is ended here
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "platform/process/process.h"

namespace orvo::testing {

class Child : public process::Child {
 public:
  explicit Child(process::Child child) : process::Child(std::move(child)) {}
  Child(Child&&) noexcept = default;
  Child& operator=(Child&& other) noexcept;
  ~Child();

  // Ends the process group now (SIGKILL) unless the program has ended and
  // been reaped already, and reaps it.
  void End();
};

Child Start(const std::filesystem::path& program, const std::vector<std::string>& args);

}  // namespace orvo::testing
