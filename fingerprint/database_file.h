// The template database file: the whole triangle index and template store as
// they stand in memory, after a 512-byte header with the engine's magic text.
//
//   header (512) | count (4) | m (4) | m slot blocks | b (4) | b bucket blocks
//   slot block:   slot (4) | k (2) | k x (key 4, item count 2, 2 bytes) | the items, 16 bytes each
//   bucket block: bucket (4) | L (4) | L x (fingerprint key 4, template 400, 4 bytes)
//
// All integers little-endian. Slots and buckets ascend; an empty database is
// 524 bytes. A load replaces the engine's database; a file that is cut short
// or breaks the rules above (numbers out of range or out of order, keys in
// the wrong slot or bucket or given twice, the reserved all-bits fingerprint
// key, empty lists, a count that is not the number of records, bytes after the
// end) loads as 103 with an empty
// database.
#pragma once

#include <string_view>

namespace huellix {

// 49 characters, followed in the header by a NUL and zero bytes up to 512.
constexpr std::string_view kDatabaseMagic = "Parvex Fingerprint Search Engine Database Ver 1.1";
constexpr int kDatabaseHeaderSize = 512;

// Recounts the registered templates, then writes the file through a
// temporary file renamed over it: 0, or 102 with any earlier file untouched.
// The temporary's name fits the system's limit for any name of the file
// (up to 255 bytes): a long name is shortened in it, with a digest.
// A symbolic link is followed (the temporary file lies beside its target);
// the replaced file's mode, and owner and group where the process may set
// them, carry over; a new file has mode 600; a name that is not a regular
// file (a folder, a device, a pipe) is refused with 102.
int WriteDatabaseFile(const char* fileName);
// 0; 101 when the engine state cannot be created again (engine then
// uninitialised); 103 when the file does not open, is not a regular file
// (at once for a pipe with no writer) or is damaged; 201 when it
// holds more templates than the maximum. Anything but 0 leaves an empty
// database with count 0.
int ReadDatabaseFile(const char* fileName);

}  // namespace huellix
