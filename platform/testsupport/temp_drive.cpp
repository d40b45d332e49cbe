#include "platform/testsupport/temp_drive.h"

#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace orvo::testing {
namespace fs = std::filesystem;

namespace {

fs::path FreshFolder(const char* name) {
  std::string pattern = (fs::temp_directory_path() / name).string();
  if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
  return pattern;
}

void RemoveAll(const fs::path& folder) {
  std::error_code ec;
  // Read-only entries must not stop the clean-up.
  for (auto it = fs::recursive_directory_iterator(folder, ec); !ec && it != fs::recursive_directory_iterator();
       it.increment(ec)) {
    fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
  }
  fs::remove_all(folder, ec);
}

}  // namespace

TempDrive::TempDrive() : root_(FreshFolder("orvo-c-XXXXXX")), home_(FreshFolder("orvo-home-XXXXXX")) {
  Set("ORVO_DRIVE_C", root_);
  Set("ORVO_PROGRAM_FOLDER", ProgramFolder());
  Set("XDG_DATA_HOME", home_ / "data");
  Set("XDG_STATE_HOME", home_ / "state");
  Set("XDG_CONFIG_HOME", home_ / "config");
}

void TempDrive::Set(const std::string& name, const fs::path& value) {
  Saved saved{name, std::nullopt};
  if (const char* old = std::getenv(name.c_str())) saved.value = old;
  saved_.push_back(std::move(saved));
  setenv(name.c_str(), value.c_str(), 1);
}

TempDrive::~TempDrive() {
  for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
    if (it->value) {
      setenv(it->name.c_str(), it->value->c_str(), 1);
    } else {
      unsetenv(it->name.c_str());
    }
  }
  RemoveAll(root_);
  RemoveAll(home_);
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
