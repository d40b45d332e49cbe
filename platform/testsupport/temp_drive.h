// Test support: a private drive C: in a fresh temporary folder for the life of
// the object. It sets $ORVO_DRIVE_C, so every mapped path lands inside it, and
// removes the folder afterwards.
//
//   orvo::testing::TempDrive c;
//   auto mdb = c.Path("Quiravel/Quiravel.mdb");
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace orvo::testing {

class TempDrive {
 public:
  TempDrive();
  ~TempDrive();
  TempDrive(const TempDrive&) = delete;
  TempDrive& operator=(const TempDrive&) = delete;

  const std::filesystem::path& Root() const { return root_; }
  std::filesystem::path Path(std::string_view relative) const { return root_ / relative; }

 private:
  std::filesystem::path root_;
  std::string previous_;
  bool hadPrevious_ = false;
};

// Whole file as bytes, and a file written from bytes (folders made as needed).
std::string ReadFile(const std::filesystem::path& path);
void WriteFile(const std::filesystem::path& path, std::string_view bytes);

}  // namespace orvo::testing
