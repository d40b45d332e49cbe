#include "backup/bloqueo_carpeta.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace orvo::backup {

BloqueoCarpeta::~BloqueoCarpeta() { Suelta(); }

void BloqueoCarpeta::Suelta() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

bool BloqueoCarpeta::Abre(const std::filesystem::path& carpeta, bool espera) {
  Suelta();
  const int fd = ::open(carpeta.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  int r;
  do {
    r = ::flock(fd, LOCK_EX | (espera ? 0 : LOCK_NB));
  } while (r != 0 && errno == EINTR);
  // Held, but possibly of a folder that a cleaner removed before the hold:
  // the name must still lead to this very folder.
  struct stat abierto {}, nombrado {};
  if (r != 0 || ::fstat(fd, &abierto) != 0 || ::stat(carpeta.c_str(), &nombrado) != 0 ||
      abierto.st_dev != nombrado.st_dev || abierto.st_ino != nombrado.st_ino) {
    ::close(fd);
    return false;
  }
  fd_ = fd;
  return true;
}

bool BloqueoCarpeta::Toma(const std::filesystem::path& carpeta) { return Abre(carpeta, true); }

bool BloqueoCarpeta::Intenta(const std::filesystem::path& carpeta) { return Abre(carpeta, false); }

}  // namespace orvo::backup
