#include "platform/drive/program_folder.h"

#include <unistd.h>

#include <cstdlib>
#include <system_error>

namespace orvo::drive {
namespace fs = std::filesystem;

namespace {

fs::path Made(fs::path folder) {
  // A folder that cannot be made shows up at the first write into it, with
  // that write's error and path.
  std::error_code ec;
  fs::create_directories(folder, ec);
  return folder;
}

fs::path StateFolder() {
  if (const char* x = std::getenv("XDG_STATE_HOME"); x && *x) return fs::path(x) / "orvo";
  if (const char* h = std::getenv("HOME"); h && *h) return fs::path(h) / ".local" / "state" / "orvo";
  std::error_code ec;
  const fs::path temporary = fs::temp_directory_path(ec);
  return (ec ? fs::path("/tmp") : temporary) / "orvo";
}

}  // namespace

fs::path ExecutableFolder() {
  std::error_code ec;
  fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  if (ec) return fs::current_path(ec);
  return exe.parent_path();
}

fs::path ProgramFolderFor(const fs::path& executableFolder) {
  if (const char* p = std::getenv("ORVO_PROGRAM_FOLDER"); p && *p) {
    std::error_code ec;
    const fs::path absolute = fs::absolute(p, ec);
    return Made(ec ? fs::path(p) : absolute);
  }
  if (::access(executableFolder.c_str(), W_OK) == 0) return executableFolder;
  return Made(StateFolder());
}

}  // namespace orvo::drive
