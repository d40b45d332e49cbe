#include "platform/testsupport/child.h"

#include <signal.h>
#include <sys/wait.h>

#include <chrono>

namespace orvo::testing {

Child& Child::operator=(Child&& other) noexcept {
  if (this != &other) {
    End();
    process::Child::operator=(std::move(other));
  }
  return *this;
}

Child::~Child() { End(); }

void Child::End() {
  if (Pid() <= 0) return;
  // The whole group, also when the program itself has ended: what it started
  // may still run. Only while the program is not reaped, though: until then
  // its id cannot be another's, nor the group's id another group's.
  siginfo_t info{};
  if (::waitid(P_PID, static_cast<id_t>(Pid()), &info, WEXITED | WNOHANG | WNOWAIT) == 0) ::kill(-Pid(), SIGKILL);
  Wait(std::chrono::minutes(1));
}

Child Start(const std::filesystem::path& program, const std::vector<std::string>& args) {
  return Child(process::Start(program, args, {.ownProcessGroup = true, .environment = {}}));
}

}  // namespace orvo::testing
