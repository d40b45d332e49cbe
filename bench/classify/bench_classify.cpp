// Benchmark of the classification engine: N punches (default 1,000,000) of
// N/200 employees over 50 days, four a day, classified one by one in the order
// an import brings them (day by day, each employee's punches in time order).
// A quarter of the employees work a shift that crosses midnight after its first
// entry and a quarter one that crosses after its second entry, so yesterday's
// records are completed and placeholders made.
//
// It prints the overall rate and the rates over the first and the last
// window of punches (100,000, or a quarter of a small run): the cost per punch
// must not grow with Chequeo, so their ratio is the figure to watch.
//
//   bench_classify            full size
//   bench_classify 2000       smoke run
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "bench/support/banco.h"
#include "classify/clasificador.h"
#include "common/arranque.h"
#include "common/fecha_hora.h"
#include "platform/db/recordset.h"
#include "platform/error.h"
#include "platform/testsupport/temp_drive.h"
#include "schema/nueva_base.h"

namespace {

using namespace std::chrono;
using orvo::db::Value;

constexpr int kDias = 50;
constexpr int kPorDia = 4;

struct Checada {
  std::int32_t id;
  std::int32_t dia;
  std::int32_t segundo;  // of the day
};

std::string Hora(std::int32_t s) {
  char t[16];
  std::snprintf(t, sizeof t, "%02d:%02d:%02d", s / 3600, s / 60 % 60, s % 60);
  return t;
}

using orvo::bench::Azar;

// A number in [0, n), the same on every run, so every run classifies the same load.
int Hasta(Azar& azar, int n) { return static_cast<int>(azar() % static_cast<std::uint64_t>(n)); }

void Turno(orvo::common::Bases& b, std::int64_t id, const char* he1, const char* hs1, const char* he2,
           const char* hs2, const char* roll, const std::vector<std::string>& tol) {
  for (const char* dia : {"LUNES", "MARTES", "MIÉRCOLES", "JUEVES", "VIERNES", "SÁBADO", "DOMINGO"}) {
    b.cn.Execute("INSERT INTO Turnos (Id_Turno, Nombre, Dia, HE1, HS1, HE2, HS2, Tol, RollDay) VALUES (?,?,?,?,?,?,?,?,?)",
                 {Value{id}, Value{std::string("T")}, Value{std::string(dia)}, Value{std::string(he1)},
                  Value{std::string(hs1)}, Value{std::string(he2)}, Value{std::string(hs2)}, Value{std::string("0")},
                  Value{std::string(roll)}});
    b.cn.Execute("INSERT INTO Turnos_Tol (Id_Turno, Dia, TAE1, TDE1, TAS1, TAE2, TDE2, TAS2) VALUES (?,?,?,?,?,?,?,?)",
                 {Value{id}, Value{std::string(dia)}, Value{tol[0]}, Value{tol[1]}, Value{tol[2]}, Value{tol[3]},
                  Value{tol[4]}, Value{tol[5]}});
  }
}

// Each employee's four punches of one date, in time order.
void PunchesDelDia(int tipo, Azar& azar, std::vector<std::int32_t>& s) {
  const auto cerca = [&](int hh, int mm, int antes, int despues) {
    return (hh * 60 + mm - antes + Hasta(azar, antes + despues + 1)) * 60 + Hasta(azar, 60);
  };
  s.clear();
  switch (tipo) {
    case 0:
    case 1:  // 08:00-13:00 / 15:00-19:00, now and then late
      s = {cerca(8, 0, 20, 25), cerca(13, 0, 5, 20), cerca(15, 0, 15, 15), cerca(19, 0, 5, 30)};
      break;
    case 2:  // 22:00-02:00 / 03:00-07:00: yesterday's three late slots, then today's entry
      s = {cerca(2, 0, 5, 15), cerca(3, 0, 5, 20), cerca(7, 0, 5, 30), cerca(22, 0, 9, 15)};
      break;
    default:  // 14:00-18:00 / 19:00-01:00: yesterday's second exit, then today's first three
      s = {cerca(1, 0, 20, 20), cerca(14, 0, 9, 15), cerca(18, 0, 5, 20), cerca(19, 0, 9, 15)};
      break;
  }
}

}  // namespace

int main(int argc, char** argv) {
  const std::optional<long> tamano = orvo::bench::Tamano(argc, argv, 1, 1000000);
  if (!tamano) {
    std::fprintf(stderr, "usage: bench_classify [PUNCHES]\n");
    return 2;
  }
  const long total = *tamano;
  const int empleados = static_cast<int>(std::max(1L, total / (kDias * kPorDia)));
  const long n = static_cast<long>(empleados) * kDias * kPorDia;
  const long ventana = std::min(100000L, n / 4);

  orvo::testing::TempDrive c;  // a private drive C:, removed at the end
  int estado = 0;
  try {
    orvo::schema::CreaBasePrincipal("Banco de pruebas");
    orvo::common::Bases bases;
    bases.Conecta({.recordsets = 8});
    {
      auto carga = bases.cn.Begin();
      Turno(bases, 1, "08:00", "13:00", "15:00", "19:00", "0", {"30", "10", "15", "20", "5", "15"});
      Turno(bases, 2, "22:00", "02:00", "03:00", "07:00", "1", {"10", "10", "10", "10", "10", "10"});
      Turno(bases, 3, "14:00", "18:00", "19:00", "01:00", "2", {"10", "10", "10", "10", "10", "30"});
      for (int e = 1; e <= empleados; ++e) {
        const int tipo = e % 4;
        bases.cn.Execute("INSERT INTO Personal (Id, Nombre, No_Empleado, T_Normal, Activo) VALUES (?,?,?,?,?)",
                         {Value{std::int64_t{e}}, Value{std::string("Empleado")}, Value{std::to_string(e)},
                          Value{std::int64_t{tipo <= 1 ? 1 : tipo}}, Value{std::string("S")}});
      }
      carga.Commit();
    }

    std::vector<Checada> checadas;
    checadas.reserve(static_cast<std::size_t>(n));
    Azar azar;
    std::vector<std::int32_t> s;
    for (int d = 0; d < kDias; ++d) {
      for (int e = 1; e <= empleados; ++e) {
        PunchesDelDia(e % 4, azar, s);
        for (std::int32_t x : s) checadas.push_back({e, d, x});
      }
    }
    std::vector<std::string> fechas;
    const sys_days inicio = sys_days{2024y / January / 1};
    for (int d = 0; d < kDias; ++d) fechas.push_back(orvo::common::FechaTexto(year_month_day{inicio + days{d}}));

    std::vector<steady_clock::time_point> marcas;
    marcas.reserve(static_cast<std::size_t>(n) + 1);
    long fallidas = 0;
    long porDestino[16] = {};
    std::string id, hora;
    {
      // One outer transaction for the whole load: each invocation's own
      // transaction nests inside it as a savepoint, so no punch syncs the file.
      auto carga = bases.cn.Begin();
      marcas.push_back(steady_clock::now());
      for (const Checada& c : checadas) {
        id = std::to_string(c.id);
        hora = Hora(c.segundo);
        try {
          const auto r = orvo::classify::Busca_Empleado(bases, id, fechas[static_cast<std::size_t>(c.dia)], hora);
          ++porDestino[static_cast<int>(r.destino)];
        } catch (const orvo::RuntimeError& e) {
          if (++fallidas <= 5) std::fprintf(stderr, "error %d: %s\n", e.number, e.what());
        }
        marcas.push_back(steady_clock::now());
      }
      carga.Commit();
    }
    const steady_clock::time_point fin = steady_clock::now();

    const auto tasa = [&](long desde, long hasta) {
      const double segundos =
          duration<double>(marcas[static_cast<std::size_t>(hasta)] - marcas[static_cast<std::size_t>(desde)]).count();
      return static_cast<double>(hasta - desde) / segundos;
    };
    const double global = static_cast<double>(n) / duration<double>(fin - marcas.front()).count();
    const double primeras = tasa(0, ventana);
    const double ultimas = tasa(n - ventana, n);

    orvo::db::Recordset rs(bases.cn);
    rs.Open("SELECT count(*) AS n FROM Chequeo");
    const long filas = static_cast<long>(orvo::db::AsInteger(rs.Field("n")));
    rs.Close();

    std::printf("classify: %ld punches, %d employees, %d days, one outer transaction (each punch a savepoint)\n", n,
                empleados, kDias);
    std::printf("  outcomes: C1 %ld, C2 %ld, C3 %ld, C4 %ld, C2 ayer %ld, C3 ayer %ld, C4 ayer %ld, extra %ld, "
                "flexible %ld, nada %ld, errors %ld; Chequeo rows %ld\n",
                porDestino[1], porDestino[2], porDestino[3], porDestino[4], porDestino[5], porDestino[6],
                porDestino[7], porDestino[8], porDestino[9], porDestino[0], fallidas, filas);
    std::printf("  overall        %10.0f punches/s\n", global);
    std::printf("  first %7ld   %10.0f punches/s (baseline)\n", ventana, primeras);
    std::printf("  last  %7ld   %10.0f punches/s\n", ventana, ultimas);
    std::printf("  ratio last/first cost %.2f (target <= 1.5), rate target >= 30000 punches/s\n", primeras / ultimas);
    if (fallidas > 0) estado = 1;
  } catch (const orvo::RuntimeError& e) {
    std::fprintf(stderr, "error %d: %s\n", e.number, e.what());
    estado = 1;
  }
  return estado;
}
