// Test support: a private drive C: in a fresh temporary folder for the life of
// the object, and private places for everything else a program finds through
// its environment. It sets $ORVO_DRIVE_C, so every mapped path lands inside
// it; $ORVO_PROGRAM_FOLDER (start markers, result files) and $XDG_DATA_HOME,
// $XDG_STATE_HOME and $XDG_CONFIG_HOME point into a second fresh folder, so
// that neither the test nor the programs it starts use the caller's. The
// variables get their former values back, and both folders are removed,
// afterwards.
//
//   orvo::testing::TempDrive c;
//   auto mdb = c.Path("Quiravel/Quiravel.mdb");
//   auto marcadores = c.ProgramFolder();   // not made until a program makes it
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orvo::testing {

class TempDrive {
 public:
  TempDrive();
  ~TempDrive();
  TempDrive(const TempDrive&) = delete;
  TempDrive& operator=(const TempDrive&) = delete;

  const std::filesystem::path& Root() const { return root_; }
  std::filesystem::path Path(std::string_view relative) const { return root_ / relative; }
  // What $ORVO_PROGRAM_FOLDER names.
  std::filesystem::path ProgramFolder() const { return home_ / "programa"; }

 private:
  struct Saved {
    std::string name;
    std::optional<std::string> value;
  };
  void Set(const std::string& name, const std::filesystem::path& value);

  std::filesystem::path root_;
  std::filesystem::path home_;
  std::vector<Saved> saved_;
};

// Whole file as bytes, and a file written from bytes (folders made as needed).
std::string ReadFile(const std::filesystem::path& path);
void WriteFile(const std::filesystem::path& path, std::string_view bytes);

}  // namespace orvo::testing
