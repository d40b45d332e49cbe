// The file errors of paths on drive C:, under the names drive's callers use;
// the mapping and the texts are the error module's (platform/error/file_error.h).
//
//   if (ec) throw orvo::drive::FileError(ec, folder.string());
#pragma once

#include "platform/error/file_error.h"
#include "platform/error/numbers.h"

namespace orvo::drive {

using err::FileError;
using err::FileInUse;
using err::PathError;

namespace fileerr {
using err::kAccessError;
using err::kDiskFull;
using err::kFileExists;
using err::kFileNotFound;
using err::kPathNotFound;
using err::kPermissionDenied;
}  // namespace fileerr

}  // namespace orvo::drive
