#include "platform/zip/paths.h"

#include <string>
#include <system_error>

#include "platform/drive/drive.h"

namespace orvo::zip {

std::filesystem::path MapName(std::string_view name) {
  const bool hasDrive = name.size() >= 2 && name[1] == ':';
  const bool rooted = !name.empty() && (name[0] == '\\' || name[0] == '/');
  if (hasDrive || rooted) return drive::Map(name);
  std::string relative(name);
  for (char& c : relative) {
    if (c == '\\') c = '/';
  }
  // Without a current folder (removed under the program) the name stays
  // relative, and opening it fails as any missing file does.
  std::error_code ec;
  return std::filesystem::current_path(ec) / relative;
}

}  // namespace orvo::zip
