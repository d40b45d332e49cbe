#include "platform/drive/drive.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "platform/error/file_error.h"
#include "platform/error/numbers.h"
#include "platform/testsupport/error_of.h"
#include "platform/testsupport/temp_drive.h"

namespace orvo::drive {
namespace {
namespace fs = std::filesystem;
using orvo::testing::TempDrive;
using orvo::testing::WriteFile;

TEST(DriveTest, RootFollowsEnvironmentThenXdgThenHome) {
  // The variables this test changes come back as they were.
  struct Saved {
    const char* name;
    std::optional<std::string> value;
  } saved[] = {{"ORVO_DRIVE_C", {}}, {"XDG_DATA_HOME", {}}, {"HOME", {}}};
  for (Saved& v : saved) {
    if (const char* x = std::getenv(v.name)) v.value = x;
  }
  unsetenv("ORVO_DRIVE_C");
  setenv("XDG_DATA_HOME", "/tmp/xdg-orvo", 1);
  EXPECT_EQ(Root(), fs::path("/tmp/xdg-orvo/orvo/c"));
  unsetenv("XDG_DATA_HOME");
  setenv("HOME", "/home/ana", 1);
  EXPECT_EQ(Root(), fs::path("/home/ana/.local/share/orvo/c"));
  setenv("ORVO_DRIVE_C", "/srv/c", 1);
  EXPECT_EQ(Root(), fs::path("/srv/c"));
  for (const Saved& v : saved) {
    if (v.value) setenv(v.name, v.value->c_str(), 1); else unsetenv(v.name);
  }
}

TEST(DriveTest, MapsWindowsPathsUnderTheRoot) {
  TempDrive c;
  struct Case { const char* windows; const char* expected; } cases[] = {
      {"C:\\Quiravel\\Quiravel.mdb", "Quiravel/Quiravel.mdb"},
      {"c:\\Windows\\ftpcnf.dll", "Windows/ftpcnf.dll"},
      {"C:/Quiravel//Quira/", "Quiravel/Quira"},
      {"Quiravel\\x.txt", "Quiravel/x.txt"},
  };
  for (const Case& k : cases) EXPECT_EQ(Map(k.windows), c.Path(k.expected)) << k.windows;
}

TEST(DriveTest, ExistingComponentsMatchIgnoringCaseAndExactSpellingWins) {
  TempDrive c;
  WriteFile(c.Path("QUIRAVEL/quiravel.MDB"), "x");
  EXPECT_EQ(Map("C:\\Quiravel\\Quiravel.mdb"), c.Path("QUIRAVEL/quiravel.MDB"));
  // The rest of a path below a missing folder keeps its own spelling.
  EXPECT_EQ(Map("C:\\quiravel\\Nuevo\\Archivo.txt"), c.Path("QUIRAVEL/Nuevo/Archivo.txt"));
  WriteFile(c.Path("QUIRAVEL/Quiravel.mdb"), "y");
  EXPECT_EQ(Map("C:\\Quiravel\\Quiravel.mdb"), c.Path("QUIRAVEL/Quiravel.mdb"));
  EXPECT_TRUE(FindIgnoringCase(c.Root(), "nothing").empty());
}

TEST(DriveTest, NamesMatchIgnoringCaseOfEveryWindows1252Letter) {
  TempDrive c;
  fs::create_directories(c.Path("Año/Señal"));
  EXPECT_EQ(Map("C:\\AÑO\\SEÑAL\\x.txt"), c.Path("Año/Señal/x.txt"));
  EXPECT_EQ(FindIgnoringCase(c.Root(), "año"), c.Path("Año"));
}

TEST(DriveTest, PathsThatLeaveDriveCAreRefused) {
  TempDrive c;
  fs::create_directories(c.Path("Quiravel"));
  EXPECT_EQ(Map("C:\\Quiravel\\..\\Quiravel\\x.mdb"), c.Path("Quiravel/x.mdb"));
  EXPECT_EQ(Map("C:\\Nuevo\\..\\y.txt"), c.Path("y.txt"));
  using namespace std::string_view_literals;
  for (std::string_view bad : {"C:\\..\\..\\etc\\passwd"sv, "..\\x"sv, "C:\\Quiravel\\..\\..\\x"sv, "D:\\x"sv,
                               "z:/Quiravel"sv, "C:\\..\0x"sv, "C:\\Quiravel\0\\x.mdb"sv}) {
    auto e = orvo::testing::ErrorOf([&] { Map(bad); });
    ASSERT_TRUE(e) << bad;
    EXPECT_EQ(e->number, err::kPathNotFound) << bad;
    EXPECT_NE(std::string(e->what()).find(bad.substr(0, bad.find('\0'))), std::string::npos) << e->what();
  }
  EXPECT_THROW(Resolve("/tmp/..\0x"sv), RuntimeError);
}

TEST(DriveTest, ProgramFolderIsTheExecutablesFolder) {
  // Without the setting, whatever the caller's environment holds.
  TempDrive c;
  unsetenv("ORVO_PROGRAM_FOLDER");
  EXPECT_TRUE(fs::exists(ProgramFolder() / "drive_test"));
}

}  // namespace
}  // namespace orvo::drive
