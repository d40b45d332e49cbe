// An import killed (SIGKILL) in the middle of its load: the database stays
// sound and holds nothing of the file, and sending the file again gives what
// one uninterrupted send gives.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "import/base_de_prueba.h"
#include "platform/testsupport/child.h"
#include "platform/testsupport/database_state.h"
#include "platform/testsupport/second_process.h"

namespace orvo::importer {
namespace {

namespace fs = std::filesystem;
using orvo::testing::Contents;
using orvo::testing::IntegrityCheck;

// A poll file of `lineas` punches over 80 employee numbers and many days.
std::string PollFile(int lineas, int desde = 0) {
  std::string bytes;
  for (int i = desde; i < desde + lineas; ++i) {
    const int dia = 1 + i % 28, mes = 1 + (i / 28) % 12;
    char linea[64];
    std::snprintf(linea, sizeof linea, "2010 %02d %02d,%d,%02d:%02d:%02d\r\n", mes, dia, 1 + i % 80, i % 24,
                  i % 60, (i * 7) % 60);
    bytes += linea;
  }
  return bytes;
}

// Employees 1-60 registered with their number as text; every fifth inactive.
void Employees(prueba::BaseDePrueba& b) {
  for (int id = 1; id <= 60; ++id) b.Empleado(id, std::to_string(id), id % 5 == 0 ? "N" : "S");
}

orvo::testing::Child Import(const std::string& file, const fs::path& marker = {}) {
  std::vector<std::string> args{"poleo", file};
  if (!marker.empty()) args.push_back(marker.string());
  return orvo::testing::Start(ORVO_IMPORT_CHILD, args);
}

TEST(ImportKillTest, KilledLoadLeavesNothingAndASecondSendEqualsOneWholeSend) {
  constexpr int kLineas = 60000;
  // The uninterrupted send, on a drive of its own.
  orvo::testing::TableRows whole;
  {
    prueba::BaseDePrueba b;
    Employees(b);
    auto child = Import(b.Archivo("poleo.txt", PollFile(kLineas)));
    ASSERT_EQ(orvo::testing::WaitForEnd(child), 0);
    whole = Contents(b.c.Path("Quiravel/Quiravel.mdb"), "LUMAK");
    ASSERT_EQ(whole["Listado1"].size(), std::size_t{kLineas});
  }

  prueba::BaseDePrueba b;
  Employees(b);
  const auto mdb = b.c.Path("Quiravel/Quiravel.mdb");
  const auto before = Contents(mdb, "LUMAK");
  const std::string file = b.Archivo("poleo.txt", PollFile(kLineas));
  // Cut at the first punch written and a little later, well inside the load.
  for (int after : {0, 30}) {
    auto child = Import(file, b.c.Path("marca"));
    ASSERT_EQ(orvo::testing::KillAtMarker(child, b.c.Path("marca"), std::chrono::milliseconds{after}),
              orvo::testing::kKilled);
    EXPECT_EQ(IntegrityCheck(mdb, "LUMAK"), "ok");
    EXPECT_EQ(Contents(mdb, "LUMAK"), before) << "killed " << after << " ms after the first punch";
  }
  auto child = Import(file);
  ASSERT_EQ(orvo::testing::WaitForEnd(child), 0);
  EXPECT_EQ(IntegrityCheck(mdb, "LUMAK"), "ok");
  EXPECT_EQ(Contents(mdb, "LUMAK"), whole);
}

}  // namespace
}  // namespace orvo::importer
