// The drive's path mapping on any Windows path: whatever the path, the folder
// it maps to lies under drive C:'s root, or the mapping refuses it.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "fuzz/check.h"
#include "fuzz/temp_folder.h"
#include "platform/drive/drive.h"
#include "platform/error.h"

namespace fs = std::filesystem;

namespace {

const fs::path& DriveRoot() {
  static const fs::path root = FuzzFolder() / "c";
  return root;
}

}  // namespace

// A drive with folders whose names differ from the paths only in letter case,
// so the case-insensitive lookup runs as well.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fs::create_directories(DriveRoot() / "Quiravel" / "Respaldo");
  fs::create_directories(DriveRoot() / "QUIRAVEL2" / "sub");
  fs::create_directories(DriveRoot() / "\xC3\x91" "and" "\xC3\xBA");
  std::ofstream(DriveRoot() / "Quiravel" / "Quiravel.mdb") << "x";
  setenv("ORVO_DRIVE_C", DriveRoot().c_str(), 1);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view path(reinterpret_cast<const char*>(data), size);
  fs::path mapped;
  try {
    mapped = orvo::drive::Map(path);
  } catch (const orvo::RuntimeError&) {
    return 0;  // refused: nothing to open
  }
  // The system reads a path up to its first NUL, whatever the text after it.
  FUZZ_CHECK(mapped.native().find('\0') == std::string::npos);
  const fs::path root = DriveRoot().lexically_normal();
  const fs::path relative = mapped.lexically_normal().lexically_relative(root);
  FUZZ_CHECK(!relative.empty());
  // No ".." at all: the system resolves it after any link, so even a ".."
  // that stays under the root by text could leave it on disk.
  for (const fs::path& part : mapped.lexically_relative(DriveRoot()))
    FUZZ_CHECK(part != "..");
  FUZZ_CHECK(relative.is_relative());
  return 0;
}
