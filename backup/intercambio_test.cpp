#include "backup/intercambio.h"

#include <functional>

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

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

// A process that swaps and ends without confirming or undoing, as a killed
// one does: no destructor runs.
void SwapAndDie(const fs::path& guarda, const std::function<void(Intercambio&)>& pasos) {
  const pid_t hijo = ::fork();
  ASSERT_GE(hijo, 0);
  if (hijo == 0) {
    auto* cambio = new Intercambio(guarda);
    pasos(*cambio);
    ::_exit(0);
  }
  int estado = 0;
  ASSERT_EQ(::waitpid(hijo, &estado, 0), hijo);
  ASSERT_TRUE(WIFEXITED(estado) && WEXITSTATUS(estado) == 0);
}

TEST_F(IntercambioTest, ASwapItsProcessLeftIsPutBackByTheNextThatLooks) {
  SwapAndDie(c.Path("guarda"), [&](Intercambio& cambio) {
    cambio.Retira(c.Path("datos/b.txt"));
    cambio.Coloca(c.Path("nuevo/a.txt"), c.Path("datos/a.txt"));
    cambio.Coloca(c.Path("nuevo/c.txt"), c.Path("datos/sub/otra/c.txt"));
  });
  ASSERT_NE(ReadTree(c.Path("datos")), antes);
  EXPECT_TRUE(Intercambio::Recupera(c.Path("guarda")));
  EXPECT_EQ(ReadTree(c.Path("datos")), antes);
  EXPECT_FALSE(fs::exists(c.Path("guarda")));
  // Looking again finds nothing more to do.
  EXPECT_TRUE(Intercambio::Recupera(c.Path("guarda")));
  EXPECT_EQ(ReadTree(c.Path("datos")), antes);
}

TEST_F(IntercambioTest, AConfirmedSwapIsNotPutBack) {
  SwapAndDie(c.Path("guarda"), [&](Intercambio& cambio) {
    cambio.Coloca(c.Path("nuevo/a.txt"), c.Path("datos/a.txt"));
    cambio.Confirma();
  });
  const auto despues = ReadTree(c.Path("datos"));
  EXPECT_TRUE(Intercambio::Recupera(c.Path("guarda")));
  EXPECT_EQ(ReadTree(c.Path("datos")), despues);
  EXPECT_EQ(ReadFile(c.Path("datos/a.txt")), "a nuevo");
}

TEST_F(IntercambioTest, AStepNotedButCutShortOrNeverTakenIsLeftAlone) {
  SwapAndDie(c.Path("guarda"), [&](Intercambio& cambio) { cambio.Retira(c.Path("datos/b.txt")); });
  // A record for a.txt written but its move never made, and a record cut short.
  const std::string guardado = c.Path("guarda/1").string();
  const std::string ruta = c.Path("datos/a.txt").string();
  std::string diario = ReadFile(c.Path("guarda/pasos"));
  diario += "R 1 " + std::to_string(ruta.size()) + ":" + ruta + std::to_string(guardado.size()) + ":" + guardado + "\n";
  diario += "C 2 40:/no/acaba";
  WriteFile(c.Path("guarda/pasos"), diario);
  EXPECT_TRUE(Intercambio::Recupera(c.Path("guarda")));
  EXPECT_EQ(ReadTree(c.Path("datos")), antes);
}

}  // namespace
}  // namespace orvo::respaldo
