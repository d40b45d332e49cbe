#include "platform/error/file_error.h"

#include <cerrno>
#include <string>

#include "platform/error/numbers.h"

namespace orvo::err {

namespace {

Reason Of(int number) { return {number, Text(number)}; }

RuntimeError Named(Reason reason, std::string_view path) {
  return RuntimeError(reason.number, std::string(reason.text) + ": '" + std::string(path) + "'");
}

}  // namespace

Reason ReasonOf(int errnum) {
  switch (errnum) {
    case ENOMEM: return Of(kOutOfMemory);
    case ENAMETOOLONG: return Of(kBadFileName);
    case EEXIST: return Of(kFileExists);
    case ENOSPC:
    case EDQUOT:
    case EFBIG: return Of(kDiskFull);
    case EACCES:
    case EPERM:
    case EROFS:
    case ETXTBSY:
    case EBUSY: return Of(kPermissionDenied);
    case ENOENT:
    case ENOTDIR:
    case ELOOP: return Of(kPathNotFound);
    default: return Of(kAccessError);
  }
}

Reason ReasonOf(const std::error_code& ec) {
  if (ec.category() == std::generic_category() || ec.category() == std::system_category()) return ReasonOf(ec.value());
  return Of(kAccessError);
}

RuntimeError FileError(const std::error_code& ec, std::string_view path) { return Named(ReasonOf(ec), path); }

RuntimeError FileError(int errnum, const std::filesystem::path& path) { return Named(ReasonOf(errnum), path.string()); }

RuntimeError FileError(const std::filesystem::filesystem_error& e) { return FileError(e.code(), e.path1().string()); }

RuntimeError FileInUse(std::string_view path) {
  return RuntimeError(kPermissionDenied, std::string(Text(kPermissionDenied)) + ": el archivo '" + std::string(path) +
                                             "' está en uso por otro programa.");
}

RuntimeError FileNotFound(std::string_view path) { return Named(Of(kFileNotFound), path); }

RuntimeError PathError(std::string_view path) { return Named(Of(kPathNotFound), path); }

}  // namespace orvo::err
