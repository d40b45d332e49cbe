#include "ftp/cargados.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QByteArray>
#include <QCryptographicHash>
#include <cerrno>
#include <filesystem>
#include <system_error>

#include "common/texto_externo.h"
#include "platform/drive/drive.h"
#include "platform/error/file_error.h"
#include "platform/drive/whole_file.h"
#include "platform/text/nocase.h"

namespace orvo::ftp {

namespace {

constexpr std::string_view kNombreRegistro = "cargados.txt";

std::string Linea(const HuellaArchivo& h) {
  return h.nombre + '\t' + std::to_string(h.tamano) + '\t' + h.sha256;
}

[[noreturn]] void Falla(int error) {
  throw err::FileError(std::error_code(error, std::generic_category()), kRegistroCargados);
}

}  // namespace

HuellaArchivo Huella(std::string_view nombre, std::string_view bytes) {
  const QByteArray digest = QCryptographicHash::hash(
      QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())), QCryptographicHash::Sha256);
  return {std::string(nombre), bytes.size(), digest.toHex().toStdString()};
}

bool YaCargado(const HuellaArchivo& huella) {
  const std::filesystem::path ruta = drive::Map(kRegistroCargados);
  std::error_code ec;
  if (!std::filesystem::exists(ruta, ec)) return false;
  const auto contenido = common::LeeArchivo(ruta);
  if (!contenido) Falla(EACCES);
  const std::string buscada = Linea(huella);
  for (const common::Linea& l : common::Lineas(*contenido))
    if (l.bytes == buscada) return true;
  return false;
}

void AnotaCargado(const HuellaArchivo& huella) {
  const std::filesystem::path ruta = drive::Map(kRegistroCargados);
  const int fd = ::open(ruta.c_str(), O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0) Falla(errno);
  std::string linea = Linea(huella) + "\r\n";
  // A line cut short by a crash must not swallow this one.
  struct stat st {};
  char ultimo = '\n';
  if (::fstat(fd, &st) == 0 && st.st_size > 0 && ::pread(fd, &ultimo, 1, st.st_size - 1) == 1 && ultimo != '\n')
    linea.insert(0, "\r\n");
  if (const int error = drive::WriteAllAndSync(fd, linea); error != 0) {
    ::close(fd);
    Falla(error);
  }
  if (::close(fd) != 0) Falla(errno);
}

bool EsNombreDelRegistro(std::string_view nombre) { return text::EqualsNoCase(nombre, kNombreRegistro); }

}  // namespace orvo::ftp
