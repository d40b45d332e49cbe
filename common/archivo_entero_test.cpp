#include "common/archivo_entero.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/error.h"
#include "platform/testsupport/temp_drive.h"

namespace orvo::common {
namespace {

namespace fs = std::filesystem;

TEST(EscribeArchivoEntero, ReplacesTheWholeFileWithTheModeAskedFor) {
  orvo::testing::TempDrive c;
  const fs::path ruta = c.Path("Windows/ftpcnf.dll");
  fs::create_directories(ruta.parent_path());
  orvo::testing::WriteFile(ruta, "viejo contenido, más largo\r\n");
  EscribeArchivoEntero(ruta, "a\r\nb\r\n", 0600);
  EXPECT_EQ(orvo::testing::ReadFile(ruta), "a\r\nb\r\n");
  struct stat st{};
  ASSERT_EQ(::stat(ruta.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  EXPECT_EQ(std::distance(fs::directory_iterator(ruta.parent_path()), fs::directory_iterator()), 1);
}

TEST(EscribeArchivoEntero, AFailureLeavesWhatStoodThereAndNoTemporaryFile) {
  orvo::testing::TempDrive c;
  const fs::path carpeta = c.Path("Windows");
  // A folder in the file's place cannot be replaced, even by root.
  orvo::testing::WriteFile(carpeta / "ftpcnf.dll" / "dentro", "anterior");
  try {
    EscribeArchivoEntero(carpeta / "ftpcnf.dll", "nuevo", 0600);
    ADD_FAILURE() << "no error";
  } catch (const RuntimeError& e) {
    EXPECT_EQ(e.number, 75);
    EXPECT_NE(std::string(e.what()).find((carpeta / "ftpcnf.dll").string()), std::string::npos);
  }
  EXPECT_EQ(orvo::testing::ReadFile(carpeta / "ftpcnf.dll" / "dentro"), "anterior");
  EXPECT_EQ(std::distance(fs::directory_iterator(carpeta), fs::directory_iterator()), 1);

  try {
    EscribeArchivoEntero(c.Path("no/existe/x"), "x");
    ADD_FAILURE() << "no error";
  } catch (const RuntimeError& e) {
    EXPECT_EQ(e.number, 76);
  }
}

TEST(EscribeArchivoEntero, AFolderWithoutWritePermissionKeepsTheFormerFile) {
  if (::geteuid() == 0) GTEST_SKIP() << "root writes into read-only folders";
  orvo::testing::TempDrive c;
  const fs::path carpeta = c.Path("Windows");
  orvo::testing::WriteFile(carpeta / "ftpcnf.dll", "anterior");
  fs::permissions(carpeta, fs::perms::owner_read | fs::perms::owner_exec);
  try {
    EscribeArchivoEntero(carpeta / "ftpcnf.dll", "nuevo", 0600);
    ADD_FAILURE() << "no error";
  } catch (const RuntimeError& e) {
    EXPECT_EQ(e.number, 70);
  }
  fs::permissions(carpeta, fs::perms::owner_all);
  EXPECT_EQ(orvo::testing::ReadFile(carpeta / "ftpcnf.dll"), "anterior");
}

}  // namespace
}  // namespace orvo::common
