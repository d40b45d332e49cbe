// A private folder for a fuzz target's files, made on first use under
// $TMPDIR (or /tmp) and removed when the fuzzer exits.
#pragma once

#include <stdlib.h>

#include <cstdlib>
#include <filesystem>
#include <string>

inline const std::filesystem::path& FuzzFolder() {
  static const std::filesystem::path folder = [] {
    std::string name = (std::filesystem::temp_directory_path() / "orvo-fuzz-XXXXXX").string();
    if (mkdtemp(name.data()) == nullptr) std::abort();
    std::atexit([] {
      std::error_code ec;
      std::filesystem::remove_all(FuzzFolder(), ec);
    });
    return std::filesystem::path(name);
  }();
  return folder;
}
