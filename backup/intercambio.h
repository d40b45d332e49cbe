// Swapping new files in for old ones so that a swap either stands whole or is
// undone whole, even when the process dies in the middle of it (killed, power
// lost). The whole plan is written first to a journal in the staging folder;
// every file replaced or taken away is kept aside there until the swap is
// confirmed. Each move is a rename, so at any moment a file is either at its
// old place or at its new one, and the journal together with what lies where
// tells how far the swap went. The next start finishes a confirmed swap or
// undoes an unconfirmed one (Recupera).
//
//   Intercambio cambio(escena);                   // same file system as the targets
//   cambio.Retira(viejo);                         // planned: kept aside
//   cambio.Coloca(nuevo, destino);                // planned: the file at destino kept aside first
//   cambio.Ejecuta();                             // all moved and confirmed, or all put back and throws
//
//   switch (Intercambio::Recupera(escena)) { ... }   // at the next start, before anything else
#pragma once

#include <filesystem>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "backup/nombres_respaldo.h"

namespace orvo::backup {

class Intercambio {
 public:
  // `escena`: the staging folder; the journal "diario" and the folder of
  // the replaced files "anteriores" go in it.
  explicit Intercambio(std::filesystem::path escena);
  Intercambio(const Intercambio&) = delete;
  Intercambio& operator=(const Intercambio&) = delete;

  // Plans moving the file at `ruta` aside. A folder there is refused
  // (orvo::RuntimeError): only files are swapped.
  void Retira(const std::filesystem::path& ruta);

  // Plans moving `nuevo` to `destino`, first moving aside a file already
  // there and making missing folders on the way. A folder at `destino` is
  // refused (orvo::RuntimeError).
  void Coloca(const std::filesystem::path& nuevo, const std::filesystem::path& destino);

  // Writes the journal, carries out the plan and confirms it; the kept files
  // are then deleted. On a failure every move is undone and the error thrown
  // again; when something could not be put back the journal stays, the
  // message says where the kept files are, and the next start tries again.
  void Ejecuta();

  // Whether a failed Ejecuta left files it could not put back.
  bool Pendiente() const { return pendiente_; }

  enum class Recuperado {
    Nada,        // no journal: no swap was begun
    Completado,  // the swap had been confirmed; what was left of it is cleared
    Deshecho,    // the swap had not been confirmed; every file is back as before
  };
  // Finishes or undoes the swap whose journal lies in `escena`. Throws
  // orvo::RuntimeError when files could not be put back (the journal stays).
  static Recuperado Recupera(const std::filesystem::path& escena);

  static std::filesystem::path Diario(const std::filesystem::path& escena) { return escena / kDiario; }
  static std::filesystem::path Guarda(const std::filesystem::path& escena) { return escena / kAnteriores; }

  struct Paso {
    enum Tipo { Retirado, Colocado, CarpetaCreada } tipo;
    std::filesystem::path de;  // Retirado: the target; Colocado: the new file; CarpetaCreada: the folder
    std::filesystem::path a;   // Retirado: where it is kept; Colocado: the target
  };

 private:
  std::filesystem::path escena_;
  std::vector<Paso> pasos_;
  std::set<std::pair<unsigned long, unsigned long>> retirados_;  // device and inode of files planned aside
  std::set<std::string> carpetas_;                               // folders the plan makes
  bool pendiente_ = false;
};

}  // namespace orvo::backup
