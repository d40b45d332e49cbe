// scripts/run as a user calls it, with the real orvo-admin and no display. The
// installing and building steps are stood in for: the test runs inside a build.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <string>

#include "platform/testsupport/temp_drive.h"

namespace {
namespace fs = std::filesystem;
using orvo::testing::ReadFile;
using orvo::testing::TempDrive;
using orvo::testing::WriteFile;

class ScriptsRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(c.Path("arbol/scripts"));
    fs::copy_file(fs::path(ORVO_SOURCE_DIR) / "scripts/run", c.Path("arbol/scripts/run"));
    Ejecutable(c.Path("arbol/scripts/install-deps"), "#!/bin/sh\nexit 0\n");
    Ejecutable(c.Path("arbol/scripts/build"), "#!/bin/sh\nexit 0\n");
    fs::create_directories(c.Path("arbol/build/bin"));
    fs::copy_file(ORVO_ADMIN, c.Path("arbol/build/bin/orvo-admin"));
    // A window program that would only say that it started.
    Ejecutable(c.Path("arbol/build/bin/pollimport"), "#!/bin/sh\necho abierto\n");
  }

  static void Ejecutable(const fs::path& ruta, const std::string& texto) {
    WriteFile(ruta, texto);
    fs::permissions(ruta, fs::perms::owner_all);
  }

  // Runs scripts/run with `args` where no display is set; gives the exit status.
  int Corre(const std::string& args) {
    const std::string orden = "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM ORVO_BUILD_DIR='" +
                              c.Path("arbol/build").string() + "' '" + c.Path("arbol/scripts/run").string() + "' " +
                              args + " >'" + c.Path("out").string() + "' 2>'" + c.Path("err").string() + "'";
    const int status = std::system(orden.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  TempDrive c;
};

TEST_F(ScriptsRunTest, OrvoAdminNeedsNoDisplay) {
  EXPECT_EQ(Corre("orvo-admin where"), 0) << ReadFile(c.Path("out"));
  EXPECT_EQ(ReadFile(c.Path("out")), c.Root().string() + "\n");
  EXPECT_TRUE(fs::is_regular_file(c.Path("Quiravel/Quiravel.mdb"))) << "the database is made first";
  EXPECT_NE(ReadFile(c.Path("err")).find("Base de datos creada"), std::string::npos);
  EXPECT_EQ(Corre("orvo-admin where"), 0);
  EXPECT_EQ(ReadFile(c.Path("out")), c.Root().string() + "\n");
  EXPECT_EQ(ReadFile(c.Path("err")), "");

  EXPECT_EQ(Corre("orvo-admin where de más"), 2);
  EXPECT_NE(ReadFile(c.Path("err")).find("no admite argumentos"), std::string::npos);
}

TEST_F(ScriptsRunTest, AWindowProgramWithoutADisplaySaysHowToGetOne) {
  // Without a name, the poll-file import.
  for (const char* args : {"", "pollimport"}) {
    SCOPED_TRACE(args);
    EXPECT_EQ(Corre(args), 1);
    const std::string out = ReadFile(c.Path("out"));
    EXPECT_EQ(out.find("abierto"), std::string::npos);
    EXPECT_NE(out.find("No hay pantalla: pollimport necesita una"), std::string::npos) << out;
    EXPECT_NE(out.find("xvfb-run scripts/run pollimport"), std::string::npos) << out;
  }
}

}  // namespace
