// What every benchmark needs: a small deterministic generator (every run
// makes the same data), the seconds since a moment, and a step whose failure
// is said and remembered.
//
//   orvo::bench::Random random;             // xorshift64, fixed seed
//   auto start = orvo::bench::Clock::now();
//   ok &= orvo::bench::Check(Step() == 0, "Step");   // prints "FALLO: Step" when false
//   std::printf("%.2fs\n", orvo::bench::Seconds(start));
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>

namespace orvo::bench {

using Clock = std::chrono::steady_clock;

inline double Seconds(Clock::time_point since) {
  return std::chrono::duration<double>(Clock::now() - since).count();
}

struct Random {
  std::uint64_t s = 0x9E3779B97F4A7C15ull;
  std::uint64_t operator()() {
    s ^= s << 13;
    s ^= s >> 7;
    s ^= s << 17;
    return s;
  }
};

inline bool Check(bool ok, const std::string& what) {
  if (!ok) std::fprintf(stderr, "FALLO: %s\n", what.c_str());
  return ok;
}

}  // namespace orvo::bench
