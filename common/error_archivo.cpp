#include "common/error_archivo.h"

#include <cerrno>
#include <string>

namespace orvo::common {

RuntimeError ErrorArchivo(int error, const std::filesystem::path& ruta) {
  int numero = 75;
  const char* texto = "Error de acceso a la ruta o el archivo";
  switch (error) {
    case ENOENT:
    case ENOTDIR:
      numero = 76;
      texto = "No se ha encontrado la ruta de acceso";
      break;
    case EACCES:
    case EPERM:
    case EROFS:
      numero = 70;
      texto = "Permiso denegado";
      break;
    case EEXIST:
      numero = 58;
      texto = "El archivo ya existe";
      break;
    case ENOSPC:
    case EDQUOT:
      numero = 61;
      texto = "Disco lleno";
      break;
    case EIO:
      numero = 57;
      texto = "Error de E/S en el dispositivo";
      break;
    default:
      break;
  }
  return RuntimeError(numero, std::string(texto) + ": " + ruta.string());
}

RuntimeError ErrorArchivo(const std::filesystem::filesystem_error& e) {
  return ErrorArchivo(e.code().value(), e.path1());
}

}  // namespace orvo::common
