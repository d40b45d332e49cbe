// Small vectors for the matcher's inner loops: eight 16-bit lanes or sixteen
// bytes, with GCC's vector extensions (plain SSE2 on x86-64), and the bit of
// each lane of a comparison, to visit only the lanes that passed.
#pragma once

#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace huellix::lanes {

using Lanes = std::int16_t __attribute__((vector_size(16)));
using UnsignedLanes = std::uint16_t __attribute__((vector_size(16)));
using Bytes = std::uint8_t __attribute__((vector_size(16)));

inline Lanes Splat(int v) {
  const auto s = static_cast<std::int16_t>(v);
  return Lanes{s, s, s, s, s, s, s, s};
}

inline Bytes SplatBytes(int v) {
  const auto s = static_cast<std::uint8_t>(v);
  return Bytes{s, s, s, s, s, s, s, s, s, s, s, s, s, s, s, s};
}

inline Lanes Load(const std::int16_t* p) {
  Lanes v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

inline Bytes LoadBytes(const std::uint8_t* p) {
  Bytes v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

inline void Store(std::int16_t* p, Lanes v) { std::memcpy(p, &v, sizeof v); }

// Lane l of a comparison's result (every bit of a lane set or none) gives
// bit l. SSE2 gathers the lanes' top bits in one instruction; elsewhere one
// multiplication per half, whose partial products never meet, does it.
#if defined(__SSE2__)
inline unsigned LaneBits(Lanes ok) {
  // Narrowed to bytes with saturation, a set lane stays set.
  const __m128i v = reinterpret_cast<const __m128i&>(ok);
  return static_cast<unsigned>(_mm_movemask_epi8(_mm_packs_epi16(v, _mm_setzero_si128())));
}

inline unsigned LaneBits(Bytes ok) {
  return static_cast<unsigned>(_mm_movemask_epi8(reinterpret_cast<const __m128i&>(ok)));
}
#else
inline unsigned LaneBits(Lanes ok) {
  constexpr std::uint64_t kLowBits = 0x0001000100010001;
  constexpr std::uint64_t kGather = (std::uint64_t{1} << 48) | (std::uint64_t{1} << 33) | (std::uint64_t{1} << 18) |
                                    (std::uint64_t{1} << 3);
  std::uint64_t half[2];
  std::memcpy(half, &ok, sizeof half);
  return static_cast<unsigned>(((half[0] & kLowBits) * kGather) >> 48) |
         static_cast<unsigned>(((half[1] & kLowBits) * kGather) >> 48) << 4;
}

inline unsigned LaneBits(Bytes ok) {
  constexpr std::uint64_t kLowBits = 0x0101010101010101;
  constexpr std::uint64_t kGather = 0x0102040810204080;
  std::uint64_t half[2];
  std::memcpy(half, &ok, sizeof half);
  return static_cast<unsigned>(((half[0] & kLowBits) * kGather) >> 56) |
         static_cast<unsigned>(((half[1] & kLowBits) * kGather) >> 56) << 8;
}
#endif

}  // namespace huellix::lanes
