// Staging folders in the backup folder, one per running backup or restore:
// the run holds a lock on its folder while it goes on, so a later run can
// tell the folder of a run that was killed (its lock went with it) from one
// still in use.
//
//   fs::create_directory(escena);
//   CerrojoDeEscena cerrojo(escena);                // held until the run ends
//   for (const auto& f : EscenasAbandonadas(carpetaRespaldo, "~respaldo_")) ...
#pragma once

#include <filesystem>
#include <string_view>
#include <vector>

namespace orvo::respaldo {

// Takes the lock of an existing staging folder for the life of the object.
class CerrojoDeEscena {
 public:
  CerrojoDeEscena() = default;
  explicit CerrojoDeEscena(const std::filesystem::path& escena);
  ~CerrojoDeEscena();
  CerrojoDeEscena(const CerrojoDeEscena&) = delete;
  CerrojoDeEscena& operator=(const CerrojoDeEscena&) = delete;
  CerrojoDeEscena& operator=(CerrojoDeEscena&& otro) noexcept;

 private:
  int fd_ = -1;
};

// The folders in `carpeta` whose names start with `prefijo` and whose run
// ended without removing them. A folder without its lock file (a run between
// making its folder and its lock) is never counted.
std::vector<std::filesystem::path> EscenasAbandonadas(const std::filesystem::path& carpeta,
                                                      std::string_view prefijo);

}  // namespace orvo::respaldo
