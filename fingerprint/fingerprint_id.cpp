#include "fingerprint/fingerprint_id.h"

namespace huellix {

FingerprintKey PackFingerprintId(const FingerprintId& id) {
  return static_cast<std::uint32_t>(id.userId) << 8 | static_cast<std::uint32_t>(id.sample & 15) << 4 |
         static_cast<std::uint32_t>(id.finger & 15);
}

FingerprintId UnpackFingerprintId(FingerprintKey key) {
  FingerprintId id{};
  id.userId = static_cast<std::int32_t>(key >> 8);
  id.sample = static_cast<std::uint8_t>((key >> 4) & 15);
  id.finger = static_cast<std::uint8_t>(key & 15);
  return id;
}

}  // namespace huellix
