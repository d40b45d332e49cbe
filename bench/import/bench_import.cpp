// Punch import benchmark. Generates a poll file over a Personal table with a
// share of inactive and unregistered employees, sends it through the window
// Principal's send handler into a main database made as the administrator
// program makes it, and, on a copy of the same database, writes the same rows
// with prepared statements in one transaction and an in-memory employee
// lookup. Prints lines per second of both and their ratio, then the cost per
// line with Personal at 500 and at 50,000 employees.
//
//   bench_import [LINES]       (default 1,000,000; CI runs 2000)
//
// Exits non-zero when the two roads do not write the same number of rows or
// the send handler does not end in its success message; the speed targets are
// reported, not enforced.
#include <sqlite3.h>

#include <charconv>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <unordered_set>

#include "bench/support/banco.h"
#include "common/arranque.h"
#include "import/archivo_poleo.h"
#include "import/principal.h"
#include "import/programa.h"
#include "common/texto_externo.h"
#include "platform/db/connection.h"
#include "platform/drive/drive.h"
#include "platform/forms/application.h"
#include "platform/forms/runtime.h"
#include "platform/forms/scripted_dialogs.h"
#include "schema/nueva_base.h"

namespace {

namespace fs = std::filesystem;
using orvo::bench::Azar;
using orvo::bench::Miles;
using orvo::bench::Reloj;
using orvo::bench::Segundos;


// Employee numbers 1001..1000+n. Every tenth is not registered, every tenth
// (another) is inactive, and some have a Null second surname.
constexpr int kPrimerNumero = 1001;
bool Registrado(int i) { return i % 10 != 0; }
bool Activo(int i) { return i % 10 != 1; }

// A fresh main database, with its lookup indexes, and `empleados` employee
// numbers of which the registered ones are in Personal.
void HazBase(int empleados) {
  const fs::path mdb = orvo::db::ResolvePath(orvo::common::kBasePrincipal);
  fs::remove(mdb);
  orvo::schema::CreaBasePrincipal("Empresa de prueba");
  orvo::db::Connection cn;
  cn.Open(orvo::common::kCadenaConexion);
  auto t = cn.Begin();
  for (int i = 0; i < empleados; ++i) {
    if (!Registrado(i)) continue;
    const orvo::db::Value materno = i % 20 == 2 ? orvo::db::Value{} : orvo::db::Value{std::string("Materno")};
    cn.Execute("INSERT INTO Personal (Id, Nombre, A_Paterno, A_Materno, No_Empleado, T_Normal, Activo) "
               "VALUES (?,?,?,?,?,?,?)",
               {std::int64_t{i + 1}, std::string("Nombre") + std::to_string(i), std::string("Paterno"), materno,
                std::to_string(kPrimerNumero + i), std::int64_t{1}, std::string(Activo(i) ? "S" : "N")});
  }
  t.Commit();
  cn.Close();
}

// `lineas` punches over about 90 days, in date order, as a clock polls them.
void HazArchivo(const fs::path& archivo, long lineas, int empleados) {
  std::ofstream out(archivo, std::ios::binary);
  Azar azar;
  std::string linea;
  char buf[64];
  for (long n = 0; n < lineas; ++n) {
    const long dia = n * 90 / (lineas > 0 ? lineas : 1);
    const int mes = 1 + static_cast<int>(dia / 30), d = 1 + static_cast<int>(dia % 30);
    const int numero = kPrimerNumero + static_cast<int>(azar() % static_cast<std::uint64_t>(empleados));
    const std::uint64_t r = azar();
    std::snprintf(buf, sizeof buf, "2010 %02d %02d,%05d,%02d:%02d:%02d\r\n", mes, d, numero,
                  static_cast<int>(r % 24), static_cast<int>(r / 24 % 60), static_cast<int>(r / 1440 % 60));
    out << buf;
  }
}

long Cuenta(sqlite3* db, const char* tabla) {
  sqlite3_stmt* st = nullptr;
  sqlite3_prepare_v2(db, (std::string("SELECT count(*) FROM ") + tabla).c_str(), -1, &st, nullptr);
  long n = sqlite3_step(st) == SQLITE_ROW ? static_cast<long>(sqlite3_column_int64(st, 0)) : -1;
  sqlite3_finalize(st);
  return n;
}

struct Cuentas {
  long archivo = 0, cola = 0;
  bool operator==(const Cuentas&) const = default;
};

Cuentas CuentaTablas(const fs::path& base) {
  sqlite3* db = nullptr;
  sqlite3_open_v2(base.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
  Cuentas c{Cuenta(db, "Listado1"), Cuenta(db, "Checadas")};
  sqlite3_close_v2(db);
  return c;
}

// The project's road: the window, its file chosen and sent, as a user does.
double ImportaPorLaVentana(const fs::path& archivo) {
  orvo::forms::ScriptedDialogs boxes;
  orvo::forms::Runtime runtime(boxes, "bench_import", [](int status) {
    throw std::runtime_error("the program ended with status " + std::to_string(status));
  });
  orvo::common::Bases bases;
  if (!orvo::importer::Arranca(bases, boxes)) throw std::runtime_error("no main database");
  orvo::importer::Principal w(bases, boxes, runtime, orvo::importer::Variante::Poleo);
  boxes.File(archivo.string());
  w.Command1_Click();
  const auto inicio = Reloj::now();
  w.Command2_Click();
  const double s = Segundos(inicio);
  if (boxes.shown.empty() || boxes.shown.back().text != "Se terminó de cargar con éxito")
    throw std::runtime_error("the send did not end in its success message: " +
                             (boxes.shown.empty() ? std::string("no box") : boxes.shown.back().text));
  return s;
}

void Ok(int rc, sqlite3* db) {
  if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW) throw std::runtime_error(sqlite3_errmsg(db));
}

// The least the job takes: the file read and split, prepared statements in
// one transaction, the active employees held in memory.
double Referencia(const fs::path& base, const fs::path& archivo) {
  const auto inicio = Reloj::now();
  sqlite3* db = nullptr;
  Ok(sqlite3_open_v2(base.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr), db);
  std::unordered_set<std::int32_t> activos;
  sqlite3_stmt* st = nullptr;
  Ok(sqlite3_prepare_v2(db, "SELECT No_Empleado FROM Personal WHERE Activo = 'S'", -1, &st, nullptr), db);
  while (sqlite3_step(st) == SQLITE_ROW) activos.insert(sqlite3_column_int(st, 0));
  sqlite3_finalize(st);

  std::ifstream in(archivo, std::ios::binary);
  std::string contenido((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  sqlite3_stmt* archiva = nullptr;
  sqlite3_stmt* encola = nullptr;
  Ok(sqlite3_prepare_v2(db, "INSERT INTO Listado1 VALUES(?,?,?)", -1, &archiva, nullptr), db);
  Ok(sqlite3_prepare_v2(db, "INSERT INTO Checadas VALUES(?,?,?)", -1, &encola, nullptr), db);
  Ok(sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr), db);
  const char* p = contenido.data();
  const char* fin = p + contenido.size();
  while (p < fin) {
    const char* eol = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(fin - p)));
    if (!eol) eol = fin;
    const char* c1 = static_cast<const char*>(std::memchr(p, ',', static_cast<std::size_t>(eol - p)));
    const char* c2 = c1 ? static_cast<const char*>(std::memchr(c1 + 1, ',', static_cast<std::size_t>(eol - c1 - 1))) : nullptr;
    if (c2) {
      std::int32_t numero = 0;
      std::from_chars(c1 + 1, c2, numero);
      const int largoHora = static_cast<int>(std::min<std::ptrdiff_t>(8, eol - c2 - 1 - (eol[-1] == '\r')));
      for (sqlite3_stmt* s : {archiva, encola}) {
        if (s == encola && !activos.count(numero)) continue;
        sqlite3_bind_text(s, 1, p, 10, SQLITE_STATIC);
        sqlite3_bind_int(s, 2, numero);
        sqlite3_bind_text(s, 3, c2 + 1, largoHora, SQLITE_STATIC);
        Ok(sqlite3_step(s), db);
        sqlite3_reset(s);
      }
    }
    p = eol + 1;
  }
  Ok(sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr), db);
  sqlite3_finalize(archiva);
  sqlite3_finalize(encola);
  sqlite3_close_v2(db);
  return Segundos(inicio);
}

double LeeSolo(const fs::path& archivo) {
  const auto inicio = Reloj::now();
  const auto contenido = orvo::common::LeeArchivo(archivo);
  const auto lectura = orvo::importer::LeePoleo(*contenido);
  if (lectura.error) throw std::runtime_error("the generated file does not read");
  return Segundos(inicio);
}

int Corre(long lineas) {
  const fs::path raiz = orvo::drive::Root();
  const fs::path mdb = orvo::db::ResolvePath(orvo::common::kBasePrincipal);
  const fs::path archivo = raiz / "poleo.dat";
  const fs::path copia = raiz / "referencia.mdb";
  constexpr int kEmpleados = 5000;
  int fallos = 0;

  HazBase(kEmpleados);
  HazArchivo(archivo, lineas, kEmpleados);
  fs::copy_file(mdb, copia, fs::copy_options::overwrite_existing);
  std::printf("bench_import: %s lines over %d employee numbers (%d%% unregistered, %d%% inactive)\n",
              Miles(static_cast<double>(lineas)).c_str(), kEmpleados, 10, 10);

  const double lectura = LeeSolo(archivo);
  const double importa = ImportaPorLaVentana(archivo);
  const double referencia = Referencia(copia, archivo);
  const Cuentas ci = CuentaTablas(mdb), cr = CuentaTablas(copia);
  std::printf("  import (Principal's send handler) %8.3f s %12s lines/s   [reading the file: %.3f s]\n", importa,
              Miles(static_cast<double>(lineas) / importa).c_str(), lectura);
  std::printf("  baseline (raw prepared statements) %7.3f s %12s lines/s\n", referencia,
              Miles(static_cast<double>(lineas) / referencia).c_str());
  std::printf("  ratio import/baseline: %.2fx (target: within 3x)\n", importa / referencia);
  std::printf("  rows: Listado1 %ld / %ld, Checadas %ld / %ld\n", ci.archivo, cr.archivo, ci.cola, cr.cola);
  if (!(ci == cr) || ci.archivo != lineas) {
    std::printf("  FAIL: the two roads wrote different rows\n");
    ++fallos;
  }

  // The same number of lines against a small and a large Personal.
  const long parte = std::max(1L, lineas / 4);
  double porLinea[2] = {0, 0};
  const int tamanos[2] = {500, 50000};
  std::printf("Cost per line as Personal grows (%s lines each):\n", Miles(static_cast<double>(parte)).c_str());
  for (int k = 0; k < 2; ++k) {
    HazBase(tamanos[k]);
    HazArchivo(archivo, parte, tamanos[k]);
    porLinea[k] = ImportaPorLaVentana(archivo) / static_cast<double>(parte) * 1e6;
    std::printf("  Personal %6d numbers: %8.2f us/line\n", tamanos[k], porLinea[k]);
    if (CuentaTablas(mdb).archivo != parte) ++fallos;
  }
  std::printf("  ratio 50,000/500: %.2f (target: flat)\n", porLinea[1] / porLinea[0]);
  return fallos == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  return orvo::bench::Banco(argc, argv, "bench_import", "LINES", 1000000, Corre);
}
