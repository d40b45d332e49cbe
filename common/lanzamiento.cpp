#include "common/lanzamiento.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <string>
#include <system_error>

#include "common/archivo_entero.h"
#include "platform/drive/drive.h"
#include "platform/drive/file_error.h"
#include "platform/error.h"

namespace orvo::common {

namespace fs = std::filesystem;

namespace {

std::string_view Contenido(Resultado resultado) {
  switch (resultado) {
    case Resultado::Ok: return "ok\r\n";
    case Resultado::Err: return "err\r\n";
    case Resultado::Salir: return "salir\r\n";
    case Resultado::Vacio: return {};
  }
  return {};
}

bool EsCarpeta(const fs::path& ruta) {
  std::error_code ec;
  return fs::is_directory(ruta, ec);
}

}  // namespace

bool PruebaMarcador(const fs::path& carpetaPrograma, std::string_view marcador,
                    forms::Dialogs& dialogs) {
  const fs::path ruta = drive::FindIgnoringCase(carpetaPrograma, marcador);
  // Unlinking is what consumes the marker: when two starts race for one
  // marker, only one unlink succeeds, and the other start is refused.
  // On this platform a read-only file goes as any other; only the folder's
  // permission matters.
  if (!ruta.empty() && !EsCarpeta(ruta)) {
    if (::unlink(ruta.c_str()) == 0) return true;
    if (errno != ENOENT) FallaArchivo(errno, ruta);
  }
  dialogs.MsgBox(kMensajeSinMarcador, forms::Buttons::Ok, forms::Icon::Exclamation,
                 kTituloSinMarcador);
  return false;
}

void CreaMarcador(const fs::path& carpeta, std::string_view marcador) {
  // Replacing rather than truncating: a read-only marker left by an earlier
  // run could not be opened for writing, and a differently spelt one would
  // leave two markers behind.
  for (fs::path existente = drive::FindIgnoringCase(carpeta, marcador); !existente.empty();
       existente = drive::FindIgnoringCase(carpeta, marcador)) {
    if (::unlink(existente.c_str()) != 0 && errno != ENOENT) FallaArchivo(errno, existente);
  }
  const fs::path ruta = carpeta / std::string(marcador);
  const int fd = ::open(ruta.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) FallaArchivo(errno, ruta);
  if (::close(fd) != 0) FallaArchivo(errno, ruta);
}

void EscribeResultado(const fs::path& carpetaPrograma, Resultado resultado) {
  EscribeArchivoEntero(carpetaPrograma / std::string(kArchivoResultado), Contenido(resultado));
}

}  // namespace orvo::common
