#include "platform/drive/program_folder.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "platform/drive/drive.h"
#include "platform/testsupport/temp_drive.h"

namespace orvo::drive {
namespace {
namespace fs = std::filesystem;
using orvo::testing::TempDrive;

// The variables a test changes come back as they were.
class ProgramFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (Saved& v : saved_) {
      if (const char* x = std::getenv(v.name)) v.value = x;
    }
    unsetenv("ORVO_PROGRAM_FOLDER");
  }
  void TearDown() override {
    for (const Saved& v : saved_) {
      if (v.value) setenv(v.name, v.value->c_str(), 1); else unsetenv(v.name);
    }
  }

  struct Saved {
    const char* name;
    std::optional<std::string> value;
  } saved_[3] = {{"ORVO_PROGRAM_FOLDER", {}}, {"XDG_STATE_HOME", {}}, {"HOME", {}}};
  TempDrive c;
};

TEST_F(ProgramFolderTest, TheExecutablesFolderWhenItIsWritable) {
  EXPECT_TRUE(fs::exists(ExecutableFolder() / "drive_test"));
  EXPECT_EQ(ProgramFolder(), ProgramFolderFor(ExecutableFolder()));
  EXPECT_EQ(ProgramFolderFor(c.Root()), c.Root());
}

TEST_F(ProgramFolderTest, TheEnvironmentVariableWinsAndIsMade) {
  setenv("ORVO_PROGRAM_FOLDER", c.Path("marcadores/orvo").c_str(), 1);
  EXPECT_EQ(ProgramFolderFor(c.Root()), c.Path("marcadores/orvo"));
  EXPECT_EQ(ProgramFolder(), c.Path("marcadores/orvo"));
  EXPECT_TRUE(fs::is_directory(c.Path("marcadores/orvo")));
  EXPECT_TRUE(fs::exists(ExecutableFolder() / "drive_test")) << "the program files stay where they are";
}

TEST_F(ProgramFolderTest, AReadOnlyInstallationUsesTheUsersStateFolder) {
  fs::create_directories(c.Path("prefijo/bin"));
  fs::permissions(c.Path("prefijo/bin"), fs::perms::owner_read | fs::perms::owner_exec);
  if (::access(c.Path("prefijo/bin").c_str(), W_OK) == 0) {
    fs::permissions(c.Path("prefijo/bin"), fs::perms::owner_all);
    GTEST_SKIP() << "this user may write to any folder";
  }
  setenv("XDG_STATE_HOME", c.Path("estado").c_str(), 1);
  EXPECT_EQ(ProgramFolderFor(c.Path("prefijo/bin")), c.Path("estado/orvo"));
  EXPECT_TRUE(fs::is_directory(c.Path("estado/orvo")));
  unsetenv("XDG_STATE_HOME");
  setenv("HOME", c.Path("casa").c_str(), 1);
  EXPECT_EQ(ProgramFolderFor(c.Path("prefijo/bin")), c.Path("casa/.local/state/orvo"));
  fs::permissions(c.Path("prefijo/bin"), fs::perms::owner_all);
}

}  // namespace
}  // namespace orvo::drive
