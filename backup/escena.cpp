#include "backup/escena.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <string>
#include <system_error>

namespace orvo::respaldo {

namespace fs = std::filesystem;

namespace {
constexpr const char* kCerrojo = "en_uso";
}  // namespace

CerrojoDeEscena::CerrojoDeEscena(const fs::path& escena)
    : fd_(::open((escena / kCerrojo).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600)) {
  if (fd_ >= 0) ::flock(fd_, LOCK_EX);
}

CerrojoDeEscena::~CerrojoDeEscena() {
  if (fd_ >= 0) ::close(fd_);
}

CerrojoDeEscena& CerrojoDeEscena::operator=(CerrojoDeEscena&& otro) noexcept {
  if (this != &otro) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = otro.fd_;
    otro.fd_ = -1;
  }
  return *this;
}

std::vector<fs::path> EscenasAbandonadas(const fs::path& carpeta, std::string_view prefijo) {
  std::vector<fs::path> abandonadas;
  std::error_code ec;
  for (fs::directory_iterator it(carpeta, ec), fin; !ec && it != fin; it.increment(ec)) {
    if (!it->path().filename().string().starts_with(prefijo) || !it->is_directory(ec)) continue;
    const int fd = ::open((it->path() / kCerrojo).c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) continue;
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) abandonadas.push_back(it->path());
    ::close(fd);
  }
  return abandonadas;
}

}  // namespace orvo::respaldo
