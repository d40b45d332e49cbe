// Two importers and the classification engine, three real processes, writing
// the same main database at once: every row arrives, none waits into a
// "database is locked" failure, and the database ends as it would after the
// three ran one after another.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "import/base_de_prueba.h"
#include "platform/testsupport/child.h"
#include "platform/testsupport/database_state.h"
#include "platform/testsupport/second_process.h"

namespace orvo::importer {
namespace {

namespace fs = std::filesystem;
using orvo::testing::WaitForEnd;

constexpr int kLineas = 20000;

// A punch file of kLineas lines over 12 months, 28 days and `empleados`
// employee numbers; `formato` takes the month, day, number, hour and minute.
std::string Generated(const char* formato, int empleados) {
  std::string bytes;
  for (int i = 0; i < kLineas; ++i) {
    char linea[64];
    std::snprintf(linea, sizeof linea, formato, 1 + i % 12, 1 + i % 28, 1 + i % empleados, i % 24, i % 60);
    bytes += linea;
  }
  return bytes;
}

// Employee 17 on a day shift every Monday, 20 on the flexible shift, four
// punches a Monday for 17 and two for 20 over 150 Mondays from 2024 01 01.
std::string ClassifyInput() {
  std::string lines;
  for (int week = 0; week < 150; ++week) {
    const auto day = std::chrono::year_month_day{std::chrono::sys_days{std::chrono::year{2024} / 1 / 1} +
                                                 std::chrono::weeks{week}};
    char fecha[16];
    std::snprintf(fecha, sizeof fecha, "%04d %02u %02u", static_cast<int>(day.year()),
                  static_cast<unsigned>(day.month()), static_cast<unsigned>(day.day()));
    for (const char* hora : {"08:01:00", "13:02:00", "15:00:00", "19:05:00"})
      lines += std::string("17,") + fecha + "," + hora + "\n";
    for (const char* hora : {"09:00:00", "18:00:00"}) lines += std::string("20,") + fecha + "," + hora + "\n";
  }
  return lines;
}

struct Drive {
  Drive() {
    for (int n = 1; n <= 60; ++n) b.Empleado(100 + n, std::to_string(n), n % 7 == 0 ? "N" : "S");
    b.bases.cn.Execute("INSERT INTO Personal (Id, No_Empleado, T_Normal, Activo) VALUES (17,'170',5,'S')");
    b.bases.cn.Execute("INSERT INTO Personal (Id, No_Empleado, T_Normal, Activo) VALUES (20,'200',0,'S')");
    b.bases.cn.Execute(
        "INSERT INTO Turnos (Id_Turno, Dia, HE1, HS1, HE2, HS2, Tol, RollDay) "
        "VALUES (5,'LUNES','08:00','13:00','15:00','19:00','0','0')");
    b.bases.cn.Execute("INSERT INTO Turnos_Tol VALUES (5,'LUNES','30','10','15','20','5','15')");
    poll = b.Archivo("poleo.txt", Generated("2011 %02d %02d,%d,%02d:%02d:00\r\n", 80));
    // Fixed columns: the number first, in nine digits.
    usb = b.Archivo("usb.txt", Generated("%3$09d 2012 %1$02d %2$02d %4$02d:%5$02d:30\r\n", 90));
    classify = b.Archivo("checadas.txt", ClassifyInput());
  }
  orvo::testing::Child Poll() { return orvo::testing::Start(ORVO_IMPORT_CHILD, {"poleo", poll}); }
  orvo::testing::Child Usb() { return orvo::testing::Start(ORVO_IMPORT_CHILD, {"usb", usb}); }
  orvo::testing::Child Classify() {
    return orvo::testing::Start("/bin/sh", {"-c", std::string(ORVO_ADMIN) + " classify '" + classify + "' >'" +
                                                b.c.Path("clasificadas.txt").string() + "' 2>&1"});
  }
  std::string Outcomes() { return orvo::testing::ReadFile(b.c.Path("clasificadas.txt")); }
  orvo::testing::TableRows Contents() { return orvo::testing::Contents(b.c.Path("Quiravel/Quiravel.mdb"), "LUMAK"); }

  prueba::BaseDePrueba b;
  std::string poll, usb, classify;
};

TEST(ConcurrentWritersTest, TwoImportersAndTheClassificationEngineLoseNothing) {
  orvo::testing::TableRows oneAfterAnother;
  std::string outcomes;
  {
    Drive d;
    for (auto start : {&Drive::Poll, &Drive::Usb, &Drive::Classify}) {
      auto child = (d.*start)();
      ASSERT_EQ(WaitForEnd(child), 0);
    }
    oneAfterAnother = d.Contents();
    outcomes = d.Outcomes();
  }
  ASSERT_EQ(oneAfterAnother["Listado1"].size(), std::size_t{2 * kLineas});
  ASSERT_EQ(outcomes.find("ERROR"), std::string::npos) << outcomes;
  ASSERT_NE(outcomes.find("-> C4: SALIDA 2"), std::string::npos) << outcomes;
  ASSERT_NE(outcomes.find("-> FLEXIBLE"), std::string::npos) << outcomes;

  Drive d;
  auto poll = d.Poll();
  auto usb = d.Usb();
  auto classify = d.Classify();
  EXPECT_EQ(WaitForEnd(poll), 0);
  EXPECT_EQ(WaitForEnd(usb), 0);
  EXPECT_EQ(WaitForEnd(classify), 0) << d.Outcomes();
  EXPECT_EQ(d.Outcomes(), outcomes);
  EXPECT_EQ(orvo::testing::IntegrityCheck(d.b.c.Path("Quiravel/Quiravel.mdb"), "LUMAK"), "ok");
  EXPECT_EQ(d.Contents(), oneAfterAnother);
}

}  // namespace
}  // namespace orvo::importer
