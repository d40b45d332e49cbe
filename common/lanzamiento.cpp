#include "common/lanzamiento.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <string>
#include <system_error>

#include "platform/drive/drive.h"
#include "platform/drive/file_error.h"
#include "platform/error.h"

namespace orvo::common {

namespace fs = std::filesystem;

namespace {

// The platform's file errors, by what went wrong, with the path the user can check.
[[noreturn]] void FallaArchivo(int error, const fs::path& ruta) {
  throw drive::FileError(std::error_code(error, std::generic_category()), ruta.string());
}

std::string_view Contenido(Resultado resultado) {
  switch (resultado) {
    case Resultado::Ok: return "ok\r\n";
    case Resultado::Err: return "err\r\n";
    case Resultado::Salir: return "salir\r\n";
    case Resultado::Vacio: return {};
  }
  return {};
}

// Failure after the temporary file exists: it must not outlive the attempt.
[[noreturn]] void Abandona(const fs::path& temporal, int error, const fs::path& destino) {
  ::unlink(temporal.c_str());
  FallaArchivo(error, destino);
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
  static std::atomic<unsigned> siguiente{0};
  const fs::path destino = carpetaPrograma / std::string(kArchivoResultado);

  // A name of our own in the same folder, so the rename stays on one file
  // system and is atomic; open honours the umask, as a plain create would.
  fs::path temporal;
  int fd = -1;
  for (int intento = 0; fd < 0; ++intento) {
    std::string nombre = ".";
    nombre.append(kArchivoResultado).append(".").append(std::to_string(::getpid()));
    nombre.append(".").append(std::to_string(siguiente++)).append(".tmp");
    temporal = carpetaPrograma / nombre;
    fd = ::open(temporal.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && (errno != EEXIST || intento == 100)) FallaArchivo(errno, destino);
  }

  std::string_view bytes = Contenido(resultado);
  while (!bytes.empty()) {
    const ssize_t escritos = ::write(fd, bytes.data(), bytes.size());
    if (escritos < 0) {
      if (errno == EINTR) continue;
      const int error = errno;
      ::close(fd);
      Abandona(temporal, error, destino);
    }
    bytes.remove_prefix(static_cast<std::size_t>(escritos));
  }
  if (::close(fd) != 0) Abandona(temporal, errno, destino);
  if (::rename(temporal.c_str(), destino.c_str()) != 0) Abandona(temporal, errno, destino);
}

}  // namespace orvo::common
