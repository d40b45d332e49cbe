// Program start, the program's own command line, and Sleep.
//
//   auto child = orvo::process::Start(folder / "Snapmake", {"1"});   // does not wait
//   while (!std::filesystem::exists(folder / "crtd") && child.Running()) Sleep(50ms);
//
//   int main(int argc, char** argv) {
//     orvo::process::SetCommandLine(argc, argv);
//     bool unattended = !orvo::process::CommandLine().empty();
//
// A Child reaps its process: once it has ended, by Running or Wait; when the
// Child is dropped while the process still runs, a background waiter reaps it
// when it ends, so no zombie is left behind either way.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace orvo::process {

class Child {
 public:
  explicit Child(pid_t pid) : pid_(pid) {}
  Child(Child&& other) noexcept;
  Child& operator=(Child&& other) noexcept;
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;
  ~Child();

  pid_t Pid() const { return pid_; }

  // Whether the process still runs; reaps it when it has ended.
  bool Running();

  // The exit status once the process has ended within `timeout`; nullopt if it
  // still runs. A process killed by signal n reports 128 + n, as shells do.
  std::optional<int> Wait(std::chrono::milliseconds timeout);

 private:
  bool Reap(bool block);
  void Release();

  pid_t pid_ = -1;
  std::optional<int> status_;
};

struct StartOptions {
  // The program leads a process group of its own (its id is the program's),
  // so that it can be ended together with whatever it starts in turn.
  bool ownProcessGroup = false;
  // Variables ("NAME=value") the program gets besides the current
  // environment, replacing any of the same name.
  std::vector<std::string> environment;
};

// Starts `program` with `args` (argv[0] is the program's path) in the current
// environment and returns without waiting. The arguments reach the program as
// they are, with no shell in between. Throws orvo::RuntimeError 53 when the
// program file does not exist, 70 when it may not be run, 5 for other refusals.
Child Start(const std::filesystem::path& program, const std::vector<std::string>& args,
            const StartOptions& options = {});

// The program's own arguments, without its name. main passes them with
// SetCommandLine; until it does, they are read from /proc/self/cmdline.
void SetCommandLine(int argc, const char* const* argv);
std::vector<std::string> CommandLine();

// Blocks the calling thread; window events wait until it returns.
void Sleep(std::chrono::milliseconds duration);

}  // namespace orvo::process
