#include "common/archivo_entero.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <string>

#include "platform/drive/file_error.h"

namespace orvo::common {

namespace fs = std::filesystem;

void FallaArchivo(int error, const fs::path& ruta) {
  throw drive::FileError(std::error_code(error, std::generic_category()), ruta.string());
}

int EscribeYSincroniza(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t escritos = ::write(fd, bytes.data(), bytes.size());
    if (escritos < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    bytes.remove_prefix(static_cast<std::size_t>(escritos));
  }
  return ::fsync(fd) != 0 ? errno : 0;
}

namespace {

// Failure after the temporary file exists: it must not outlive the attempt.
[[noreturn]] void Abandona(const fs::path& temporal, int error, const fs::path& destino) {
  ::unlink(temporal.c_str());
  FallaArchivo(error, destino);
}

}  // namespace

void EscribeArchivoEntero(const fs::path& destino, std::string_view bytes, mode_t modo) {
  static std::atomic<unsigned> siguiente{0};
  const fs::path carpeta = destino.has_parent_path() ? destino.parent_path() : fs::path(".");

  // A name of our own in the same folder, so the rename stays on one file
  // system and is atomic.
  fs::path temporal;
  int fd = -1;
  for (int intento = 0; fd < 0; ++intento) {
    std::string nombre = ".";  // appended, not concatenated: GCC 12 warns falsely on "." + string
    nombre += destino.filename().string();
    nombre += '.';
    nombre += std::to_string(::getpid());
    nombre += '.';
    nombre += std::to_string(siguiente++);
    nombre += ".tmp";
    temporal = carpeta / nombre;
    fd = ::open(temporal.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, modo);
    if (fd < 0 && (errno != EEXIST || intento == 100)) FallaArchivo(errno, destino);
  }

  if (const int error = EscribeYSincroniza(fd, bytes); error != 0) {
    ::close(fd);
    Abandona(temporal, error, destino);
  }
  if (::close(fd) != 0) Abandona(temporal, errno, destino);
  if (::rename(temporal.c_str(), destino.c_str()) != 0) Abandona(temporal, errno, destino);
}

}  // namespace orvo::common
