// Failures of the file system as the run time reported them: its own error
// numbers with Spanish descriptions that keep the path, never the C library's
// English text. The one mapping from errno to the run time's numbers, used by
// every layer that reports a system error (drive, transfer, zip).
//
//   std::error_code ec;
//   fs::create_directories(folder, ec);
//   if (ec) throw orvo::err::FileError(ec, folder.string());
//   // 76 "No se ha encontrado la ruta de acceso: '/srv/c/Quiravel/x'"
//
//   err::ReasonOf(ENOSPC)   // {61, "Disco lleno"}: for a message of its own
//
// Number  Meaning                             From
//    7    out of memory                       ENOMEM
//   52    bad file name or number             ENAMETOOLONG (a name or path longer than the system takes)
//   53    file not found                      (named by the callers that look for a file)
//   58    file already exists                 EEXIST
//   61    disk full                           ENOSPC, EDQUOT, EFBIG
//   70    permission denied                   EACCES, EPERM, EROFS, ETXTBSY, EBUSY
//   76    path not found                      ENOENT, ENOTDIR, ELOOP
//   75    path/file access error              anything else
#pragma once

#include <filesystem>
#include <string_view>
#include <system_error>

#include "platform/error.h"

namespace orvo::err {

// The run time's number for a system error and its text (from Text).
struct Reason {
  int number;
  std::string_view text;
};
Reason ReasonOf(int errnum);
Reason ReasonOf(const std::error_code& ec);

// The run-time error for a failed operation on `path`: "<text>: '<path>'".
RuntimeError FileError(const std::error_code& ec, std::string_view path);
// An errno as the call left it: `path` is taken as it is, so nothing runs
// between the failed call and the reading of errno.
RuntimeError FileError(int errnum, const std::filesystem::path& path);
// The same for an exception of std::filesystem (its first path is named).
RuntimeError FileError(const std::filesystem::filesystem_error& e);

// The error of a file that is not there where a program or a backup was
// looked for (53, as the run time named a missing file).
RuntimeError FileNotFound(std::string_view path);

// The error of a file that another program is using (permission denied, as
// the platform refused to delete or replace an open file).
RuntimeError FileInUse(std::string_view path);

// The path error of a Windows path that has no folder here.
RuntimeError PathError(std::string_view path);

}  // namespace orvo::err
