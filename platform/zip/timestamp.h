// Modification times of archive entries: the DOS time every zip program reads
// (local time, two-second steps) together with the extended timestamp field
// (UTC seconds) that keeps the exact second across time zones.
#pragma once

#include <zip.h>

#include <ctime>

namespace orvo::zip {

// Sets both times of entry `index`; false when libzip refused.
bool SetEntryTime(zip_t* archive, zip_uint64_t index, std::time_t mtime);

// The entry's time: the extended timestamp when the entry has one, the DOS
// time otherwise; -1 when it has neither.
std::time_t EntryTime(zip_t* archive, zip_uint64_t index);

}  // namespace orvo::zip
