#include "platform/drive/drive.h"

#include <unistd.h>

#include <cstdlib>
#include <string>
#include <system_error>
#include <vector>

namespace orvo::drive {
namespace fs = std::filesystem;

namespace {

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    unsigned char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = x - 'A' + 'a';
    if (y >= 'A' && y <= 'Z') y = y - 'A' + 'a';
    if (x != y) return false;
  }
  return true;
}

std::vector<std::string> Components(std::string_view path) {
  std::vector<std::string> parts;
  std::string current;
  for (char c : path) {
    if (c == '\\' || c == '/') {
      if (!current.empty()) parts.push_back(std::move(current));
      current.clear();
    } else {
      current += c;
    }
  }
  if (!current.empty()) parts.push_back(std::move(current));
  return parts;
}

}  // namespace

fs::path Root() {
  if (const char* c = std::getenv("ORVO_DRIVE_C"); c && *c) return fs::path(c);
  fs::path data;
  if (const char* x = std::getenv("XDG_DATA_HOME"); x && *x) {
    data = x;
  } else if (const char* h = std::getenv("HOME"); h && *h) {
    data = fs::path(h) / ".local" / "share";
  } else {
    data = fs::temp_directory_path();
  }
  return data / "orvo" / "c";
}

fs::path FindIgnoringCase(const fs::path& folder, std::string_view name) {
  std::error_code ec;
  fs::path exact = folder / std::string(name);
  if (fs::exists(fs::symlink_status(exact, ec))) return exact;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    if (EqualsIgnoringCase(it->path().filename().string(), name)) return it->path();
  }
  return {};
}

fs::path Map(std::string_view windowsPath) {
  std::string_view rest = windowsPath;
  if (rest.size() >= 2 && rest[1] == ':') rest.remove_prefix(2);
  fs::path result = Root();
  bool existing = true;  // once a component is missing, the rest cannot exist either
  for (const std::string& part : Components(rest)) {
    if (part == ".") continue;
    if (existing) {
      fs::path found = FindIgnoringCase(result, part);
      if (!found.empty()) {
        result = found;
        continue;
      }
      existing = false;
    }
    result /= part;
  }
  return result;
}

fs::path ProgramFolder() {
  return ProgramFolderFor(ExecutableFolder());
}

}  // namespace orvo::drive
