#include "platform/drive/drive.h"

#include <unistd.h>

#include <cstdlib>
#include <string>
#include <system_error>
#include <vector>

#include "platform/error/file_error.h"
#include "platform/text/nocase.h"

namespace orvo::drive {
namespace fs = std::filesystem;

namespace {

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
    std::error_code ec;
    data = fs::temp_directory_path(ec);
    if (ec) data = "/tmp";
  }
  return data / "orvo" / "c";
}

fs::path FindIgnoringCase(const fs::path& folder, std::string_view name) {
  std::error_code ec;
  fs::path exact = folder / std::string(name);
  if (fs::exists(fs::symlink_status(exact, ec))) return exact;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    if (text::EqualsNoCase(it->path().filename().string(), name)) return it->path();
  }
  return {};
}

fs::path Map(std::string_view windowsPath) {
  // The system reads a path only up to a NUL: "C:\\..\0x" would open C:'s parent.
  if (auto nul = windowsPath.find('\0'); nul != std::string_view::npos) throw err::PathError(windowsPath.substr(0, nul));
  std::string_view rest = windowsPath;
  if (rest.size() >= 2 && rest[1] == ':') {
    // Only C: stands for a folder here; another drive must not turn into C:.
    if (rest[0] != 'C' && rest[0] != 'c') throw err::PathError(windowsPath);
    rest.remove_prefix(2);
  }
  fs::path result = Root();
  std::size_t depth = 0;  // components below the root, so ".." cannot climb above it
  bool existing = true;   // once a component is missing, the rest cannot exist either
  for (const std::string& part : Components(rest)) {
    if (part == ".") continue;
    if (part == "..") {
      if (depth == 0) throw err::PathError(windowsPath);
      --depth;
      result = result.parent_path();
      std::error_code ec;
      existing = fs::is_directory(result, ec);
      continue;
    }
    ++depth;
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

fs::path Resolve(std::string_view path) {
  if (!path.empty() && path.front() == '/') {
    if (auto nul = path.find('\0'); nul != std::string_view::npos) throw err::PathError(path.substr(0, nul));
    return fs::path(std::string(path));
  }
  return Map(path);
}

fs::path ProgramFolder() {
  return ProgramFolderFor(ExecutableFolder());
}

}  // namespace orvo::drive
