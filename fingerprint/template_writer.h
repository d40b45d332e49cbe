// Test support: valid 400-byte minutiae templates from lists of minutiae, and
// synthetic fingers to fill a database with. Never linked into the library.
//
//   TemplateSpec spec;                       // width 256, height 360, layout 0
//   spec.minutiae = {{10, 20, 64}, {-40, 5, 3, 1}};   // x, y, direction, type
//   auto templ = WriteTemplate(spec);
//   auto finger = WriteTemplate(SyntheticFinger(7, 40));
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace huellix::testing {

struct MinutiaSpec {
  int x = 0;          // -511..511
  int y = 0;          // -511..511
  int direction = 0;  // 0..127
  int type = 0;       // 0 or 1
};

struct TemplateSpec {
  int width = 256;
  int height = 360;
  int layoutCode = 0;
  std::vector<MinutiaSpec> minutiae = {};
  // The count byte when it should differ from the list's length.
  std::optional<int> count = std::nullopt;
};

using TemplateBytes = std::array<std::uint8_t, 400>;

// The minutia word of one minutia, as the template stores it.
std::array<std::uint8_t, 4> EncodeMinutia(const MinutiaSpec& minutia);
// Minutiae whose words fall outside the 400 bytes are left out.
TemplateBytes WriteTemplate(const TemplateSpec& spec);
// `count` minutiae spread over the template's area, listed by descending x,
// the same for the same seed.
TemplateSpec SyntheticFinger(unsigned seed, int count);

}  // namespace huellix::testing
