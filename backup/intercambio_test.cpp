#include "backup/intercambio.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include "platform/error.h"
#include "platform/testsupport/commands.h"
#include "platform/testsupport/temp_drive.h"

namespace orvo::backup {
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

TEST_F(IntercambioTest, ExecutedSwapStandsAndKeepsNothingAside) {
  Intercambio cambio(c.Path("escena"));
  cambio.Retira(c.Path("datos/b.txt"));
  cambio.Coloca(c.Path("nuevo/a.txt"), c.Path("datos/a.txt"));
  cambio.Coloca(c.Path("nuevo/c.txt"), c.Path("datos/sub/otra/c.txt"));
  // Planning touches nothing.
  EXPECT_EQ(ReadTree(c.Path("datos")), antes);
  cambio.Ejecuta();
  EXPECT_EQ(ReadTree(c.Path("datos")),
            (std::map<std::string, std::string>{
                {"a.txt", "a nuevo"}, {"sub/", ""}, {"sub/otra/", ""}, {"sub/otra/c.txt", "c nuevo"}}));
  EXPECT_EQ(ReadTree(c.Path("escena")), (std::map<std::string, std::string>{}));
  EXPECT_EQ(Intercambio::Recupera(c.Path("escena")), Intercambio::Recuperado::Nada);
}

TEST_F(IntercambioTest, FailureInTheMiddlePutsEverythingBack) {
  Intercambio cambio(c.Path("escena"));
  cambio.Retira(c.Path("datos/b.txt"));
  cambio.Coloca(c.Path("nuevo/a.txt"), c.Path("datos/a.txt"));
  cambio.Coloca(c.Path("nuevo/c.txt"), c.Path("datos/sub/otra/c.txt"));
  // The last new file is gone by the time it is moved.
  fs::remove(c.Path("nuevo/c.txt"));
  EXPECT_THROW(cambio.Ejecuta(), RuntimeError);
  EXPECT_FALSE(cambio.Pendiente());
  EXPECT_EQ(ReadTree(c.Path("datos")), antes);
  EXPECT_EQ(ReadTree(c.Path("nuevo")), (std::map<std::string, std::string>{{"a.txt", "a nuevo"}}));
  EXPECT_EQ(ReadTree(c.Path("escena")), (std::map<std::string, std::string>{}));
}

TEST_F(IntercambioTest, FolderInTheWayIsRefusedBeforeAnythingMoves) {
  WriteFile(c.Path("datos/c.txt/dentro"), "una carpeta");
  antes = ReadTree(c.Path("datos"));
  Intercambio cambio(c.Path("escena"));
  cambio.Coloca(c.Path("nuevo/a.txt"), c.Path("datos/a.txt"));
  EXPECT_THROW(cambio.Coloca(c.Path("nuevo/c.txt"), c.Path("datos/c.txt")), RuntimeError);
  EXPECT_THROW(cambio.Retira(c.Path("datos/c.txt")), RuntimeError);
  EXPECT_EQ(ReadTree(c.Path("datos")), antes);
}

// A journal left by a swap cut short, with the files where the cut left
// them: the next start undoes what was not confirmed and clears what was.
TEST_F(IntercambioTest, RecoveryUndoesAnUnconfirmedJournalAndClearsAConfirmedOne) {
  const auto diario = [&](const std::string& fase) {
    WriteFile(c.Path("escena/diario"), "orvo intercambio 1\nfase " + fase + "\n" +
                                           "R\t" + c.Path("datos/b.txt").string() + "\t" +
                                           c.Path("escena/anteriores/0").string() + "\n" +
                                           "R\t" + c.Path("datos/a.txt").string() + "\t" +
                                           c.Path("escena/anteriores/1").string() + "\n" +
                                           "C\t" + c.Path("nuevo/a.txt").string() + "\t" +
                                           c.Path("datos/a.txt").string() + "\nfin\n");
  };
  // Cut after the second file went aside, before the new one was placed.
  diario("intercambio");
  fs::create_directories(c.Path("escena/anteriores"));
  fs::rename(c.Path("datos/b.txt"), c.Path("escena/anteriores/0"));
  fs::rename(c.Path("datos/a.txt"), c.Path("escena/anteriores/1"));
  EXPECT_EQ(Intercambio::Recupera(c.Path("escena")), Intercambio::Recuperado::Deshecho);
  EXPECT_EQ(ReadTree(c.Path("datos")), antes);
  EXPECT_EQ(ReadTree(c.Path("escena")), (std::map<std::string, std::string>{}));

  // Cut after the confirmation, while the kept files were being deleted.
  diario("confirmado");
  fs::create_directories(c.Path("escena/anteriores"));
  fs::rename(c.Path("datos/b.txt"), c.Path("escena/anteriores/0"));
  fs::remove(c.Path("datos/a.txt"));
  fs::rename(c.Path("nuevo/a.txt"), c.Path("datos/a.txt"));
  EXPECT_EQ(Intercambio::Recupera(c.Path("escena")), Intercambio::Recuperado::Completado);
  EXPECT_EQ(ReadTree(c.Path("datos")), (std::map<std::string, std::string>{{"a.txt", "a nuevo"}}));
  EXPECT_EQ(ReadTree(c.Path("escena")), (std::map<std::string, std::string>{}));
}

TEST_F(IntercambioTest, DamagedJournalIsRefusedAndTouchesNothing) {
  for (const std::string bytes : {"orvo intercambio 1\nfase intercambio\nR\tsolo\n",
                                  "orvo intercambio 1\nfase otra\nfin\n", "otra cosa\n",
                                  "orvo intercambio 1\nfase intercambio\nR\t/a%zz\t/b\nfin\n"}) {
    WriteFile(c.Path("escena/diario"), bytes);
    EXPECT_THROW(Intercambio::Recupera(c.Path("escena")), RuntimeError) << bytes;
    EXPECT_EQ(ReadTree(c.Path("datos")), antes);
  }
}

// The kept files and the new ones on another file system than the targets
// (a backup folder mounted apart): moves are copies then, and the swap holds
// all the same.
TEST_F(IntercambioTest, AcrossFileSystemsTheSwapStandsOrIsUndoneAllTheSame) {
  std::string plantilla = "/dev/shm/orvo-escena-XXXXXX";
  struct stat aqui {}, alla {};
  if (::mkdtemp(plantilla.data()) == nullptr) GTEST_SKIP() << "no /dev/shm";
  const fs::path escena = plantilla;
  ::stat(c.Root().c_str(), &aqui);
  ::stat(escena.c_str(), &alla);
  if (aqui.st_dev == alla.st_dev) {
    fs::remove_all(escena);
    GTEST_SKIP() << "/dev/shm is on the same file system";
  }
  const auto planea = [&](Intercambio& cambio) {
    WriteFile(escena / "nuevo/a.txt", "a nuevo");
    WriteFile(escena / "nuevo/c.txt", "c nuevo");
    cambio.Retira(c.Path("datos/b.txt"));
    cambio.Coloca(escena / "nuevo/a.txt", c.Path("datos/a.txt"));
    cambio.Coloca(escena / "nuevo/c.txt", c.Path("datos/sub/c.txt"));
  };
  {
    Intercambio cambio(escena);
    planea(cambio);
    fs::remove(escena / "nuevo/c.txt");
    EXPECT_THROW(cambio.Ejecuta(), RuntimeError);
    EXPECT_FALSE(cambio.Pendiente());
    EXPECT_EQ(ReadTree(c.Path("datos")), antes);
  }
  {
    Intercambio cambio(escena);
    planea(cambio);
    cambio.Ejecuta();
    EXPECT_EQ(ReadTree(c.Path("datos")), (std::map<std::string, std::string>{
                                             {"a.txt", "a nuevo"}, {"sub/", ""}, {"sub/c.txt", "c nuevo"}}));
    EXPECT_EQ(ReadTree(escena), (std::map<std::string, std::string>{{"nuevo/", ""}}));
  }
  {
    // A name at the system's limit: the copy's temporary beside it fits too.
    const std::string largo = std::string(251, 'n') + ".txt";
    WriteFile(escena / "nuevo" / largo, "largo");
    Intercambio cambio(escena);
    cambio.Coloca(escena / "nuevo" / largo, c.Path("datos") / largo);
    cambio.Ejecuta();
    EXPECT_EQ(orvo::testing::ReadFile(c.Path("datos") / largo), "largo");
  }
  fs::remove_all(escena);
}

}  // namespace
}  // namespace orvo::backup
