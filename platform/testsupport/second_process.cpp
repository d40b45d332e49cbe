#include "platform/testsupport/second_process.h"

#include <signal.h>

#include <fstream>
#include <system_error>
#include <thread>

namespace orvo::testing {

void Mark(const std::filesystem::path& marker) { std::ofstream{marker}; }

int KillAtMarker(process::Child& child, const std::filesystem::path& marker, std::chrono::milliseconds after) {
  std::error_code ec;
  while (!std::filesystem::exists(marker, ec) && child.Running())
    std::this_thread::sleep_for(std::chrono::microseconds{200});
  if (after.count() > 0) std::this_thread::sleep_for(after);
  if (child.Running()) kill(child.Pid(), SIGKILL);
  const auto status = child.Wait(std::chrono::minutes{1});
  std::filesystem::remove(marker, ec);
  return status.value_or(-1);
}

int WaitForEnd(process::Child& child) {
  if (const auto status = child.Wait(std::chrono::minutes{2})) return *status;
  kill(child.Pid(), SIGKILL);
  child.Wait(std::chrono::minutes{1});
  return -1;
}

}  // namespace orvo::testing
