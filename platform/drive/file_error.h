// Failures of the file system as the run time reported them: its own error
// numbers with Spanish descriptions that keep the path, never the C library's
// English text. The one place where std::filesystem and errno errors become
// run-time errors.
//
//   std::error_code ec;
//   fs::create_directories(folder, ec);
//   if (ec) throw orvo::drive::FileError(ec, folder.string());
//   // 76 "No se ha encontrado la ruta de acceso: '/srv/c/Quiravel/x'"
//
//   try { fs::copy_file(a, b); } catch (const fs::filesystem_error& e) { throw FileError(e); }
//
// Number  Meaning                             From
//   53    file not found                      (named by the callers that look for a file)
//   58    file already exists                 EEXIST
//   61    disk full                           ENOSPC, EDQUOT
//   70    permission denied                   EACCES, EPERM, EROFS, ETXTBSY, EBUSY
//   76    path not found                      ENOENT, ENOTDIR, ENAMETOOLONG, ELOOP
//   75    path/file access error              anything else
#pragma once

#include <filesystem>
#include <string_view>
#include <system_error>

#include "platform/error.h"

namespace orvo::drive {

namespace fileerr {
inline constexpr int kFileNotFound = 53;
inline constexpr int kFileExists = 58;
inline constexpr int kDiskFull = 61;
inline constexpr int kPermissionDenied = 70;
inline constexpr int kAccessError = 75;
inline constexpr int kPathNotFound = 76;
}  // namespace fileerr

// The run-time error for a failed operation on `path`.
RuntimeError FileError(const std::error_code& ec, std::string_view path);
// The same for an exception of std::filesystem (its first path is named).
RuntimeError FileError(const std::filesystem::filesystem_error& e);

// The error of a file that another program is using (permission denied, as
// the platform refused to delete or replace an open file).
RuntimeError FileInUse(std::string_view path);

// The path error of a Windows path that has no folder here.
RuntimeError PathError(std::string_view path);

}  // namespace orvo::drive
