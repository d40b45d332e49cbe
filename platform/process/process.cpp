#include "platform/process/process.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <fstream>
#include <iterator>
#include <mutex>
#include <string_view>
#include <thread>
#include <utility>

#include "platform/error.h"
#include "platform/error/file_error.h"

extern char** environ;

namespace orvo::process {
namespace {

int ExitStatus(int status) {
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return status;
}

std::mutex commandLineMutex;
std::optional<std::vector<std::string>> commandLine;

std::vector<std::string> ProcCommandLine() {
  std::ifstream in("/proc/self/cmdline", std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  // Each argument ends with a NUL, so an empty argument is two NULs in a row.
  std::vector<std::string> words;
  std::string::size_type start = 0;
  while (start < bytes.size()) {
    auto end = bytes.find('\0', start);
    if (end == std::string::npos) end = bytes.size();
    words.push_back(bytes.substr(start, end - start));
    start = end + 1;
  }
  if (!words.empty()) words.erase(words.begin());
  return words;
}

}  // namespace

Child::Child(Child&& other) noexcept
    : pid_(std::exchange(other.pid_, -1)), status_(std::move(other.status_)) {}

Child& Child::operator=(Child&& other) noexcept {
  if (this != &other) {
    Release();
    pid_ = std::exchange(other.pid_, -1);
    status_ = std::move(other.status_);
  }
  return *this;
}

Child::~Child() { Release(); }

void Child::Release() {
  if (pid_ <= 0 || status_ || Reap(false)) return;
  // Still running: somebody must collect its status when it ends.
  std::thread([pid = pid_] {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
  }).detach();
}

bool Child::Reap(bool block) {
  if (status_) return true;
  if (pid_ <= 0) return false;
  int status = 0;
  pid_t r;
  do {
    r = waitpid(pid_, &status, block ? 0 : WNOHANG);
  } while (r < 0 && errno == EINTR);
  if (r == pid_) {
    status_ = ExitStatus(status);
    return true;
  }
  if (r < 0) {
    // Not our child any more (reaped elsewhere): it has ended, status unknown.
    status_ = -1;
    return true;
  }
  return false;
}

bool Child::Running() { return !Reap(false); }

std::optional<int> Child::Wait(std::chrono::milliseconds timeout) {
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + timeout;
  auto pause = std::chrono::milliseconds(1);
  while (!Reap(false)) {
    const auto now = Clock::now();
    if (now >= deadline) return std::nullopt;
    std::this_thread::sleep_for(
        std::min<Clock::duration>(pause, deadline - now));
    pause = std::min(pause * 2, std::chrono::milliseconds(20));
  }
  return status_;
}

Child Start(const std::filesystem::path& program, const std::vector<std::string>& args,
            const StartOptions& options) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(program, ec)) throw err::FileNotFound(program.string());
  std::vector<std::string> words;
  words.reserve(args.size() + 1);
  words.push_back(program.string());
  words.insert(words.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (auto& w : words) argv.push_back(w.data());
  argv.push_back(nullptr);

  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  if (options.ownProcessGroup) {
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attributes, 0);
  }
  std::vector<char*> envp;
  for (char** e = environ; *e != nullptr; ++e) {
    const std::string_view entry(*e);
    const bool replaced = std::any_of(options.environment.begin(), options.environment.end(), [&](const std::string& v) {
      const auto eq = v.find('=');
      return eq != std::string::npos && entry.size() > eq && entry.substr(0, eq + 1) == std::string_view(v).substr(0, eq + 1);
    });
    if (!replaced) envp.push_back(*e);
  }
  std::vector<std::string> extra = options.environment;
  for (auto& v : extra) envp.push_back(v.data());
  envp.push_back(nullptr);
  pid_t pid = -1;
  const int error = posix_spawn(&pid, words[0].c_str(), nullptr, &attributes, argv.data(), envp.data());
  posix_spawnattr_destroy(&attributes);
  if (error == 0) return Child(pid);
  // The program was there a moment ago: gone now, it is still the file that is missing.
  if (error == ENOENT) throw err::FileNotFound(program.string());
  throw err::FileError(error, program);
}

void SetCommandLine(int argc, const char* const* argv) {
  std::vector<std::string> words;
  for (int i = 1; i < argc; ++i) words.emplace_back(argv[i]);
  std::lock_guard lock(commandLineMutex);
  commandLine = std::move(words);
}

std::vector<std::string> CommandLine() {
  {
    std::lock_guard lock(commandLineMutex);
    if (commandLine) return *commandLine;
  }
  return ProcCommandLine();
}

void Sleep(std::chrono::milliseconds duration) {
  if (duration > std::chrono::milliseconds::zero()) std::this_thread::sleep_for(duration);
}

}  // namespace orvo::process
