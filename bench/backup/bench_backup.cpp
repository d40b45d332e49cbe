// Backup and restore benchmark. Generates a data folder with a main database
// of about the given size and a few thousand punch files, then, in the same
// run: Snapmake's unattended run (the program itself, started as Snapload
// starts it) against Info-ZIP's `zip -r -6` of the same folder, and the
// restore of that set (staged extraction, database check, swap) over the
// data as changed since, against `unzip -o` of the same main archive over a
// copy of the same data plus the same database check. Prints
// seconds and the ratio of ours to Info-ZIP's.
//
//   bench_backup [MEGABYTES [PUNCH_FILES]]     (default 1024 and 3000; CI runs 2 20)
//
// Exits non-zero when a step fails or the restored database differs from the
// one backed up; the speed targets (backup and restore within 1.2x)
// are reported, not enforced.
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "backup/nombres_respaldo.h"
#include "backup/restauracion.h"
#include "bench/support/banco.h"
#include "common/arranque.h"
#include "common/lanzamiento.h"
#include "platform/db/connection.h"
#include "platform/db/recordset.h"
#include "platform/forms/scripted_dialogs.h"
#include "platform/process/process.h"
#include "platform/testsupport/child.h"
#include "platform/testsupport/commands.h"
#include "platform/testsupport/temp_drive.h"
#include "schema/nueva_base.h"

namespace {

namespace fs = std::filesystem;
using Clock = orvo::bench::Reloj;
using Random = orvo::bench::Azar;
using orvo::bench::Check;
constexpr auto Seconds = orvo::bench::Segundos;
using orvo::testing::Quote;
using orvo::testing::RunCommand;

std::string Checada(Random& random) {
  const std::uint64_t v = random();
  char linea[64];
  std::snprintf(linea, sizeof linea, "2010 %02d %02d,%05d,%02d:%02d:%02d\r\n", static_cast<int>(v % 12 + 1),
                static_cast<int>(v / 12 % 28 + 1), static_cast<int>(v / 336 % 5000 + 1000),
                static_cast<int>(v / 1680000 % 24), static_cast<int>(v >> 30 & 63) % 60,
                static_cast<int>(v >> 36 & 63) % 60);
  return linea;
}

// The main database grown to `bytes` with punch rows in Listado1 and a table
// of punch-like text, as years of archived punches make it.
void LlenaBase(std::uint64_t bytes) {
  orvo::db::Connection cn;
  cn.Open(orvo::common::kCadenaConexion);
  cn.Execute("CREATE TABLE Relleno (Texto TEXT)");
  Random random;
  auto t = cn.Begin();
  for (int i = 0; i < 20000; ++i) {
    const std::uint64_t v = random();
    cn.Execute("INSERT INTO Listado1 VALUES (?, ?, ?)",
               {orvo::db::Value{"2010 05 03"}, orvo::db::Value{static_cast<std::int64_t>(v % 5000 + 1000)},
                orvo::db::Value{"07:58:10"}});
  }
  const fs::path archivo = cn.File();
  std::string bloque;
  for (std::uint64_t hecho = 0; hecho < bytes; hecho += bloque.size()) {
    bloque.clear();
    while (bloque.size() < 8000) bloque += Checada(random);
    cn.Execute("INSERT INTO Relleno VALUES (?)", {orvo::db::Value{bloque}});
  }
  t.Commit();
  cn.Close();
}

void Checadas(const fs::path& carpeta, int cuantos) {
  fs::create_directories(carpeta);
  Random random;
  for (int i = 0; i < cuantos; ++i) {
    std::ofstream out(carpeta / ("poleo" + std::to_string(10000 + i) + ".txt"), std::ios::binary);
    const int lineas = 20 + static_cast<int>(random() % 200);
    for (int k = 0; k < lineas; ++k) out << Checada(random);
  }
}

std::uint64_t Bytes(const fs::path& carpeta) {
  std::uint64_t total = 0;
  for (const auto& e : fs::recursive_directory_iterator(carpeta)) {
    if (e.is_regular_file()) total += e.file_size();
  }
  return total;
}

void CambiaBase() {
  orvo::db::Connection cn;
  cn.Open(orvo::common::kCadenaConexion);
  auto t = cn.Begin();
  for (int i = 0; i < 2000; ++i) {
    cn.Execute("INSERT INTO Listado1 VALUES (?, ?, ?)",
               {orvo::db::Value{"2010 05 04"}, orvo::db::Value{static_cast<std::int64_t>(1000 + i)},
                orvo::db::Value{"08:00:00"}});
  }
  cn.Execute("DELETE FROM Relleno WHERE rowid % 10 = 3");
  cn.Execute("UPDATE Relleno SET Texto = replace(Texto, '2010 ', '2011 ') WHERE rowid % 100 = 7");
  t.Commit();
  cn.Close();
}

// What the restore must give back: the rows of Listado1 and Relleno, summed,
// and where their text says 2011, which no row of the set does.
std::string Huella() {
  orvo::db::Connection cn;
  cn.Open(orvo::common::kCadenaConexion);
  orvo::db::Recordset rs(cn);
  rs.Open("SELECT (SELECT count(*) FROM Listado1) || '/' || (SELECT count(*) FROM Relleno) || '/' || "
          "(SELECT sum(length(Texto)) FROM Relleno) || '/' || "
          "(SELECT sum(rowid * instr(Texto, '2011 ')) FROM Relleno) AS h");
  std::string huella = orvo::db::AsText(rs.Field("h"));
  rs.Close();
  cn.Close();
  return huella;
}

}  // namespace

int main(int argc, char** argv) {
  const std::optional<long> megabytesArg = orvo::bench::Tamano(argc, argv, 1, 1024);
  const std::optional<long> punchFilesArg = orvo::bench::Tamano(argc, argv, 2, 3000);
  if (!megabytesArg || !punchFilesArg || *punchFilesArg > std::numeric_limits<int>::max()) {
    std::fprintf(stderr, "usage: bench_backup [MEGABYTES [PUNCH_FILES]]\n");
    return 2;
  }
  const auto megabytes = static_cast<std::uint64_t>(*megabytesArg);
  const int punchFiles = static_cast<int>(*punchFilesArg);
  // Snapmake runs without a screen, as in an unattended run.
  ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
  orvo::testing::TempDrive c;
  const fs::path programa = c.ProgramFolder();
  fs::create_directories(programa);
  fs::copy_file(SNAPMAKE_EXE, programa / "Snapmake");

  orvo::schema::CreaBasePrincipal("Empresa de prueba");
  const fs::path producto = c.Path("Quiravel");
  Checadas(producto / "poleosInternet", punchFiles);
  LlenaBase(megabytes << 20);
  const std::string huella = Huella();
  const double mb = static_cast<double>(Bytes(producto)) / (1 << 20);
  std::printf("datos: %.1f MB (base de datos de %.1f MB, %d archivos de checadas)\n", mb,
              static_cast<double>(fs::file_size(producto / "Quiravel.mdb")) / (1 << 20), punchFiles);
  RunCommand("cat " + Quote(producto) + "/Quiravel.mdb " + Quote(producto) + "/poleosInternet/* > /dev/null");

  bool ok = true;
  // Backup: Info-ZIP first, into a folder outside the product folder.
  fs::create_directories(c.Path("infozip"));
  // Each step starts with the earlier steps' writes on disk, so that none
  // pays for the flushing of another.
  RunCommand("sync");
  auto inicio = Clock::now();
  ok &= Check(RunCommand("cd " + Quote(c.Root()) + " && zip -q -r -6 infozip/todo.zip Quiravel") == 0, "zip -r -6");
  const double zipInfo = Seconds(inicio);

  RunCommand("sync");
  inicio = Clock::now();
  orvo::common::CreaMarcador(programa, orvo::common::kMarcadorSnapmake);
  orvo::testing::Child snapmake = orvo::testing::Start(programa / "Snapmake", {"1"});
  const auto fin = snapmake.Wait(std::chrono::hours(1));
  const double respaldo = Seconds(inicio);
  ok &= Check(fin && *fin == 0, "Snapmake 1");
  ok &= Check(fs::exists(programa / "crtd") && orvo::testing::ReadFile(programa / "crtd") == "ok\r\n", "crtd no es ok");

  std::string principal;
  for (const auto& e : fs::directory_iterator(producto / "orvoBackup")) {
    if (orvo::backup::EsArchivoPrincipal(e.path().filename().string())) principal = e.path().filename().string();
  }
  ok &= Check(!principal.empty(), "no hay respaldo QR1_");
  if (!ok) return 1;
  const fs::path archivo = producto / "orvoBackup" / principal;

  // Restore: Info-ZIP's extraction of the same main archive over a copy of
  // the same data, as a restore replaces it, and the same check.
  ok &= Check(RunCommand("mkdir -p " + Quote(c.Path("infozip/salida")) + " && cp -r " + Quote(producto) + " " +
                         Quote(c.Path("infozip/salida")) + " && rm -r " +
                         Quote(c.Path("infozip/salida/Quiravel/orvoBackup"))) == 0,
              "copia de los datos");
  RunCommand("sync");
  inicio = Clock::now();
  ok &= Check(RunCommand("unzip -o -q " + Quote(archivo) + " -d " + Quote(c.Path("infozip/salida"))) == 0, "unzip -o");
  const double soloUnzip = Seconds(inicio);
  std::string salida;
  ok &= Check(RunCommand("sqlite3 " + Quote(c.Path("infozip/salida/Quiravel/Quiravel.mdb")) + " 'PRAGMA quick_check'",
                         &salida) == 0 &&
                  salida == "ok\n",
              "quick_check: " + salida);
  const double unzipInfo = Seconds(inicio);

  // Ours, over a changed folder, so that the swap has work to do, and a
  // changed database, as a site restores one: a day of punches imported
  // since the set, a tenth of the archive lost, a few rows altered.
  fs::remove(producto / "poleosInternet" / "poleo10000.txt");
  orvo::testing::WriteFile(producto / "nuevo.txt", "no estaba");
  CambiaBase();
  orvo::forms::ScriptedDialogs boxes;
  RunCommand("sync");
  inicio = Clock::now();
  double prepara = 0;
  try {
    orvo::backup::Restauracion restauracion(principal);
    restauracion.Prepara(boxes, "bench_backup");
    prepara = Seconds(inicio);
    restauracion.Coloca();
  } catch (const std::exception& e) {
    ok &= Check(false, std::string("restauración: ") + e.what());
  }
  const double restaura = Seconds(inicio);
  ok &= Check(Huella() == huella, "la base restaurada difiere");
  ok &= Check(fs::exists(producto / "poleosInternet" / "poleo10000.txt") && !fs::exists(producto / "nuevo.txt"),
              "los archivos restaurados difieren");

  std::printf("%-24s %9s %9s %9s %9s\n", "", "nuestro", "Info-ZIP", "razón", "objetivo");
  std::printf("%-24s %8.2fs %8.2fs %9.2f %9s\n", "respaldo (Snapmake 1)", respaldo, zipInfo, respaldo / zipInfo,
              respaldo <= 1.2 * zipInfo ? "<=1.2 sí" : "<=1.2 NO");
  std::printf("%-24s %8.2fs %8.2fs %9.2f %9s\n", "restauración", restaura, unzipInfo, restaura / unzipInfo,
              restaura <= 1.2 * unzipInfo ? "<=1.2 sí" : "<=1.2 NO");
  std::printf("  de ella: extracción y revisión %.2fs (Info-ZIP: unzip %.2fs, revisión %.2fs)\n", prepara, soloUnzip,
              unzipInfo - soloUnzip);
  std::printf("tamaño: respaldo %.1f MB en %zu archivos; Info-ZIP %.1f MB\n",
              [&] {
                std::uint64_t total = 0;
                for (const auto& e : fs::directory_iterator(producto / "orvoBackup")) total += e.file_size();
                return static_cast<double>(total) / (1 << 20);
              }(),
              static_cast<std::size_t>(std::distance(fs::directory_iterator(producto / "orvoBackup"), fs::directory_iterator())),
              static_cast<double>(fs::file_size(c.Path("infozip/todo.zip"))) / (1 << 20));
  return ok ? 0 : 1;
}
