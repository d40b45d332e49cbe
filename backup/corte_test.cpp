// A restore or a backup killed (SIGKILL) at every point it passes, in a
// second process: what the next start makes of it is the old data whole or
// the new data whole, the database sound, and the same work run again gives
// what one uninterrupted run gives.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "backup/respaldo_prueba.h"
#include "backup/snapload.h"
#include "common/lanzamiento.h"
#include "platform/forms/runtime.h"
#include "platform/forms/scripted_dialogs.h"
#include "platform/process/process.h"
#include "platform/testsupport/commands.h"

namespace orvo::respaldo {
namespace {

namespace fs = std::filesystem;
using orvo::testing::WriteFile;

// A process ended by SIGKILL, as process::Child reports it.
constexpr int kMuerto = 128 + 9;

struct CorteTest : ::testing::Test {
  CorteTest() {
    p.Llena();
    p.InstalaSnapmake();
  }

  // The helper run to its end (`punto` 0) or cut before its `punto`th change
  // of a name; its exit status.
  int Hijo(const std::string& modo, const std::string& argumento, int punto) {
    process::Child hijo = process::Start(CORTE_HIJO_EXE, {modo, argumento, std::to_string(punto)});
    const auto fin = hijo.Wait(std::chrono::minutes(2));
    if (!fin) {
      ADD_FAILURE() << "corte_hijo did not end";
    }
    return fin.value_or(-1);
  }

  // The next start of Snapload, as the program loads its window; the texts of
  // the boxes it showed.
  std::vector<std::string> ArrancaSnapload() {
    common::CreaMarcador(p.programa, common::kMarcadorSnapload);
    forms::ScriptedDialogs boxes;
    forms::Runtime runtime(boxes, "Snapload", [](int) {});
    Snapload ventana(boxes, runtime, p.programa);
    EXPECT_TRUE(ventana.Open());
    std::vector<std::string> textos;
    for (const auto& box : boxes.shown) textos.push_back(box.text);
    return textos;
  }

  // Folders in the backup folder: a finished run leaves none.
  std::vector<std::string> Carpetas() const {
    std::vector<std::string> nombres;
    for (const auto& e : fs::directory_iterator(p.Respaldo())) {
      if (e.is_directory()) nombres.push_back(e.path().filename().string());
    }
    return nombres;
  }

  prueba::Prueba p;
};

bool Contiene(const std::vector<std::string>& textos, const std::string& parte) {
  return std::any_of(textos.begin(), textos.end(),
                     [&](const std::string& t) { return t.find(parte) != std::string::npos; });
}

TEST_F(CorteTest, RestoreCutAtEveryPointOfItsSwapIsOldOrNewWholeAfterTheNextStart) {
  const std::string conjuntoA = p.NuevoRespaldo();
  ASSERT_FALSE(conjuntoA.empty());
  const auto a = p.Captura();
  p.Sql("INSERT INTO Checadas VALUES ('2026 02 04', 126, '08:00:00')");
  p.Sql("DELETE FROM Chequeo");
  WriteFile(p.c.Path("Quiravel/notas.txt"), "cambiadas");
  WriteFile(p.c.Path("Quiravel/nuevo.txt"), "no estaba");
  WriteFile(p.c.Path("Quiravel/Res/foto.jpg"), "otra foto");
  WriteFile(p.c.Path("Quiravel/Quira/q.txt"), "q cambiado");
  // Changed, not removed: a restore replaces the files of a companion
  // archive and removes none, so only the way back to a set would differ.
  WriteFile(p.c.Path("Windows/ftpcnf.dll"), "otro\r\n");
  const std::string conjuntoB = p.NuevoRespaldo();
  ASSERT_FALSE(conjuntoB.empty());
  const auto b = p.Captura();
  ASSERT_NE(a, b);

  int deshechos = 0, completados = 0, avisosDeshecho = 0, avisosCompletado = 0;
  for (int punto = 1;; ++punto) {
    SCOPED_TRACE("cut before change " + std::to_string(punto));
    const int fin = Hijo("restaura", conjuntoA, punto);
    if (fin == 0) {
      // Past its last change: the uninterrupted restore, after every cut before.
      EXPECT_EQ(p.Captura(), a);
      break;
    }
    ASSERT_EQ(fin, kMuerto);
    const std::vector<std::string> avisos = ArrancaSnapload();
    avisosDeshecho += Contiene(avisos, "se deshizo");
    avisosCompletado += Contiene(avisos, "se completó");
    EXPECT_TRUE(Carpetas().empty());
    EXPECT_EQ(p.Integridad(), "ok");
    const auto estado = p.Captura();
    if (estado == b) {
      ++deshechos;
      EXPECT_FALSE(Contiene(avisos, "se completó"));
    } else {
      ASSERT_EQ(estado, a) << "neither the data before nor the restored set";
      ++completados;
      EXPECT_FALSE(Contiene(avisos, "se deshizo"));
      // Back to the data before: a whole restore of the set made of it.
      ASSERT_EQ(Hijo("restaura", conjuntoB, 0), 0);
      ASSERT_EQ(p.Captura(), b);
    }
    if (Contiene(avisos, "se deshizo")) {
      EXPECT_EQ(estado, b);
    }
    ASSERT_LT(punto, 1000);
  }
  // Both outcomes were met: cuts before and after the confirmation.
  EXPECT_GT(deshechos, 0);
  EXPECT_GT(completados, 0);
  // And the user was told of both: the journal was met on each side.
  EXPECT_GT(avisosDeshecho, 0);
  EXPECT_GT(avisosCompletado, 0);
}

}  // namespace
}  // namespace orvo::respaldo
