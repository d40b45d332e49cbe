#include "backup/recuperacion.h"

#include <gtest/gtest.h>

#include "backup/bloqueo_carpeta.h"
#include "platform/error.h"
#include "platform/testsupport/commands.h"
#include "platform/testsupport/temp_drive.h"

namespace orvo::backup {
namespace {

namespace fs = std::filesystem;
using orvo::testing::ReadTree;
using orvo::testing::WriteFile;

struct RecuperacionTest : ::testing::Test {
  fs::path Respaldo(const std::string& nombre) const { return c.Path("Quiravel/orvoBackup/" + nombre); }
  orvo::testing::TempDrive c;
};

TEST_F(RecuperacionTest, LeftoversGoAndEverythingElseStays) {
  // A backup run cut after it had moved a companion archive, but not its main one.
  WriteFile(Respaldo("~respaldo_030226_090507/QR1_030226_090507.ZIP"), "principal");
  WriteFile(Respaldo("QR2_030226_090507.ZIP"), "companero huerfano");
  // A run cut after its main archive went in: its set is whole and stays.
  WriteFile(Respaldo("~respaldo_030226_090600/x"), "");
  WriteFile(Respaldo("QR1_030226_090600.ZIP"), "principal");
  WriteFile(Respaldo("QR2_030226_090600.ZIP"), "companero");
  // A restore cut while it was staging, before any swap.
  WriteFile(Respaldo("~restaura_a1B2c3/C/Quiravel/notas.txt"), "");
  // Not of these names: a user's own folders and files.
  for (const char* ajeno : {"~respaldo_030226_0905/x", "~respaldo_030226_090507x/x", "~restaura_abc/x",
                            "~restaura_abc-12/x", "mios/x", "~respaldo_otro.txt"}) {
    WriteFile(Respaldo(ajeno), "del usuario");
  }
  const auto esperado = [&] {
    auto arbol = ReadTree(c.Path("Quiravel/orvoBackup"));
    std::erase_if(arbol, [](const auto& e) {
      return e.first.starts_with("~respaldo_030226_090507/") || e.first == "QR2_030226_090507.ZIP" ||
             e.first.starts_with("~respaldo_030226_090600/") || e.first.starts_with("~restaura_a1B2c3/");
    });
    return arbol;
  }();
  // The restore cut short is told of, as the user may wonder where it went.
  EXPECT_EQ(RecuperaInterrumpidos(),
            std::vector<std::string>{"Se encontró una restauración interrumpida (~restaura_a1B2c3) antes de colocar "
                                     "el respaldo; los datos quedaron como estaban."});
  EXPECT_EQ(ReadTree(c.Path("Quiravel/orvoBackup")), esperado);
}

TEST_F(RecuperacionTest, FoldersOfLiveRunsStay) {
  WriteFile(Respaldo("~respaldo_030226_090507/QR1_030226_090507.ZIP"), "en curso");
  WriteFile(Respaldo("QR2_030226_090507.ZIP"), "en curso");
  WriteFile(Respaldo("~restaura_a1B2c3/diario"), "orvo intercambio 1\nfase intercambio\nfin\n");
  BloqueoCarpeta respaldo, restauracion;
  ASSERT_TRUE(respaldo.Toma(Respaldo("~respaldo_030226_090507")));
  ASSERT_TRUE(restauracion.Toma(Respaldo("~restaura_a1B2c3")));
  const auto antes = ReadTree(c.Path("Quiravel/orvoBackup"));
  EXPECT_TRUE(RecuperaInterrumpidos().empty());
  EXPECT_EQ(ReadTree(c.Path("Quiravel/orvoBackup")), antes);

  // Once the runs are gone, the restore's journal is met and undone (it had
  // moved nothing yet).
  respaldo.Suelta();
  restauracion.Suelta();
  const auto avisos = RecuperaInterrumpidos();
  ASSERT_EQ(avisos.size(), 1u);
  EXPECT_EQ(avisos[0], "Se encontró una restauración interrumpida (~restaura_a1B2c3); se deshizo y los datos "
                       "quedaron como estaban antes de ella.");
  EXPECT_EQ(ReadTree(c.Path("Quiravel/orvoBackup")), (std::map<std::string, std::string>{}));
}

TEST_F(RecuperacionTest, DamagedJournalStopsTheStartAndStays) {
  WriteFile(Respaldo("~restaura_a1B2c3/diario"), "orvo intercambio 1\nfase intercambio\n");
  const auto antes = ReadTree(c.Path("Quiravel/orvoBackup"));
  EXPECT_THROW(RecuperaInterrumpidos(), RuntimeError);
  EXPECT_EQ(ReadTree(c.Path("Quiravel/orvoBackup")), antes);
}

}  // namespace
}  // namespace orvo::backup
