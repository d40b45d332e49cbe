// The result file "crtd" through whole runs of the real programs as
// orvo-admin starts them: each run's file is its own or none, and a program
// stopped from outside (SIGTERM, SIGINT, SIGHUP, to orvo-admin or to the
// program itself) leaves its failure result, never an earlier "ok".
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <fstream>
#include <string>

#include "backup/respaldo_prueba.h"
#include "common/lanzamiento.h"
#include "platform/process/process.h"
#include "platform/testsupport/child.h"

namespace orvo::backup {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using orvo::testing::WriteFile;

// The first process that `pid` started and that still runs; 0 while none.
pid_t HijoDe(pid_t pid) {
  std::ifstream hijos("/proc/" + std::to_string(pid) + "/task/" + std::to_string(pid) + "/children");
  pid_t hijo = 0;
  return hijos >> hijo ? hijo : 0;
}

// Waits up to 30 s for `hecho`.
template <typename F>
bool Espera(F hecho) {
  for (int i = 0; i < 3000; ++i) {
    if (hecho()) return true;
    process::Sleep(10ms);
  }
  return false;
}

TEST(ResultadoTest, LaunchLeavesNoEarlierResultNorAMarkerThatWasNotTaken) {
  prueba::Prueba p;
  WriteFile(p.programa / "crtd", "ok\r\n");
  // A Snapmake that dies at its start, before its marker test, as one that
  // cannot reach a display did.
  const fs::path otra = p.programa / "otra" / "Snapmake";
  WriteFile(otra, "#!/bin/sh\nkill -ABRT $$\n");
  fs::permissions(otra, fs::perms::owner_all);
  auto admin = orvo::testing::Start(ORVO_ADMIN_EXE, {"launch", otra.string(), "1"});
  EXPECT_EQ(admin.Wait(30s), 128 + SIGABRT);
  EXPECT_EQ(p.Crtd(), std::nullopt) << "an earlier run's result stands for this one";
  EXPECT_FALSE(fs::exists(p.programa / "RevSnapmake")) << "the next plain start would get past the marker test";
}

TEST(ResultadoTest, ProgramStoppedFromOutsideLeavesItsFailureResult) {
  const struct {
    const char* programa;
    int senal;
    bool alPrograma;  // sent to the program itself; else to orvo-admin, which passes it on
    const char* resultado;
  } casos[] = {
      {"Snapmake", SIGTERM, false, ""},      {"Snapmake", SIGINT, false, ""},
      {"Snapmake", SIGHUP, true, ""},        {"Snapmake", SIGTERM, true, ""},
      {"Snapload", SIGTERM, false, "err\r\n"}, {"Snapload", SIGINT, true, "err\r\n"},
  };
  for (const auto& caso : casos) {
    SCOPED_TRACE(std::string(caso.programa) + " " + strsignal(caso.senal) + (caso.alPrograma ? " to the program" : ""));
    prueba::Prueba p;
    p.InstalaSnapmake();
    ASSERT_FALSE(p.NuevoRespaldo().empty());  // Snapload has a set to offer
    WriteFile(p.programa / "crtd", "ok\r\n");
    // The window run, waiting for a user offscreen.
    auto admin = orvo::testing::Start(ORVO_ADMIN_EXE, {"launch", caso.programa});
    pid_t programa = 0;
    ASSERT_TRUE(Espera([&] { return (programa = HijoDe(admin.Pid())) != 0; }));
    const fs::path marcador = p.programa / (std::string("Rev") + caso.programa);
    ASSERT_TRUE(Espera([&] { return !fs::exists(marcador); })) << "the program did not take its marker";
    ::kill(caso.alPrograma ? programa : admin.Pid(), caso.senal);
    EXPECT_EQ(admin.Wait(30s), 128 + caso.senal) << "orvo-admin ends with the program's status";
    EXPECT_EQ(p.Crtd(), caso.resultado);
  }
}

}  // namespace
}  // namespace orvo::backup
