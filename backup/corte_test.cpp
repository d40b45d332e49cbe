// A restore or a backup killed (SIGKILL) at every point it passes, in a
// second process: what the next start makes of it is the old data whole or
// the new data whole, the database sound, and the same work run again gives
// what one uninterrupted run gives.
#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "backup/nombres_respaldo.h"
#include "backup/recuperacion.h"
#include "backup/respaldo_prueba.h"
#include "backup/snapload.h"
#include "common/lanzamiento.h"
#include "platform/forms/runtime.h"
#include "platform/forms/scripted_dialogs.h"
#include "platform/process/process.h"
#include "platform/testsupport/child.h"
#include "platform/testsupport/commands.h"

namespace orvo::backup {
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
    orvo::testing::Child hijo = orvo::testing::Start(ORVO_CUT_CHILD, {modo, argumento, std::to_string(punto)});
    const auto fin = hijo.Wait(std::chrono::minutes(2));
    if (!fin) {
      ADD_FAILURE() << "cut_child did not end";
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
  p.Cambia();
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

// Snapmake puts right a restore cut short before it archives anything: its
// set holds the data as it was before that restore, not a half swap.
TEST_F(CorteTest, SnapmakeStartUndoesACutRestoreBeforeItsBackup) {
  const std::string conjunto = p.NuevoRespaldo();
  ASSERT_FALSE(conjunto.empty());
  WriteFile(p.c.Path("Quiravel/notas.txt"), "cambiadas");
  p.Sql("DELETE FROM Checadas");
  const auto antes = p.Captura();
  // In the swap, once the current files have begun to move aside: cut at the
  // first point where two have.
  const auto apartados = [&] {
    std::size_t n = 0;
    for (const auto& e : fs::recursive_directory_iterator(p.Respaldo())) n += e.path().parent_path().filename() == "anteriores";
    return n;
  };
  for (int punto = 1; apartados() < 2; ++punto) {
    ASSERT_LT(punto, 200);
    RecuperaInterrumpidos();
    ASSERT_EQ(Hijo("restaura", conjunto, punto), kMuerto);
  }
  // The databases never leave their place: their contents go through the engine.
  ASSERT_TRUE(fs::exists(p.c.Path("Quiravel/Auxiliar.mdb")));
  ASSERT_TRUE(fs::exists(p.c.Path("Quiravel/Quiravel.mdb")));

  const std::string nuevo = p.NuevoRespaldo();
  ASSERT_FALSE(nuevo.empty());
  EXPECT_TRUE(Carpetas().empty());
  EXPECT_EQ(p.Integridad(), "ok");
  EXPECT_EQ(p.Captura(), antes);
  // What it archived is that data: restoring its set changes nothing.
  ASSERT_EQ(Hijo("restaura", nuevo, 0), 0);
  EXPECT_EQ(p.Captura(), antes);
}

TEST_F(CorteTest, BackupCutAnywhereLeavesNoHalfSetAndTheNextRunMakesAWholeOne) {
  const auto llenaTablas = [&] {
    if (p.Filas("Checadas") == 0) p.Sql("INSERT INTO Checadas VALUES ('2026 02 03', 125, '07:58:10')");
    if (p.Filas("Chequeo") == 0) p.Sql("INSERT INTO Chequeo (Fecha, Id_Emp, C1) VALUES ('2026 02 03', 1, '07:58:10')");
  };
  // The archives of one stamp, by prefix.
  const auto juego = [&](const std::string& principal) {
    std::vector<std::string> prefijos;
    for (const std::string& n : p.Respaldos()) {
      if (n.substr(4) == principal.substr(4)) prefijos.push_back(n.substr(0, 4));
    }
    return prefijos;
  };
  const std::vector<std::string> completo{"FT1_", "POL_", "QR1_", "QR2_"};
  int sinJuego = 0, conJuego = 0;
  // Every third point: each run waits for a second of its own for its stamp.
  // How many changes a run makes varies with the second it meets, so when the
  // step jumped over the few points after the set was published, the last
  // ones are tried one by one.
  int paso = 3;
  for (int punto = 1;; punto += paso) {
    SCOPED_TRACE("cut before change " + std::to_string(punto));
    const auto antes = p.Respaldos();
    const int fin = Hijo("respalda", p.programa.string(), punto);
    std::vector<std::string> nuevos;
    for (const std::string& n : p.Respaldos()) {
      if (std::find(antes.begin(), antes.end(), n) == antes.end()) nuevos.push_back(n);
    }
    const auto principal = std::find_if(nuevos.begin(), nuevos.end(), [](const std::string& n) { return EsArchivoPrincipal(n); });
    if (fin == 0) {
      // Past its last change: the whole run, a whole set and the tables emptied.
      ASSERT_NE(principal, nuevos.end());
      EXPECT_EQ(juego(*principal), completo);
      EXPECT_EQ(p.Filas("Checadas"), 0);
      if (conJuego == 0 && paso == 3) {
        paso = 1;
        punto -= 3;
        llenaTablas();
        continue;
      }
      break;
    }
    ASSERT_EQ(fin, kMuerto);
    EXPECT_EQ(p.Integridad(), "ok");
    // A set under its final name only when it is whole; the tables emptied
    // all or none, and only after a whole set.
    const long checadas = p.Filas("Checadas"), chequeo = p.Filas("Chequeo");
    EXPECT_EQ(checadas == 0, chequeo == 0);
    if (principal == nuevos.end()) {
      ++sinJuego;
      EXPECT_GT(checadas, 0);
    } else {
      ++conJuego;
      EXPECT_EQ(juego(*principal), completo);
    }

    // The next start: whatever the cut left goes, and a whole set comes.
    const auto previos = p.Respaldos();
    const std::string otro = p.NuevoRespaldo();
    ASSERT_FALSE(otro.empty());
    EXPECT_EQ(juego(otro), completo);
    EXPECT_TRUE(Carpetas().empty());
    // Archives of the cut run without their main archive are gone: every
    // stamp in the backup folder is a whole set (the next run may reuse the
    // cut one's stamp, within the same second).
    for (const std::string& n : p.Respaldos()) EXPECT_EQ(juego(n), completo) << n;
    EXPECT_EQ(p.Integridad(), "ok");
    llenaTablas();
    ASSERT_LT(punto, 1000);
  }
  EXPECT_GT(sinJuego, 0);
  EXPECT_GT(conJuego, 0);
}

// Snapload killed anywhere from its first result file on (written before
// Snapmake starts): the result file says "err" whether the next start undoes
// the restore or finishes it, and "ok" only once the restore stands.
TEST_F(CorteTest, RestoreFromTheWindowCutInItsSwapLeavesErr) {
  const std::string conjunto = p.NuevoRespaldo();
  ASSERT_FALSE(conjunto.empty());
  const auto a = p.Captura();
  p.Cambia();
  int deshechos = 0;
  // Points further and further apart: each cut costs a whole backup first.
  for (int punto = 1;; punto *= 2) {
    SCOPED_TRACE("cut before change " + std::to_string(punto) + " after the result file");
    const auto antes = p.Captura();
    ASSERT_NE(antes, a);
    const int fin = Hijo("carga", conjunto, punto);
    if (fin == 0) {
      EXPECT_EQ(p.Crtd(), "ok\r\n");
      EXPECT_EQ(p.Captura(), a);
      break;
    }
    ASSERT_EQ(fin, kMuerto);
    if (p.Crtd() == "ok\r\n") {
      // Cut while it tidied up after the restore.
      EXPECT_EQ(p.Captura(), a);
    } else {
      EXPECT_EQ(p.Crtd(), "err\r\n");
    }
    ArrancaSnapload();
    const auto estado = p.Captura();
    if (estado == a) {
      p.Cambia();  // finished by the next start: the changed data again for the next cut
    } else {
      EXPECT_EQ(estado, antes);
      ++deshechos;
    }
    ASSERT_LT(punto, 1 << 20);
  }
  EXPECT_GT(deshechos, 0);
}

// SIGTERM while Snapload waits for Snapmake: Snapmake is stopped first, so
// that its result cannot land later, and the file says "err".
TEST_F(CorteTest, SnaploadStoppedWhileSnapmakeRunsStopsItAndLeavesErr) {
  const std::string conjunto = p.NuevoRespaldo();
  ASSERT_FALSE(conjunto.empty());
  const auto antes = p.Captura();
  const fs::path pid = p.programa / "pid";
  p.FalsoSnapmake("echo $$ > \"$(dirname \"$0\")/pid.tmp\"; mv \"$(dirname \"$0\")/pid.tmp\" \"$(dirname \"$0\")/pid\"; exec sleep 60");
  auto hijo = orvo::testing::Start(ORVO_CUT_CHILD, {"carga", conjunto, "0"});
  for (int i = 0; i < 3000 && !fs::exists(pid); ++i) process::Sleep(std::chrono::milliseconds(10));
  ASSERT_TRUE(fs::exists(pid)) << "Snapmake was not started";
  ::kill(hijo.Pid(), SIGTERM);
  EXPECT_EQ(hijo.Wait(std::chrono::seconds(30)), 128 + SIGTERM);
  EXPECT_EQ(p.Crtd(), "err\r\n");
  const pid_t snapmake = std::stoi(orvo::testing::ReadFile(pid));
  if (::kill(snapmake, 0) == 0) {
    ADD_FAILURE() << "Snapmake outlived the Snapload that waited for it";
    ::kill(snapmake, SIGKILL);
  }
  EXPECT_EQ(p.Captura(), antes);
}

// A disk that fills during the swap, in the engine's write of the restored
// data or in the swap's own files: said as such, by its C: path, and the data
// left as they were.
TEST_F(CorteTest, FullDiskInTheSwapIsToldAndLeavesTheDataAsTheyWere) {
  const std::string conjunto = p.NuevoRespaldo();
  ASSERT_FALSE(conjunto.empty());
  p.Cambia();
  const auto antes = p.Captura();
  for (const char* clase : {"motor", "todo"}) {
    SCOPED_TRACE(clase);
    const fs::path errores = p.programa / "errores";
    auto hijo = orvo::testing::Start("/bin/sh", {"-c", "exec \"$0\" lleno \"$1\" \"$2\" 2>\"$3\"", ORVO_CUT_CHILD,
                                                 conjunto, clase, errores.string()});
    EXPECT_EQ(hijo.Wait(std::chrono::minutes(2)), 1);
    // The last line: Qt may have a word of its own first.
    const std::string dicho = orvo::testing::ReadFile(errores);
    const std::string linea =
        "61: Disco lleno: no queda espacio en la unidad de C:\\Quiravel para restaurar el respaldo; los datos actuales "
        "quedaron como estaban\n";
    EXPECT_TRUE(dicho == linea || dicho.ends_with("\n" + linea)) << dicho;
    EXPECT_TRUE(RecuperaInterrumpidos().empty());
    EXPECT_TRUE(Carpetas().empty());
    EXPECT_EQ(p.Captura(), antes);
    EXPECT_EQ(p.Integridad(), "ok");
  }
}

// The Snapmake started by the process `padre`: the one whose environment
// names it as the Snapload it answers; 0 while there is none.
pid_t SnapmakeDe(pid_t padre) {
  const std::string marca = std::string(common::kVariableEspera) + "=" + std::to_string(padre);
  std::error_code ec;
  for (const auto& e : fs::directory_iterator("/proc", ec)) {
    const std::string nombre = e.path().filename().string();
    if (nombre.find_first_not_of("0123456789") != std::string::npos) continue;
    std::ifstream entrada(e.path() / "environ", std::ios::binary);
    const std::string entorno((std::istreambuf_iterator<char>(entrada)), std::istreambuf_iterator<char>());
    if (('\0' + entorno).find('\0' + marca + '\0') != std::string::npos) return std::stoi(nombre);
  }
  return 0;
}

// Whether a process runs (an ended one waiting to be reaped does not).
bool Vive(pid_t pid) {
  std::ifstream entrada("/proc/" + std::to_string(pid) + "/stat");
  std::string linea;
  if (!std::getline(entrada, linea)) return false;
  const std::size_t cierre = linea.rfind(')');
  return cierre != std::string::npos && cierre + 2 < linea.size() && linea[cierre + 2] != 'Z';
}

// SIGKILL, which no handler sees, while Snapload's Snapmake makes the backup
// of the current data: that Snapmake does not go on to tell Snapload's caller
// "ok" for a restore that never happened; the next start says what it found.
TEST_F(CorteTest, SnaploadKilledWhileItsSnapmakeBacksUpLeavesNoOk) {
  const std::string conjunto = p.NuevoRespaldo();
  ASSERT_FALSE(conjunto.empty());
  // Enough to pack that the backup takes a while: the kill lands in it.
  ASSERT_EQ(orvo::testing::RunCommand("head -c 48M /dev/urandom > " +
                                      orvo::testing::Quote(p.c.Path("Quiravel/fotos.bin"))),
            0);
  p.Cambia();
  const auto antes = p.Captura();
  auto hijo = orvo::testing::Start(ORVO_CUT_CHILD, {"carga", conjunto, "0"});
  pid_t snapmake = 0;
  const auto respaldando = [&] {
    for (const auto& e : fs::directory_iterator(p.Respaldo())) {
      if (e.path().filename().string().starts_with("~respaldo_")) return true;
    }
    return false;
  };
  for (int i = 0; i < 6000 && (snapmake == 0 || !respaldando()); ++i) {
    if (snapmake == 0) snapmake = SnapmakeDe(hijo.Pid());
    process::Sleep(std::chrono::milliseconds(10));
  }
  ASSERT_NE(snapmake, 0) << "Snapmake was not started";
  ASSERT_TRUE(respaldando()) << "Snapmake did not begin its backup";
  ASSERT_TRUE(Vive(snapmake)) << "the backup ended before the kill";
  ::kill(hijo.Pid(), SIGKILL);
  EXPECT_EQ(hijo.Wait(std::chrono::seconds(30)), kMuerto);
  for (int i = 0; i < 12000 && Vive(snapmake); ++i) process::Sleep(std::chrono::milliseconds(10));
  ASSERT_FALSE(Vive(snapmake)) << "Snapmake outlived the Snapload that started it";

  EXPECT_EQ(p.Crtd(), "err\r\n");
  const std::vector<std::string> avisos = ArrancaSnapload();
  EXPECT_TRUE(Contiene(avisos, "antes de colocar el respaldo; los datos quedaron como estaban")) << avisos.size();
  EXPECT_TRUE(Carpetas().empty());
  EXPECT_EQ(p.Captura(), antes);
  EXPECT_EQ(p.Integridad(), "ok");
}

}  // namespace
}  // namespace orvo::backup
