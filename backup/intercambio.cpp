#include "backup/intercambio.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <system_error>

#include "platform/error.h"

namespace orvo::respaldo {

namespace fs = std::filesystem;

namespace {

constexpr const char* kDiario = "pasos";

// One record a call, in one write: a process killed meanwhile leaves the
// record whole or cut short, and a record cut short is read as not written.
bool Agrega(const fs::path& diario, const std::string& registro) {
  const int fd = ::open(diario.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  const bool escrito = ::write(fd, registro.data(), registro.size()) == static_cast<ssize_t>(registro.size());
  ::close(fd);
  return escrito;
}

// A path as "<length>:<bytes>", so that any byte may stand in a name.
std::string Campo(const fs::path& ruta) { return std::to_string(ruta.native().size()) + ":" + ruta.native(); }

bool LeeCampo(const std::string& texto, std::size_t& i, fs::path& ruta) {
  const std::size_t dos = texto.find(':', i);
  if (dos == std::string::npos || dos == i) return false;
  std::size_t largo = 0;
  for (std::size_t k = i; k < dos; ++k) {
    if (texto[k] < '0' || texto[k] > '9') return false;
    largo = largo * 10 + static_cast<std::size_t>(texto[k] - '0');
  }
  if (largo > texto.size() - dos - 1) return false;
  ruta = texto.substr(dos + 1, largo);
  i = dos + 1 + largo;
  return true;
}

}  // namespace

Intercambio::Intercambio(fs::path guarda) : guarda_(std::move(guarda)) {}

void Intercambio::Anota(Paso paso) {
  fs::create_directories(guarda_);
  paso.numero = anotados_++;
  std::string registro = std::string(paso.tipo == Paso::Retirado ? "R " : paso.tipo == Paso::Colocado ? "C " : "D ") +
                         std::to_string(paso.numero) + " " + Campo(paso.ruta);
  if (paso.tipo == Paso::Retirado) registro += Campo(paso.guardado);
  if (!Agrega(guarda_ / kDiario, registro + "\n")) {
    throw fs::filesystem_error("write", guarda_ / kDiario, std::error_code(errno, std::generic_category()));
  }
  pasos_.push_back(std::move(paso));
}

void Intercambio::AnotaDeshecho(std::size_t numero) {
  // Best effort: an undo that cannot be noted is done again, harmlessly.
  Agrega(guarda_ / kDiario, "U " + std::to_string(numero) + "\n");
}

bool Intercambio::Recupera(const fs::path& guarda) {
  std::error_code ec;
  if (!fs::exists(guarda / kDiario, ec)) {
    // Confirmed (its journal went first) or never begun: only leftovers.
    fs::remove_all(guarda, ec);
    return true;
  }
  std::ifstream in(guarda / kDiario, std::ios::binary);
  const std::string texto((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  Intercambio cambio(guarda);
  std::set<std::size_t> deshechos;
  for (std::size_t i = 0; i < texto.size();) {
    const std::size_t fin = texto.find('\n', i);
    if (fin == std::string::npos) break;  // cut short: never acted on
    const std::string registro = texto.substr(i, fin - i);
    i = fin + 1;
    if (registro.size() < 3 || registro[1] != ' ') break;
    const std::size_t blanco = registro.find(' ', 2);
    std::size_t numero = 0;
    try {
      numero = std::stoul(registro.substr(2, blanco == std::string::npos ? std::string::npos : blanco - 2));
    } catch (const std::exception&) {
      break;
    }
    if (registro[0] == 'U') {
      deshechos.insert(numero);
      continue;
    }
    Paso paso{registro[0] == 'R' ? Paso::Retirado : registro[0] == 'C' ? Paso::Colocado : Paso::CarpetaCreada, {}, {},
              numero};
    std::size_t k = blanco == std::string::npos ? registro.size() : blanco + 1;
    if (!LeeCampo(registro, k, paso.ruta) || (paso.tipo == Paso::Retirado && !LeeCampo(registro, k, paso.guardado)))
      break;
    cambio.pasos_.push_back(std::move(paso));
  }
  std::erase_if(cambio.pasos_, [&](const Paso& p) { return deshechos.count(p.numero) > 0; });
  return cambio.Deshace();
}

Intercambio::~Intercambio() {
  if (!confirmado_) Deshace();
}

void Intercambio::Mueve(const fs::path& de, const fs::path& a) {
  std::error_code ec;
  fs::rename(de, a, ec);
  if (ec == std::errc::cross_device_link) {
    // Another file system: a copy first, so a failure leaves the source whole.
    fs::copy_file(de, a, fs::copy_options::overwrite_existing);
    fs::remove(de);
    return;
  }
  if (ec) throw fs::filesystem_error("rename", de, a, ec);
}

void Intercambio::Retira(const fs::path& ruta) {
  std::error_code ec;
  const fs::file_status estado = fs::symlink_status(ruta, ec);
  if (fs::is_directory(estado)) {
    throw RuntimeError(75, "Error de acceso a la ruta o el archivo: " + ruta.string() +
                               " es una carpeta y no puede reemplazarse");
  }
  const fs::path guardado = guarda_ / std::to_string(anotados_);
  Anota({Paso::Retirado, ruta, guardado});
  Mueve(ruta, guardado);
}

void Intercambio::Coloca(const fs::path& nuevo, const fs::path& destino) {
  std::error_code ec;
  if (fs::exists(fs::symlink_status(destino, ec))) Retira(destino);
  // The missing folders from the outermost in, so that undoing removes them
  // from the innermost out.
  std::vector<fs::path> faltan;
  for (fs::path carpeta = destino.parent_path(); !carpeta.empty() && !fs::exists(carpeta, ec);
       carpeta = carpeta.parent_path()) {
    faltan.insert(faltan.begin(), carpeta);
    if (carpeta == carpeta.parent_path()) break;
  }
  for (const fs::path& carpeta : faltan) {
    Anota({Paso::CarpetaCreada, carpeta, {}});
    fs::create_directory(carpeta);
  }
  Anota({Paso::Colocado, destino, {}});
  Mueve(nuevo, destino);
}

void Intercambio::Confirma() {
  confirmado_ = true;
  pasos_.clear();
  // The journal first: once it is gone, nothing will be put back.
  std::error_code ec;
  fs::remove(guarda_ / kDiario, ec);
  fs::remove_all(guarda_, ec);
}

bool Intercambio::Deshace() {
  bool completo = true;
  for (auto paso = pasos_.rbegin(); paso != pasos_.rend(); ++paso) {
    std::error_code ec;
    switch (paso->tipo) {
      case Paso::Colocado:
        fs::remove(paso->ruta, ec);
        break;
      case Paso::Retirado:
        fs::rename(paso->guardado, paso->ruta, ec);
        if (ec == std::errc::cross_device_link) {
          ec.clear();
          fs::copy_file(paso->guardado, paso->ruta, fs::copy_options::overwrite_existing, ec);
          if (!ec) fs::remove(paso->guardado, ec);
        }
        break;
      case Paso::CarpetaCreada:
        fs::remove(paso->ruta, ec);
        break;
    }
    // A step noted but never taken, or undone before a kill, has nothing
    // left to undo.
    if (ec == std::errc::no_such_file_or_directory) ec.clear();
    if (ec) {
      completo = false;
    } else {
      AnotaDeshecho(paso->numero);
    }
  }
  pasos_.clear();
  confirmado_ = true;
  if (completo) {
    std::error_code ec;
    fs::remove_all(guarda_, ec);
  }
  return completo;
}

}  // namespace orvo::respaldo
