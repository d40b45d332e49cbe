// Names made from another file's name (a temporary beside it, a copy under
// way) that fit the system's limit on one name, whatever the file's name.
//
//   drive::FittingName("informe.txt", 200)      // "informe.txt": it fits
//   drive::FittingName(name250, 227)            // its first 210 bytes, "~", 16 hex digits
//
// A name longer than `room` bytes is cut, at the start of a character when
// it is UTF-8, and followed by "~" and a digest of the whole name, so two
// long names that begin alike still give two names. The same name and room
// always give the same result: a leftover can be found again by its file.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace orvo::drive {

// The longest name of one file or folder (a path component) that the system takes.
inline constexpr std::size_t kNameMax = 255;

// `name` when it is at most `room` bytes, else its shortened form of `room`
// bytes or fewer. `room` is kNameMax less what the caller puts around it, and
// at least 17 (the "~" and the digest).
std::string FittingName(std::string_view name, std::size_t room);

}  // namespace orvo::drive
