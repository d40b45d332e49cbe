#include "fingerprint/template_writer.h"

#include <algorithm>
#include <cstdlib>
#include <random>

#include "fingerprint/template_decoder.h"

namespace huellix::testing {
std::array<std::uint8_t, 4> EncodeMinutia(const MinutiaSpec& m) {
  const int ax = std::abs(m.x), ay = std::abs(m.y);
  std::uint8_t b3 = 0;
  if (ax >= 256) b3 |= 0x20;
  if (ay >= 256) b3 |= 0x10;
  if (m.x < 0) b3 |= 0x80;
  if (m.y < 0) b3 |= 0x40;
  return {static_cast<std::uint8_t>(m.direction << 1 | (m.type & 1)), static_cast<std::uint8_t>(ax & 255),
          static_cast<std::uint8_t>(ay & 255), b3};
}

TemplateBytes WriteTemplate(const TemplateSpec& spec) {
  TemplateBytes bytes{};
  bytes[13] = static_cast<std::uint8_t>(spec.count.value_or(static_cast<int>(spec.minutiae.size())));
  bytes[14] = static_cast<std::uint8_t>(spec.width);
  bytes[15] = static_cast<std::uint8_t>(spec.width >> 8);
  bytes[16] = static_cast<std::uint8_t>(spec.height);
  bytes[17] = static_cast<std::uint8_t>(spec.height >> 8);
  bytes[19] = static_cast<std::uint8_t>(spec.layoutCode);
  for (std::size_t k = 0; k < spec.minutiae.size(); ++k) {
    const int offset = MinutiaWordOffset(spec.layoutCode, static_cast<int>(k));
    if (offset + 4 > static_cast<int>(bytes.size())) break;
    const auto word = EncodeMinutia(spec.minutiae[k]);
    std::copy(word.begin(), word.end(), bytes.begin() + offset);
  }
  return bytes;
}

TemplateSpec SyntheticFinger(unsigned seed, int count) {
  std::mt19937 random(seed);
  std::uniform_int_distribution<int> x(-120, 120), y(-150, 150), direction(0, 127), type(0, 1);
  TemplateSpec spec;
  spec.width = 128;
  spec.height = 160;
  for (int i = 0; i < count; ++i) spec.minutiae.push_back({x(random), y(random), direction(random), type(random)});
  std::stable_sort(spec.minutiae.begin(), spec.minutiae.end(),
                   [](const MinutiaSpec& a, const MinutiaSpec& b) { return a.x > b.x; });
  return spec;
}

}  // namespace huellix::testing
