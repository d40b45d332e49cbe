#include "backup/intercambio.h"

#include <gtest/gtest.h>

#include "platform/error.h"
#include "platform/testsupport/commands.h"
#include "platform/testsupport/temp_drive.h"

namespace orvo::respaldo {
namespace {

namespace fs = std::filesystem;
using orvo::testing::ReadFile;
using orvo::testing::ReadTree;
using orvo::testing::WriteFile;

struct IntercambioTest : ::testing::Test {
  IntercambioTest() {
    WriteFile(c.Path("datos/a.txt"), "a viejo");
    WriteFile(c.Path("datos/b.txt"), "b viejo");
    WriteFile(c.Path("nuevo/a.txt"), "a nuevo");
    WriteFile(c.Path("nuevo/c.txt"), "c nuevo");
    antes = ReadTree(c.Path("datos"));
  }
  orvo::testing::TempDrive c;
  std::map<std::string, std::string> antes;
};

TEST_F(IntercambioTest, ConfirmedSwapStandsAndKeepsNothingAside) {
  {
    Intercambio cambio(c.Path("guarda"));
    cambio.Retira(c.Path("datos/b.txt"));
    cambio.Coloca(c.Path("nuevo/a.txt"), c.Path("datos/a.txt"));
    cambio.Coloca(c.Path("nuevo/c.txt"), c.Path("datos/sub/otra/c.txt"));
    cambio.Confirma();
  }
  EXPECT_EQ(ReadTree(c.Path("datos")),
            (std::map<std::string, std::string>{
                {"a.txt", "a nuevo"}, {"sub/", ""}, {"sub/otra/", ""}, {"sub/otra/c.txt", "c nuevo"}}));
  EXPECT_FALSE(fs::exists(c.Path("guarda")));
}

TEST_F(IntercambioTest, UnconfirmedSwapPutsEverythingBack) {
  {
    Intercambio cambio(c.Path("guarda"));
    cambio.Retira(c.Path("datos/b.txt"));
    cambio.Coloca(c.Path("nuevo/a.txt"), c.Path("datos/a.txt"));
    cambio.Coloca(c.Path("nuevo/c.txt"), c.Path("datos/sub/otra/c.txt"));
  }
  EXPECT_EQ(ReadTree(c.Path("datos")), antes);
  EXPECT_FALSE(fs::exists(c.Path("guarda")));
}

TEST_F(IntercambioTest, FolderInTheWayFailsAndTheSwapIsUndone) {
  WriteFile(c.Path("datos/c.txt/dentro"), "una carpeta");
  antes = ReadTree(c.Path("datos"));
  Intercambio cambio(c.Path("guarda"));
  cambio.Coloca(c.Path("nuevo/a.txt"), c.Path("datos/a.txt"));
  EXPECT_THROW(cambio.Coloca(c.Path("nuevo/c.txt"), c.Path("datos/c.txt")), RuntimeError);
  EXPECT_TRUE(cambio.Deshace());
  EXPECT_EQ(ReadTree(c.Path("datos")), antes);
}

}  // namespace
}  // namespace orvo::respaldo
