// What the benchmarks share: a clock in seconds, a small deterministic
// generator (every run works on the same data), figures with thousands
// separators, and the run of a benchmark program over a private drive C:.
//
//   int main(int argc, char** argv) {
//     return orvo::bench::Banco(argc, argv, "bench_requeue", "PUNCHES", 5500000,
//                               [](long n) { return Corre(n); });
//   }
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace orvo::bench {

using Reloj = std::chrono::steady_clock;

double Segundos(Reloj::time_point desde);

struct Azar {
  std::uint64_t s = 0x9E3779B97F4A7C15ull;
  std::uint64_t operator()() {
    s ^= s << 13;
    s ^= s >> 7;
    s ^= s << 17;
    return s;
  }
};

// A step whose failure is said and remembered:
//   ok &= Check(Step() == 0, "Step");   // prints "FALLO: Step" when false
bool Check(bool ok, const std::string& what);

// 1234567.4 -> "1,234,567"
std::string Miles(double v);

// The size argument at `posicion` (1 for the first): `porOmision` when the
// run has fewer arguments, nullopt when it is not a non-negative number.
std::optional<long> Tamano(int argc, char** argv, int posicion, long porOmision);

// Reads the optional size argument (non-negative; `porOmision` without one),
// makes the QApplication on the offscreen platform unless one is chosen, and
// runs `corre` over a private drive C: that is removed at the end. Gives the
// exit status: `corre`'s, 2 on a bad argument or an exception (printed).
int Banco(int argc, char** argv, const char* nombre, const char* tamano, long porOmision,
          const std::function<int(long)>& corre);

}  // namespace orvo::bench
