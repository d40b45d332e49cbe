#include "platform/zip/timestamp.h"

#include <cstdint>
#include <initializer_list>

namespace orvo::zip {
namespace {

constexpr zip_uint16_t kExtendedTimestamp = 0x5455;
constexpr zip_uint8_t kHasModificationTime = 0x01;

}  // namespace

bool SetEntryTime(zip_t* archive, zip_uint64_t index, std::time_t mtime) {
  // The field holds the time as 32 bits; times it cannot hold keep the DOS time only.
  bool ok = zip_file_set_mtime(archive, index, mtime, 0) == 0;
  if (mtime < INT32_MIN || mtime > INT32_MAX) return ok;
  const auto t = static_cast<std::uint32_t>(static_cast<std::int32_t>(mtime));
  const zip_uint8_t field[5] = {kHasModificationTime, static_cast<zip_uint8_t>(t), static_cast<zip_uint8_t>(t >> 8),
                                static_cast<zip_uint8_t>(t >> 16), static_cast<zip_uint8_t>(t >> 24)};
  for (zip_flags_t where : {ZIP_FL_LOCAL, ZIP_FL_CENTRAL}) {
    zip_file_extra_field_delete_by_id(archive, index, kExtendedTimestamp, ZIP_EXTRA_FIELD_ALL, where);
    ok = zip_file_extra_field_set(archive, index, kExtendedTimestamp, ZIP_EXTRA_FIELD_NEW, field, sizeof field,
                                  where) == 0 && ok;
  }
  return ok;
}

std::time_t EntryTime(zip_t* archive, zip_uint64_t index) {
  for (zip_flags_t where : {ZIP_FL_CENTRAL, ZIP_FL_LOCAL}) {
    zip_uint16_t length = 0;
    const zip_uint8_t* field =
        zip_file_extra_field_get_by_id(archive, index, kExtendedTimestamp, 0, &length, where);
    if (field && length >= 5 && (field[0] & kHasModificationTime)) {
      const std::uint32_t t = field[1] | field[2] << 8 | field[3] << 16 | static_cast<std::uint32_t>(field[4]) << 24;
      return static_cast<std::int32_t>(t);
    }
  }
  zip_stat_t st;
  if (zip_stat_index(archive, index, 0, &st) == 0 && (st.valid & ZIP_STAT_MTIME)) return st.mtime;
  return -1;
}

}  // namespace orvo::zip
