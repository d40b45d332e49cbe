// The run time's own file errors: a failure of the file system, told by its
// number and Spanish description with the path the user can check.
//
//   if (::open(ruta.c_str(), O_RDONLY) < 0) throw ErrorArchivo(errno, ruta);
//   // RuntimeError 76 "No se ha encontrado la ruta de acceso: /datos/x"
//
//   catch (const std::filesystem::filesystem_error& e) { throw ErrorArchivo(e); }
#pragma once

#include <filesystem>

#include "platform/error.h"

namespace orvo::common {

// `error` is an errno value. Errors without a number of their own are 75,
// "Error de acceso a la ruta o el archivo".
RuntimeError ErrorArchivo(int error, const std::filesystem::path& ruta);

// The same for what std::filesystem threw, naming its first path.
RuntimeError ErrorArchivo(const std::filesystem::filesystem_error& e);

}  // namespace orvo::common
