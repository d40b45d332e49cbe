#include "ftp/marcador_conexion.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/testsupport/temp_drive.h"

namespace orvo::ftp {
namespace {

namespace fs = std::filesystem;

TEST(MarcadorConexionTest, CreatedAndDeletedInTheSameFolder) {
  orvo::testing::TempDrive c;
  orvo::testing::WriteFile(c.Path("prog/CNCTD"), "de una ejecución anterior");
  {
    MarcadorConexion m(c.Path("prog"));
    m.Crea();
    EXPECT_TRUE(fs::exists(c.Path("prog/cnctd")));
    EXPECT_EQ(fs::file_size(c.Path("prog/cnctd")), 0u);
    EXPECT_FALSE(fs::exists(c.Path("prog/CNCTD")) && !fs::equivalent(c.Path("prog/CNCTD"), c.Path("prog/cnctd")));
    m.Borra();
    EXPECT_FALSE(fs::exists(c.Path("prog/cnctd")));
    m.Borra();  // already gone: nothing to do
    m.Crea();
  }
  EXPECT_FALSE(fs::exists(c.Path("prog/cnctd")));  // the end of the object deletes it
}

TEST(MarcadorConexionTest, ASignalThatEndsTheProgramDeletesIt) {
  orvo::testing::TempDrive c;
  fs::create_directories(c.Path("prog"));
  for (int senal : {SIGTERM, SIGINT, SIGHUP}) {
    const pid_t hijo = ::fork();
    ASSERT_GE(hijo, 0);
    if (hijo == 0) {
      MarcadorConexion m(c.Path("prog"));
      m.Crea();
      ::raise(senal);
      ::_exit(0);  // not reached
    }
    int estado = 0;
    ASSERT_EQ(::waitpid(hijo, &estado, 0), hijo);
    EXPECT_TRUE(WIFSIGNALED(estado)) << senal;
    EXPECT_EQ(WTERMSIG(estado), senal);
    EXPECT_FALSE(fs::exists(c.Path("prog/cnctd"))) << senal;
  }
}

}  // namespace
}  // namespace orvo::ftp
