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

}  // namespace orvo::testing
