#include "platform/testsupport/temp_drive.h"

#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace orvo::testing {
namespace fs = std::filesystem;

TempDrive::TempDrive() {
  std::string pattern = (fs::temp_directory_path() / "orvo-c-XXXXXX").string();
  if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
  root_ = pattern;
  if (const char* old = std::getenv("ORVO_DRIVE_C")) {
    previous_ = old;
    hadPrevious_ = true;
  }
  setenv("ORVO_DRIVE_C", root_.c_str(), 1);
}

TempDrive::~TempDrive() {
  if (hadPrevious_) {
    setenv("ORVO_DRIVE_C", previous_.c_str(), 1);
  } else {
    unsetenv("ORVO_DRIVE_C");
  }
  std::error_code ec;
  // Read-only entries must not stop the clean-up.
  for (auto it = fs::recursive_directory_iterator(root_, ec); !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
    fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
  }
  fs::remove_all(root_, ec);
}

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path.string());
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

void WriteFile(const fs::path& path, std::string_view bytes) {
  if (path.has_parent_path()) fs::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out) throw std::runtime_error("cannot write " + path.string());
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace orvo::testing
