#include "backup/intercambio.h"

#include <cstdio>
#include <string>
#include <system_error>

#include "platform/error.h"

namespace orvo::respaldo {

namespace fs = std::filesystem;

Intercambio::Intercambio(fs::path guarda) : guarda_(std::move(guarda)) {}

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
  fs::create_directories(guarda_);
  const fs::path guardado = guarda_ / std::to_string(pasos_.size());
  Mueve(ruta, guardado);
  pasos_.push_back({Paso::Retirado, ruta, guardado});
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
    fs::create_directory(carpeta);
    pasos_.push_back({Paso::CarpetaCreada, carpeta, {}});
  }
  Mueve(nuevo, destino);
  pasos_.push_back({Paso::Colocado, destino, {}});
}

void Intercambio::Confirma() {
  confirmado_ = true;
  pasos_.clear();
  std::error_code ec;
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
    if (ec) completo = false;
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
