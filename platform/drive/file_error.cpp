#include "platform/drive/file_error.h"

#include <cerrno>
#include <string>

namespace orvo::drive {

RuntimeError FileError(const std::error_code& ec, std::string_view path) {
  const std::string named = " '" + std::string(path) + "'";
  if (ec.category() == std::generic_category() || ec.category() == std::system_category()) {
    switch (ec.value()) {
      case EEXIST: return RuntimeError(fileerr::kFileExists, "El archivo ya existe:" + named);
      case ENOSPC:
      case EDQUOT: return RuntimeError(fileerr::kDiskFull, "Disco lleno:" + named);
      case EACCES:
      case EPERM:
      case EROFS:
      case ETXTBSY:
      case EBUSY: return RuntimeError(fileerr::kPermissionDenied, "Permiso denegado:" + named);
      case ENOENT:
      case ENOTDIR:
      case ENAMETOOLONG:
      case ELOOP: return PathError(path);
      default: break;
    }
  }
  return RuntimeError(fileerr::kAccessError, "Error de acceso a la ruta o el archivo:" + named);
}

RuntimeError FileError(const std::filesystem::filesystem_error& e) {
  return FileError(e.code(), e.path1().string());
}

RuntimeError FileInUse(std::string_view path) {
  return RuntimeError(fileerr::kPermissionDenied,
                      "Permiso denegado: el archivo '" + std::string(path) + "' está en uso por otro programa.");
}

RuntimeError PathError(std::string_view path) {
  return RuntimeError(fileerr::kPathNotFound, "No se ha encontrado la ruta de acceso: '" + std::string(path) + "'");
}

}  // namespace orvo::drive
