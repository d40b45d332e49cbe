#include "platform/error/file_error.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>

#include "platform/error/numbers.h"
#include "platform/testsupport/temp_drive.h"

namespace orvo::err {
namespace {
namespace fs = std::filesystem;

TEST(FileErrorTest, ErrnoValuesBecomeRunTimeNumbersWithThePath) {
  struct Case { int errnum; int number; const char* words; } cases[] = {
      {ENOENT, kPathNotFound, "No se ha encontrado la ruta de acceso"},
      {ENOTDIR, kPathNotFound, "No se ha encontrado la ruta de acceso"},
      {ENAMETOOLONG, kBadFileName, "Nombre o número de archivo incorrecto"},
      {EACCES, kPermissionDenied, "Permiso denegado"},
      {EROFS, kPermissionDenied, "Permiso denegado"},
      {EEXIST, kFileExists, "El archivo ya existe"},
      {ENOSPC, kDiskFull, "Disco lleno"},
      {EFBIG, kDiskFull, "Disco lleno"},
      {ENOMEM, kOutOfMemory, "Memoria insuficiente"},
      {EIO, kAccessError, "Error de acceso a la ruta o el archivo"},
  };
  for (const Case& k : cases) {
    RuntimeError e = FileError(std::error_code(k.errnum, std::generic_category()), "C:\\Quiravel\\x");
    EXPECT_EQ(e.number, k.number) << k.errnum;
    EXPECT_EQ(std::string(e.what()), std::string(k.words) + ": 'C:\\Quiravel\\x'");
    EXPECT_EQ(ReasonOf(k.errnum).number, k.number);
    EXPECT_EQ(ReasonOf(k.errnum).text, k.words);
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
    EXPECT_EQ(e.number, kPathNotFound);
    std::string text = e.what();
    EXPECT_NE(text.find(c.Path("archivo").string()), std::string::npos) << text;
    EXPECT_EQ(text.find("Not a directory"), std::string::npos) << text;
  }
}

}  // namespace
}  // namespace orvo::err
