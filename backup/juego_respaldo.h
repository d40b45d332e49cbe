// The backup set: up to four zip archives that share one backup stamp, in the
// backup folder "C:\Quiravel\orvoBackup". Each archive is made in a staging
// folder of the set's own from a staged copy of its sources (every database a
// consistent copy taken while other programs may write it, no companion file
// of a live database), read back entry by entry, and only when every archive
// of the set is good are they all moved into the backup folder. A set that
// fails leaves nothing behind, so the restore never lists a half set; one
// killed part-way leaves no main archive, and the next start clears the rest.
//
//   JuegoRespaldo juego;                         // stamp reserved
//   for (const auto& c : kComponentes) {
//     auto hecho = juego.Haz(c);                 // false .hecho: nothing to archive
//     if (hecho.resultado != 0) show(hecho.mensaje);
//   }
//   juego.Publica();                             // all archives, or throws
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "backup/bloqueo_carpeta.h"
#include "backup/nombres_respaldo.h"

namespace orvo::backup {

class JuegoRespaldo {
 public:
  // Reserves a stamp that no set in the backup folder carries, waiting for the
  // next second when this one is taken (two runs in the same second), and
  // makes the staging folder. The backup folder must exist.
  JuegoRespaldo();
  // Removes the staging folder with whatever was not published.
  ~JuegoRespaldo();
  JuegoRespaldo(const JuegoRespaldo&) = delete;
  JuegoRespaldo& operator=(const JuegoRespaldo&) = delete;

  // "ddmmyy_hhmmss.ZIP"
  const std::string& Sello() const { return sello_; }

  struct Hecho {
    bool hecho = false;     // its condition held and the library was called
    int resultado = 0;      // the zip library's result
    std::string mensaje;    // what it printed
  };

  // Stages the component's sources and writes its archive in the staging
  // folder. When the library reports success the archive is read back and
  // must hold exactly the staged files, intact (otherwise orvo::RuntimeError).
  Hecho Haz(const Componente& componente);

  // Moves every archive made into the backup folder, never over a file of the
  // same name, the main archive last: a run cut short before it has left no
  // set that the restore lists (and its next start removes the companions it
  // did move). On failure the archives already moved are taken back out.
  void Publica();

  // The archives in the backup folder after Publica.
  const std::vector<std::filesystem::path>& Publicados() const { return publicados_; }

 private:
  std::filesystem::path carpetaRespaldo_;
  std::filesystem::path escena_;  // staging folder
  BloqueoCarpeta bloqueo_;        // of escena_, while this run lives
  std::string sello_;
  std::vector<std::filesystem::path> hechos_;
  std::vector<std::filesystem::path> publicados_;
};

}  // namespace orvo::backup
