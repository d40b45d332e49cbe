// FingerprintKey: the engine's 32-bit key of a caller's FingerprintId. The
// index, the store, the search and the database file carry only the key.
//
//   bits 0-3 finger & 15 | bits 4-7 sample & 15 | bits 8-31 low 24 bits of the user id
//
// So user 16777216 has the key of user 0, and user -1 unpacks as 16777215.
#pragma once

#include <cstdint>

#include "fingerprint/Huellix.h"

namespace huellix {

using FingerprintKey = std::uint32_t;

// User 16,777,215 (or -1), finger 15, sample 15: the key with every bit set,
// which the search's top list uses for "no candidate". It is never
// registered, nor loaded from a database file.
constexpr FingerprintKey kReservedKey = 0xFFFFFFFF;

FingerprintKey PackFingerprintId(const FingerprintId& id);
FingerprintId UnpackFingerprintId(FingerprintKey key);

}  // namespace huellix
