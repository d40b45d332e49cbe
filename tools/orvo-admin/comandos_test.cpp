// orvo-admin newdb and launch as their user meets them: the real program on a
// private drive C:.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "common/arranque.h"
#include "platform/db/database.h"
#include "platform/testsupport/temp_drive.h"

namespace orvo::admin {
namespace {
using common::kBasePrincipal;
using orvo::testing::TempDrive;

TEST(NuevaBaseTest, CommandRefusesToOverwriteButIfMissingIsQuiet) {
  TempDrive c;
  std::string admin = ORVO_ADMIN;
  EXPECT_EQ(std::system((admin + " newdb --empresa Uno >/dev/null").c_str()), 0);
  auto before = orvo::testing::ReadFile(c.Path("Quiravel/Quiravel.mdb"));
  EXPECT_NE(std::system((admin + " newdb 2>/dev/null").c_str()), 0);
  EXPECT_EQ(std::system((admin + " newdb --if-missing").c_str()), 0);
  EXPECT_EQ(orvo::testing::ReadFile(c.Path("Quiravel/Quiravel.mdb")), before);
}

TEST(NuevaBaseTest, IfMissingDoesNotTakeAFolderForTheDatabase) {
  TempDrive c;
  std::filesystem::create_directories(c.Path("Quiravel/Quiravel.mdb"));
  const std::string admin = ORVO_ADMIN;
  const auto errores = c.Path("errores.txt");
  EXPECT_NE(std::system((admin + " newdb --if-missing 2>" + errores.string()).c_str()), 0);
  EXPECT_EQ(orvo::testing::ReadFile(errores), "En el lugar de la base de datos hay algo que no es un archivo: " +
                                                   c.Path("Quiravel/Quiravel.mdb").string() + "\n");
  EXPECT_TRUE(std::filesystem::is_empty(c.Path("Quiravel/Quiravel.mdb")));
}

TEST(NuevaBaseTest, CommandThatFailsLeavesNoDatabaseForIfMissingToTrust) {
  TempDrive c;
  const std::string admin = ORVO_ADMIN;
  const auto errores = c.Path("errores.txt");
  EXPECT_NE(std::system((admin + " newdb --empresa " + std::string(200, 'x') + " 2>" + errores.string()).c_str()), 0);
  EXPECT_EQ(orvo::testing::ReadFile(errores).rfind("Error 3163: ", 0), 0u) << orvo::testing::ReadFile(errores);
  EXPECT_FALSE(std::filesystem::exists(c.Path("Quiravel")));
  EXPECT_EQ(std::system((admin + " newdb --if-missing >/dev/null").c_str()), 0);
  auto base = db::Database::Open(kBasePrincipal, ";pwd=LUMAK");
  EXPECT_TRUE(base.FindTable("Listado1"));
  EXPECT_TRUE(base.FindTable("Checadas"));
}

TEST(LaunchTest, LeavesTheStartMarkerBeforeTheToolStarts) {
  TempDrive c;
  auto tool = c.Path("bin/Relevo");
  // The tool reports whether its marker was there, in its program folder, when it started.
  orvo::testing::WriteFile(tool, "#!/bin/sh\ncd \"${ORVO_PROGRAM_FOLDER:-$(dirname \"$0\")}\"\n[ -f RevTI ] && exit 7\nexit 3\n");
  std::filesystem::permissions(tool, std::filesystem::perms::owner_all);
  std::string admin = ORVO_ADMIN;
  int status = std::system((admin + " launch " + tool.string()).c_str());
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 7);
}

}  // namespace
}  // namespace orvo::admin
