// A staging folder held by the run that works in it, so that a later start
// can tell a folder left by a run that was cut short (nobody holds it) from
// one that a live run is still filling. The hold is an advisory lock (flock)
// on the folder itself, dropped by the system when the process dies however
// it dies.
//
//   BloqueoCarpeta mio;
//   if (!mio.Toma(escena)) ...            // a cleaner removed it meanwhile: make another
//   BloqueoCarpeta otro;
//   if (otro.Intenta(escena)) fs::remove_all(escena);   // left behind: nobody works in it
#pragma once

#include <filesystem>

namespace orvo::backup {

class BloqueoCarpeta {
 public:
  BloqueoCarpeta() = default;
  ~BloqueoCarpeta();
  BloqueoCarpeta(const BloqueoCarpeta&) = delete;
  BloqueoCarpeta& operator=(const BloqueoCarpeta&) = delete;

  // Waits until the folder is held. False when it is gone by then (a
  // cleaner found it before it was held, and removed it).
  bool Toma(const std::filesystem::path& carpeta);

  // Holds the folder without waiting. False when a live run holds it, or
  // it cannot be opened.
  bool Intenta(const std::filesystem::path& carpeta);

  void Suelta();

 private:
  bool Abre(const std::filesystem::path& carpeta, bool espera);

  int fd_ = -1;
};

}  // namespace orvo::backup
