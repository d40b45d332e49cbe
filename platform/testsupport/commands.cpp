#include "platform/testsupport/commands.h"

#include <sys/wait.h>

#include <cstdio>

#include "platform/testsupport/temp_drive.h"

namespace orvo::testing {
namespace fs = std::filesystem;

int RunCommand(const std::string& command, std::string* output) {
  FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
  if (!pipe) return -1;
  char buffer[4096];
  std::size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) {
    if (output) output->append(buffer, n);
  }
  const int status = ::pclose(pipe);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string Quote(const fs::path& path) {
  std::string quoted = "'";
  for (char c : path.string()) {
    if (c == '\'') quoted += "'\\''";
    else quoted += c;
  }
  return quoted + "'";
}

std::map<std::string, std::string> ReadTree(const fs::path& folder) {
  std::map<std::string, std::string> tree;
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    const std::string relative = entry.path().lexically_relative(folder).generic_string();
    if (entry.is_directory()) tree[relative + "/"] = "";
    else tree[relative] = ReadFile(entry.path());
  }
  return tree;
}

// UTF-8 names stay UTF-8 whatever locale the tests run under.
bool InfoZipCreate(const fs::path& folder, const fs::path& archive, const std::string& names,
                   const std::string& flags, std::string* log) {
  return RunCommand("cd " + Quote(folder) + " && LC_ALL=C.UTF-8 zip -q " + flags + " " + Quote(archive) + " " + names,
                    log) == 0;
}

std::optional<std::map<std::string, std::string>> TreeByInfoZip(const fs::path& archive, const fs::path& out,
                                                                std::string* log) {
  fs::remove_all(out);
  if (RunCommand("LC_ALL=C.UTF-8 unzip -t " + Quote(archive), log) != 0 ||
      RunCommand("LC_ALL=C.UTF-8 unzip -o -d " + Quote(out) + " " + Quote(archive), log) != 0) {
    return std::nullopt;
  }
  return ReadTree(out);
}

}  // namespace orvo::testing
