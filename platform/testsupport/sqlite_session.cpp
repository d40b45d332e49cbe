#include "platform/testsupport/sqlite_session.h"

#include <fcntl.h>
#include <stdlib.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <stdexcept>
#include <thread>

#include "platform/testsupport/commands.h"
#include "platform/testsupport/temp_drive.h"

namespace orvo::testing {
namespace fs = std::filesystem;
using namespace std::chrono_literals;

SqliteSession::SqliteSession(const fs::path& database) {
  std::string pattern = (fs::temp_directory_path() / "orvo-sqlite-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  folder_ = pattern;
  const fs::path pipe = folder_ / "entrada";
  fs::remove(pipe);
  if (::mkfifo(pipe.c_str(), 0600) != 0) throw std::runtime_error("mkfifo failed");
  // The shell opens the pipe and the output, then becomes sqlite3 itself, so
  // the one process to end is the session.
  child_.emplace(Start("/bin/sh", {"-c", "exec sqlite3 -batch " + Quote(database) + " < " + Quote(pipe) +
                                                      " > " + Quote(folder_ / "salida") + " 2>&1"}));
  // Opening for writing waits for the reader: the session has started.
  input_ = ::open(pipe.c_str(), O_WRONLY | O_CLOEXEC);
  if (input_ < 0) throw std::runtime_error("the sqlite3 session did not start");
}

SqliteSession::~SqliteSession() {
  if (input_ >= 0) ::close(input_);
  if (child_ && !child_->Wait(5s)) {
    ::kill(child_->Pid(), SIGKILL);
    child_->Wait(5s);
  }
  std::error_code ec;
  fs::remove_all(folder_, ec);
}

void SqliteSession::Send(const std::string& line) {
  const std::string marker = "fin " + std::to_string(++sent_);
  const std::string text = line + "\n.print '" + marker + "'\n";
  if (::write(input_, text.data(), text.size()) != static_cast<ssize_t>(text.size()))
    throw std::runtime_error("the sqlite3 session does not read");
  const auto deadline = std::chrono::steady_clock::now() + 30s;
  while (Output().find(marker + "\n") == std::string::npos) {
    if (std::chrono::steady_clock::now() > deadline || !child_->Running())
      throw std::runtime_error("the sqlite3 session did not run: " + line + "\n" + Output());
    std::this_thread::sleep_for(10ms);
  }
}

int SqliteSession::End() {
  if (input_ >= 0) ::close(input_);
  input_ = -1;
  const auto status = child_->Wait(30s);
  return status.value_or(-1);
}

std::string SqliteSession::Output() const {
  std::error_code ec;
  return fs::exists(folder_ / "salida", ec) ? ReadFile(folder_ / "salida") : std::string();
}

void EmptyIndex(const fs::path& database, const std::string& index) {
  std::string out;
  if (RunCommand("sqlite3 " + Quote(database) + " 'PRAGMA page_size' \"SELECT rootpage FROM sqlite_master WHERE name = '" +
                     index + "'\"",
                 &out) != 0)
    throw std::runtime_error("sqlite3 failed: " + out);
  const std::size_t line = out.find('\n');
  const long pageSize = std::stol(out.substr(0, line));
  const long root = std::stol(out.substr(line + 1));
  const unsigned char leaf[8] = {0x0A, 0, 0, 0, 0, static_cast<unsigned char>((pageSize >> 8) & 0xff),
                                 static_cast<unsigned char>(pageSize & 0xff), 0};
  const int fd = ::open(database.c_str(), O_WRONLY | O_CLOEXEC);
  if (fd < 0 || ::pwrite(fd, leaf, sizeof leaf, (root - 1) * pageSize) != static_cast<ssize_t>(sizeof leaf))
    throw std::runtime_error("cannot write " + database.string());
  ::close(fd);
}

}  // namespace orvo::testing
