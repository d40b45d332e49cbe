// A backup and a restore killed (SIGKILL) part-way. After a killed backup the
// data is as it was and every set in the backup folder is whole; after a
// killed restore the data is either the data before it or the set's, never a
// mixture, once the restore runs again; and that run ends as one
// uninterrupted restore does.
#include <gtest/gtest.h>

#include <signal.h>

#include <algorithm>
#include <chrono>
#include <map>
#include <set>
#include <string>
#include <thread>

#include "backup/escena.h"
#include "backup/juego_respaldo.h"
#include "backup/respaldo_prueba.h"
#include "backup/snapload.h"
#include "common/arranque.h"
#include "common/lanzamiento.h"
#include "platform/forms/runtime.h"
#include "platform/forms/scripted_dialogs.h"
#include "platform/testsupport/commands.h"
#include "platform/testsupport/database_state.h"
#include "platform/testsupport/second_process.h"

namespace orvo::respaldo {
namespace {

namespace fs = std::filesystem;
using orvo::testing::WriteFile;

// Many files at the top of the product folder, so a restore's swap and a
// backup's staging take long enough to be cut in their middle.
void ManyFiles(prueba::Prueba& p, const std::string& contenido) {
  for (int i = 0; i < 400; ++i)
    WriteFile(p.c.Path("Quiravel/archivo" + std::to_string(i) + ".txt"), contenido + std::to_string(i));
}

// The backup folder's archives by stamp: which prefixes each set holds.
std::map<std::string, std::set<std::string>> Sets(const prueba::Prueba& p) {
  std::map<std::string, std::set<std::string>> sets;
  for (const std::string& nombre : p.Respaldos()) sets[nombre.substr(4)].insert(nombre.substr(0, 4));
  return sets;
}

struct KillTest : ::testing::Test {
  KillTest() {
    p.Llena();
    p.InstalaSnapmake();
  }
  process::Child StartSnapmake() {
    common::CreaMarcador(p.programa, common::kMarcadorSnapmake);
    return process::Start(p.programa / "Snapmake", {"1"});
  }
  // A set of many files, then every one of them changed and more: the set's
  // name; delSet and cambiado hold the data of both moments.
  std::string SetThenChange() {
    ManyFiles(p, "del respaldo ");
    EXPECT_EQ(p.RespaldoDesatendido(), 0);
    std::string set;
    for (const std::string& nombre : p.Respaldos())
      if (nombre.starts_with("QR1_")) set = nombre;
    delSet = p.Captura();
    Change();
    cambiado = p.Captura();
    return set;
  }
  void Change() {
    ManyFiles(p, "cambiado ");
    p.Sql("INSERT INTO Checadas VALUES ('2026 02 04', 126, '08:00:00')");
    WriteFile(p.c.Path("Quiravel/nuevo.txt"), "no estaba");
  }
  // Nothing but finished archives in the backup folder.
  void OnlyArchivesLeft() {
    for (const auto& e : fs::directory_iterator(p.Respaldo())) EXPECT_TRUE(e.is_regular_file()) << e.path();
  }
  prueba::Prueba p;
  prueba::Prueba::Estado delSet, cambiado;
};

TEST_F(KillTest, AKilledBackupLeavesTheDataAndOnlyWholeSets) {
  ManyFiles(p, std::string(20000, 'x'));
  const auto antes = p.Captura();
  ASSERT_EQ(p.RespaldoDesatendido(), 0);
  const auto entero = Sets(p);
  ASSERT_EQ(entero.size(), 1u);
  const std::set<std::string> whole = entero.begin()->second;

  for (int after : {0, 20, 60, 150, 300, 600}) {
    auto child = StartSnapmake();
    std::this_thread::sleep_for(std::chrono::milliseconds{after});
    ::kill(child.Pid(), SIGKILL);
    child.Wait(std::chrono::minutes{1});
    EXPECT_EQ(orvo::testing::IntegrityCheck(p.c.Path("Quiravel/Quiravel.mdb"), common::kClavePrincipal), "ok");
    EXPECT_EQ(p.Captura(), antes) << "killed " << after << " ms into the backup";
    for (const auto& [sello, prefijos] : Sets(p)) EXPECT_EQ(prefijos, whole) << sello;
    for (const std::string& nombre : p.Respaldos()) {
      std::string salida;
      EXPECT_EQ(orvo::testing::RunCommand("unzip -tq " + orvo::testing::Quote(p.Respaldo() / nombre), &salida), 0)
          << nombre << salida;
    }
  }
  ASSERT_EQ(p.RespaldoDesatendido(), 0);
  EXPECT_EQ(p.Captura(), antes);
  OnlyArchivesLeft();
}

TEST_F(KillTest, AKilledRestoreEndsAsTheDataBeforeOrTheSetAndARestoreAgainCompletesIt) {
  const std::string set = SetThenChange();

  const fs::path marker = p.c.Path("marca");
  int killed = 0;
  for (int after : {0, 2, 5, 10, 20, 40}) {
    auto child = process::Start(ORVO_RESTORE_CHILD, {set, marker.string()});
    const int status = orvo::testing::KillAtMarker(child, marker, std::chrono::milliseconds{after});
    killed += status == orvo::testing::kKilled;
    // A restore started again first puts back what the killed one had
    // swapped, then restores whole: cut here at once, it shows the put-back.
    auto again = process::Start(ORVO_RESTORE_CHILD, {set, marker.string()});
    ASSERT_EQ(orvo::testing::KillAtMarker(again, marker), orvo::testing::kKilled);
    const auto now = p.Captura();
    EXPECT_TRUE(now == cambiado || now == delSet) << "killed " << after << " ms into the swap";
    EXPECT_EQ(orvo::testing::IntegrityCheck(p.c.Path("Quiravel/Quiravel.mdb"), common::kClavePrincipal), "ok");
    if (now == delSet) {  // the killed restore had completed: the change again for the next round
      Change();
      ASSERT_EQ(p.Captura(), cambiado);
    }
  }
  EXPECT_GT(killed, 0) << "no kill landed inside a restore";

  auto whole = process::Start(ORVO_RESTORE_CHILD, {set});
  ASSERT_EQ(orvo::testing::WaitForEnd(whole), 0);
  EXPECT_EQ(p.Captura(), delSet);
  OnlyArchivesLeft();
}

TEST_F(KillTest, SnaploadsStartPutsBackARestoreKilledInItsSwap) {
  const std::string set = SetThenChange();
  const fs::path marker = p.c.Path("marca");
  auto child = process::Start(ORVO_RESTORE_CHILD, {set, marker.string()});
  orvo::testing::KillAtMarker(child, marker, std::chrono::milliseconds{3});
  common::CreaMarcador(p.programa, common::kMarcadorSnapload);
  forms::ScriptedDialogs boxes;
  forms::Runtime runtime(boxes, "Snapload", [](int) {});
  Snapload w(boxes, runtime, p.programa);
  w.Open();
  const auto now = p.Captura();
  EXPECT_TRUE(now == cambiado || now == delSet);
  OnlyArchivesLeft();
}

TEST_F(KillTest, WhatAKilledBackupLeftIsRemovedButNotWhatARunningOneHolds) {
  ASSERT_EQ(p.RespaldoDesatendido(), 0);
  const auto entero = p.Respaldos();
  // A run killed while moving its archives in: one moved, its staging left.
  WriteFile(p.Respaldo() / "QR1_010126_101010.ZIP", "movido");
  WriteFile(p.Respaldo() / "~respaldo_010126_101010/FT1_010126_101010.ZIP", "sin mover");
  WriteFile(p.Respaldo() / "~respaldo_010126_101010/en_uso", "");
  // A run still going: its lock is held.
  WriteFile(p.Respaldo() / "QR1_020126_101010.ZIP", "en curso");
  fs::create_directories(p.Respaldo() / "~respaldo_020126_101010");
  {
    CerrojoDeEscena vivo(p.Respaldo() / "~respaldo_020126_101010");
    JuegoRespaldo::DescartaInterrumpidos();
  }
  EXPECT_FALSE(fs::exists(p.Respaldo() / "QR1_010126_101010.ZIP"));
  EXPECT_FALSE(fs::exists(p.Respaldo() / "~respaldo_010126_101010"));
  EXPECT_TRUE(fs::exists(p.Respaldo() / "QR1_020126_101010.ZIP"));
  EXPECT_TRUE(fs::exists(p.Respaldo() / "~respaldo_020126_101010"));
  for (const std::string& nombre : entero) EXPECT_TRUE(fs::exists(p.Respaldo() / nombre)) << nombre;
}

}  // namespace
}  // namespace orvo::respaldo
