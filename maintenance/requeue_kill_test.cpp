// A re-queue killed (SIGKILL) part-way: the database stays sound and holds
// either none of the re-queue or all of it, and running it again gives what
// one uninterrupted re-queue gives.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "common/arranque.h"
#include "maintenance/base_de_prueba.h"
#include "platform/db/connection.h"
#include "platform/testsupport/child.h"
#include "platform/testsupport/database_state.h"
#include "platform/testsupport/second_process.h"

namespace orvo::maintenance {
namespace {

namespace fs = std::filesystem;
using orvo::testing::Contents;
using orvo::testing::IntegrityCheck;

constexpr int kChecadas = 80000;

int Requeue(const fs::path& marker = {}, std::chrono::milliseconds after = {}) {
  std::vector<std::string> args{"2015 01 01", "2015 12 31"};
  if (!marker.empty()) args.push_back(marker.string());
  auto child = orvo::testing::Start(ORVO_REQUEUE_CHILD, args);
  return marker.empty() ? orvo::testing::WaitForEnd(child) : orvo::testing::KillAtMarker(child, marker, after);
}

fs::path Main(const orvo::testing::TempDrive& c) { return c.Path("Quiravel/Quiravel.mdb"); }

// A year of archived punches of 50 employees, some results and a queue.
void Fill(prueba::BaseDePrueba& b) {
  auto t = b.bases.cn.Begin();
  for (int n = 1; n <= 50; ++n) b.Empleado(std::int64_t{n}, std::to_string(n));
  char fecha[16], hora[16];
  for (int i = 0; i < kChecadas; ++i) {
    std::snprintf(fecha, sizeof fecha, "2015 %02d %02d", 1 + i % 12, 1 + (i / 12) % 28);
    std::snprintf(hora, sizeof hora, "%02d:%02d:00", i % 24, (i / 24) % 60);
    b.Fila("Listado1", fecha, std::int64_t{1 + i % 50}, hora);
  }
  for (int i = 0; i < 500; ++i) {
    std::snprintf(fecha, sizeof fecha, "2015 %02d %02d", 1 + i % 12, 1 + i % 28);
    b.Fila("Chequeo", fecha, std::int64_t{1 + i % 50}, "08:00:00");
    b.Fila("Checadas", fecha, std::int64_t{1 + i % 50}, "18:00:00");
  }
  t.Commit();
}

TEST(RequeueKillTest, AKilledRequeueIsAllOrNothingAndARunAgainEqualsOneWholeRun) {
  orvo::testing::TableRows before, whole;
  {
    prueba::BaseDePrueba b;
    Fill(b);
    before = Contents(Main(b.c), common::kClavePrincipal);
    ASSERT_EQ(Requeue(), 0);
    whole = Contents(Main(b.c), common::kClavePrincipal);
    ASSERT_NE(whole, before);
  }

  prueba::BaseDePrueba b;
  Fill(b);
  int killed = 0;
  for (int after : {0, 10, 40, 100}) {
    const int status = Requeue(b.c.Path("marca"), std::chrono::milliseconds{after});
    ASSERT_TRUE(status == orvo::testing::kKilled || status == 0) << status;
    killed += status == orvo::testing::kKilled;
    EXPECT_EQ(IntegrityCheck(Main(b.c), common::kClavePrincipal), "ok");
    const auto now = Contents(Main(b.c), common::kClavePrincipal);
    EXPECT_TRUE(now == before || now == whole) << "killed " << after << " ms into the re-queue";
  }
  EXPECT_GT(killed, 0) << "no kill landed inside a re-queue";

  ASSERT_EQ(Requeue(), 0);
  EXPECT_EQ(IntegrityCheck(Main(b.c), common::kClavePrincipal), "ok");
  EXPECT_EQ(Contents(Main(b.c), common::kClavePrincipal), whole);
}

}  // namespace
}  // namespace orvo::maintenance
