// Re-queue benchmark. Generates ten years of punches of 500 employees in the
// archive Listado1, with a processed result per employee and day, and runs
// diVovavav's re-queue through its window for one year, for every employee and
// for one employee (with "Eliminar no Procesadas"). The baseline runs the same
// DELETEs and INSERT ... SELECT bare, in one transaction over the raw engine,
// on a fresh copy of the same database. Prints both times and their ratio,
// and the tool's peak resident memory.
//
//   bench_requeue [PUNCHES]     (default 5,500,000; CI runs 20000)
//
// Exits non-zero when the two roads leave different tables or the window does
// not end in its success message; the targets are reported, not enforced.
#include <sqlite3.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QRadioButton>
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench/support/banco.h"
#include "common/arranque.h"
#include "maintenance/divovavav_adicionales.h"
#include "maintenance/programa.h"
#include "platform/db/connection.h"
#include "platform/drive/drive.h"
#include "platform/forms/runtime.h"
#include "platform/forms/scripted_dialogs.h"
#include "schema/nueva_base.h"

namespace {

namespace fs = std::filesystem;
using orvo::bench::Azar;
using orvo::bench::Miles;
using orvo::bench::Reloj;
using orvo::bench::Segundos;

constexpr int kEmpleados = 500;
constexpr int kPrimerNumero = 1001;
constexpr const char* kDesde = "2015 01 01";
constexpr const char* kHasta = "2015 12 31";
constexpr int kUno = kPrimerNumero;  // the employee of the one-employee run, Id 1

void Ok(int rc, sqlite3* db) {
  if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW) throw std::runtime_error(sqlite3_errmsg(db));
}

sqlite3* Abre(const fs::path& base) {
  sqlite3* db = nullptr;
  Ok(sqlite3_open_v2(base.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr), db);
  // The same page cache as the engine's connections.
  Ok(sqlite3_exec(db, "PRAGMA cache_size = -16384", nullptr, nullptr, nullptr), db);
  return db;
}

void Ejecuta(sqlite3* db, const std::string& sql) { Ok(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), db); }

std::string Fecha(std::chrono::sys_days dia) {
  const std::chrono::year_month_day f{dia};
  char buf[16];
  std::snprintf(buf, sizeof buf, "%04d %02u %02u", static_cast<int>(f.year()), static_cast<unsigned>(f.month()),
                static_cast<unsigned>(f.day()));
  return buf;
}

// Ten years from 2010: the archive in date order, as imports leave it; a
// Chequeo row per employee and day, ChequeoF for a tenth of them, ChequeoExtra
// now and then, a month of queue and a few set-aside punches.
void HazBase(const fs::path& mdb, long checadas) {
  fs::remove(mdb);
  orvo::schema::CreaBasePrincipal("Empresa de prueba");
  sqlite3* db = Abre(mdb);
  Ejecuta(db, "BEGIN");
  sqlite3_stmt* st = nullptr;
  Ok(sqlite3_prepare_v2(db, "INSERT INTO Personal (Id, Nombre, A_Paterno, A_Materno, No_Empleado, T_Normal, Activo) "
                            "VALUES (?, 'Nombre', 'Paterno', 'Materno', ?, 1, 'S')", -1, &st, nullptr), db);
  for (int i = 0; i < kEmpleados; ++i) {
    sqlite3_bind_int(st, 1, i + 1);
    const std::string numero = std::to_string(kPrimerNumero + i);
    sqlite3_bind_text(st, 2, numero.c_str(), -1, SQLITE_TRANSIENT);
    Ok(sqlite3_step(st), db);
    sqlite3_reset(st);
  }
  sqlite3_finalize(st);

  sqlite3_stmt* archivo = nullptr;
  sqlite3_stmt* cola = nullptr;
  sqlite3_stmt* chequeo = nullptr;
  sqlite3_stmt* flexible = nullptr;
  sqlite3_stmt* extra = nullptr;
  sqlite3_stmt* huerfano = nullptr;
  Ok(sqlite3_prepare_v2(db, "INSERT INTO Listado1 VALUES (?,?,?)", -1, &archivo, nullptr), db);
  Ok(sqlite3_prepare_v2(db, "INSERT INTO Checadas VALUES (?,?,?)", -1, &cola, nullptr), db);
  Ok(sqlite3_prepare_v2(db, "INSERT INTO Chequeo VALUES (?,?,'08:00:00','14:00:00','15:00:00','18:00:00','00:00')",
                        -1, &chequeo, nullptr), db);
  Ok(sqlite3_prepare_v2(db, "INSERT INTO ChequeoF VALUES (?,?,'08:00:00')", -1, &flexible, nullptr), db);
  Ok(sqlite3_prepare_v2(db, "INSERT INTO ChequeoExtra VALUES (?,?,'12:00:00')", -1, &extra, nullptr), db);
  Ok(sqlite3_prepare_v2(db, "INSERT INTO Huerfanos VALUES (?,?,?)", -1, &huerfano, nullptr), db);

  // At full size every employee has a result a day; a smaller archive keeps
  // the same proportion of results to punches.
  const int paso = static_cast<int>(std::clamp(5500000L / std::max(checadas, 1L), 1L, static_cast<long>(kEmpleados)));
  const std::chrono::sys_days inicio = std::chrono::year{2010} / 1 / 1;
  const long dias = (std::chrono::sys_days{std::chrono::year{2020} / 1 / 1} - inicio).count();
  Azar azar;
  long k = 0;
  auto inserta = [&](sqlite3_stmt* s, const std::string& fecha, int clave, const char* hora) {
    sqlite3_bind_text(s, 1, fecha.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_int(s, 2, clave);
    if (hora) sqlite3_bind_text(s, 3, hora, -1, SQLITE_TRANSIENT);
    Ok(sqlite3_step(s), db);
    sqlite3_reset(s);
  };
  for (long d = 0; d < dias; ++d) {
    const std::string fecha = Fecha(inicio + std::chrono::days{d});
    const long hasta = checadas * (d + 1) / dias;
    const bool ultimoMes = d >= dias - 30;
    for (; k < hasta; ++k) {
      const int empleado = static_cast<int>(k % kEmpleados);
      const std::uint64_t r = azar();
      char hora[16];
      std::snprintf(hora, sizeof hora, "%02d:%02d:%02d", 6 + static_cast<int>(r % 14), static_cast<int>(r / 14 % 60),
                    static_cast<int>(r / 840 % 60));
      inserta(archivo, fecha, kPrimerNumero + empleado, hora);
      if (ultimoMes) inserta(cola, fecha, kPrimerNumero + empleado, hora);
    }
    for (int e = 0; e < kEmpleados; e += paso) {
      inserta(chequeo, fecha, e + 1, nullptr);
      if (e % 10 == 0) inserta(flexible, fecha, e + 1, nullptr);
      if ((d + e) % 10 == 0) inserta(extra, fecha, e + 1, nullptr);
    }
    if (d % 7 == 0) inserta(huerfano, fecha, kPrimerNumero + static_cast<int>(d % kEmpleados), "07:00:00");
  }
  for (sqlite3_stmt* s : {archivo, cola, chequeo, flexible, extra, huerfano}) sqlite3_finalize(s);
  Ejecuta(db, "COMMIT");
  sqlite3_close_v2(db);
}

long Cuenta(sqlite3* db, const std::string& sql) {
  sqlite3_stmt* st = nullptr;
  Ok(sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr), db);
  const long n = sqlite3_step(st) == SQLITE_ROW ? static_cast<long>(sqlite3_column_int64(st, 0)) : -1;
  sqlite3_finalize(st);
  return n;
}

// What a run leaves: the size of each table and a digest of the queue's order.
std::vector<long> Huella(const fs::path& base) {
  sqlite3* db = Abre(base);
  std::vector<long> h;
  for (const char* t : {"Checadas", "Chequeo", "ChequeoF", "ChequeoExtra", "Huerfanos", "Listado1"})
    h.push_back(Cuenta(db, std::string("SELECT count(*) FROM ") + t));
  h.push_back(Cuenta(db, "SELECT sum(rowid % 9973 * (Empleado + length(Hora) + CAST(substr(Hora, 7, 2) AS INTEGER))) "
                         "FROM Checadas"));
  sqlite3_close_v2(db);
  return h;
}

long PicoKb() {
  std::ifstream in("/proc/self/status");
  std::string linea;
  while (std::getline(in, linea))
    if (linea.rfind("VmHWM:", 0) == 0) return std::stol(linea.substr(6));
  return -1;
}

// Lets the peak resident size start again from the current size.
void ReiniciaPico() {
  std::ofstream("/proc/self/clear_refs") << "5";
}

struct Medida {
  double segundos = 0;
  double carga = 0;  // the window's load, which reads the first archived date
  long picoKb = 0;
};

// The project's road: the window, its dates and employee chosen, Command5.
Medida PorLaVentana(bool uno) {
  ReiniciaPico();
  Medida m;
  orvo::forms::ScriptedDialogs boxes;
  orvo::forms::Runtime runtime(boxes, "diVovavav", [](int status) {
    throw std::runtime_error("the program ended with status " + std::to_string(status));
  });
  orvo::common::Bases bases;
  const auto inicioCarga = Reloj::now();
  orvo::maintenance::Arranca(bases, 3, boxes);
  orvo::maintenance::diVovavavAdicionales w(bases, boxes, runtime);
  if (!w.Open()) throw std::runtime_error("the window did not open");
  m.carga = Segundos(inicioCarga);
  w.Find<QDateEdit>("DTP1")->setDate(QDate::fromString(kDesde, "yyyy MM dd"));
  w.Find<QDateEdit>("DTP2")->setDate(QDate::fromString(kHasta, "yyyy MM dd"));
  if (uno) {
    w.Find<QRadioButton>("Opt2")->click();
    w.Find<QComboBox>("cmb1")->lineEdit()->setText(QString::number(kUno));
    w.Find<QCheckBox>("chk1")->setChecked(true);
  }
  const auto inicio = Reloj::now();
  w.Command5_Click();
  m.segundos = Segundos(inicio);
  if (boxes.shown.empty() || boxes.shown.back().text.rfind("Ahora puede procesar", 0) != 0)
    throw std::runtime_error("the re-queue did not end in its success message: " +
                             (boxes.shown.empty() ? std::string("no box") : boxes.shown.back().text));
  m.picoKb = PicoKb();
  return m;
}

// The baseline: the same statements, bare, in one transaction.
double Referencia(const fs::path& base, bool uno) {
  const auto inicio = Reloj::now();
  sqlite3* db = Abre(base);
  const std::string r = std::string("where Fecha >= '") + kDesde + "' and Fecha <= '" + kHasta + "'";
  const std::string n = std::to_string(kUno), id = std::to_string(kUno - kPrimerNumero + 1);
  Ejecuta(db, "BEGIN");
  if (!uno) {
    Ejecuta(db, "Delete from Checadas " + r);
    Ejecuta(db, "INSERT INTO Checadas SELECT Fecha, Empleado, Hora FROM Listado1 " + r +
                    " order by Fecha asc, Hora asc, rowid");
    for (const char* t : {"Chequeo", "ChequeoF", "chequeoExtra", "Huerfanos"}) Ejecuta(db, std::string("Delete from ") + t + " " + r);
  } else {
    Ejecuta(db, "Delete from Checadas " + r + " and Empleado = " + n);
    Ejecuta(db, "INSERT INTO Checadas SELECT Fecha, Empleado, Hora FROM Listado1 " + r + " and Empleado = " + n +
                    " order by Fecha asc, Hora asc, rowid");
    for (const char* t : {"Chequeo", "ChequeoF", "chequeoExtra"}) Ejecuta(db, std::string("Delete from ") + t + " " + r + " and Id_Emp = " + id);
    Ejecuta(db, "Delete from Huerfanos " + r + " and Id_Emp = " + n);
  }
  Ejecuta(db, "COMMIT");
  sqlite3_close_v2(db);
  return Segundos(inicio);
}

int Corre(long checadas, int vueltas) {
  const fs::path mdb = orvo::db::ResolvePath(orvo::common::kBasePrincipal);
  const fs::path original = orvo::drive::Root() / "original.mdb";
  auto restaura = [&] { fs::copy_file(original, mdb, fs::copy_options::overwrite_existing); };

  const auto inicioBase = Reloj::now();
  HazBase(mdb, checadas);
  fs::copy_file(mdb, original, fs::copy_options::overwrite_existing);
  std::printf("bench_requeue: %s punches in Listado1 (%d employees, 2010-2019), database %s MB, made in %.1f s\n",
              Miles(static_cast<double>(checadas)).c_str(), kEmpleados,
              Miles(static_cast<double>(fs::file_size(mdb)) / 1e6).c_str(), Segundos(inicioBase));
  std::printf("  re-queue %s .. %s; best of %d runs each\n", kDesde, kHasta, vueltas);

  int fallos = 0;
  for (bool uno : {false, true}) {
    Medida mejor{1e30, 1e30, 0};
    double referencia = 1e30;
    std::vector<long> huellaVentana, huellaReferencia;
    for (int v = 0; v < vueltas; ++v) {
      restaura();
      const Medida m = PorLaVentana(uno);
      huellaVentana = Huella(mdb);
      mejor.segundos = std::min(mejor.segundos, m.segundos);
      mejor.carga = std::min(mejor.carga, m.carga);
      mejor.picoKb = std::max(mejor.picoKb, m.picoKb);
      restaura();
      referencia = std::min(referencia, Referencia(mdb, uno));
      huellaReferencia = Huella(mdb);
    }
    std::printf("  %s:\n", uno ? "one employee (number 1001, with Eliminar no Procesadas)" : "every employee");
    std::printf("    diVovavav Command5 %8.3f s   (window load, first archived date: %.3f s)\n", mejor.segundos,
                mejor.carga);
    std::printf("    baseline           %8.3f s\n", referencia);
    std::printf("    ratio diVovavav/baseline: %.2fx (target: within 1.5x)\n", mejor.segundos / referencia);
    std::printf("    peak resident memory of the tool: %.1f MB (target: under 100 MB)\n", mejor.picoKb / 1024.0);
    std::printf("    rows in Checadas afterwards: %s\n", Miles(static_cast<double>(huellaVentana[0])).c_str());
    if (huellaVentana != huellaReferencia) {
      std::printf("    FAIL: the two roads left different tables\n");
      ++fallos;
    }
  }
  return fallos == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  return orvo::bench::Banco(argc, argv, "bench_requeue", "PUNCHES", 5500000,
                            [](long checadas) { return Corre(checadas, checadas > 100000 ? 2 : 1); });
}
