#include "platform/drive/file_error.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>

#include "platform/testsupport/temp_drive.h"

namespace orvo::drive {
namespace {
namespace fs = std::filesystem;

TEST(FileErrorTest, ErrnoValuesBecomeRunTimeNumbersWithThePath) {
  struct Case { int errnum; int number; const char* words; } cases[] = {
      {ENOENT, fileerr::kPathNotFound, "No se ha encontrado la ruta de acceso"},
      {ENOTDIR, fileerr::kPathNotFound, "No se ha encontrado la ruta de acceso"},
      {EACCES, fileerr::kPermissionDenied, "Permiso denegado"},
      {EROFS, fileerr::kPermissionDenied, "Permiso denegado"},
      {EEXIST, fileerr::kFileExists, "El archivo ya existe"},
      {ENOSPC, fileerr::kDiskFull, "Disco lleno"},
      {EIO, fileerr::kAccessError, "Error de acceso a la ruta o el archivo"},
  };
  for (const Case& k : cases) {
    RuntimeError e = FileError(std::error_code(k.errnum, std::generic_category()), "C:\\Quiravel\\x");
    EXPECT_EQ(e.number, k.number) << k.errnum;
    std::string text = e.what();
    EXPECT_NE(text.find(k.words), std::string::npos) << text;
    EXPECT_NE(text.find("C:\\Quiravel\\x"), std::string::npos) << text;
  }
}

TEST(FileErrorTest, FilesystemExceptionsKeepTheirPathInSpanish) {
  orvo::testing::TempDrive c;
  orvo::testing::WriteFile(c.Path("archivo"), "x");
  try {
    fs::create_directories(c.Path("archivo/sub"));
    ADD_FAILURE();
  } catch (const fs::filesystem_error& raw) {
    RuntimeError e = FileError(raw);
    EXPECT_EQ(e.number, fileerr::kPathNotFound);
    std::string text = e.what();
    EXPECT_NE(text.find(c.Path("archivo").string()), std::string::npos) << text;
    EXPECT_EQ(text.find("Not a directory"), std::string::npos) << text;
  }
}

}  // namespace
}  // namespace orvo::drive
