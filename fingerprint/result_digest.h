// FNV-1a over results, so that runs of the fingerprint engine before and after
// work on its speed can be compared figure for figure without listing every
// result. Shared by the benchmark and the fixed-results test.
#pragma once

#include <cstdint>
#include <string_view>

namespace huellix::synthetic {

class ResultDigest {
 public:
  void Add(std::uint64_t v) {
    for (int i = 0; i < 8; ++i) Mix((v >> (8 * i)) & 0xFF);
  }
  void AddBytes(std::string_view bytes) {
    for (unsigned char c : bytes) Mix(c);
  }
  std::uint64_t Value() const { return h_; }

 private:
  void Mix(std::uint64_t byte) {
    h_ ^= byte;
    h_ *= 0x100000001B3ull;
  }
  std::uint64_t h_ = 0xCBF29CE484222325ull;
};

}  // namespace huellix::synthetic
