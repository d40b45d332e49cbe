// Swapping new files in for old ones so that a swap either stands whole or is
// undone whole, even when the process dies in the middle of it (killed, power
// lost). The whole plan is written first to a journal in the staging folder;
// every file replaced or taken away is kept aside there until the swap is
// confirmed. Each move is a rename, so at any moment a file is either at its
// old place or at its new one, and the journal together with what lies where
// tells how far the swap went. The next start finishes a confirmed swap or
// undoes an unconfirmed one (Recupera).
//
// A database that is live goes in through the engine instead (Base): its
// contents are replaced inside its own write transaction, which commits after
// every file has moved and before the swap is confirmed, and which leaves the
// staging folder's name in the database as its mark. So the mark tells the
// next start which side of the commit a cut fell on: a swap with any of its
// databases marked is finished (the others are replaced then), one with none
// is undone, and the engine has rolled the databases back by itself.
//
//   Intercambio cambio(escena);                   // same file system as the targets
//   cambio.Retira(viejo);                         // planned: kept aside
//   cambio.Coloca(nuevo, destino);                // planned: the file at destino kept aside first
//   cambio.Base(copia, viva);                     // planned: viva gets copia's contents through the engine
//   cambio.Ejecuta(motor);                        // all moved, committed and confirmed, or all put back and throws
//
//   switch (Intercambio::Recupera(escena, motor)) { ... }   // at the next start, before anything else
#pragma once

#include <filesystem>
#include <functional>
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

  // Plans putting the contents of the database `copia` (in the staging
  // folder) into the live database `viva` through the engine.
  void Base(const std::filesystem::path& copia, const std::filesystem::path& viva);

  struct Paso;
  // What the engine does for the Base steps. `aplica` commits the
  // replacement of the step's database with `marca` as its mark; `marcada`
  // tells whether the database holds that mark.
  struct Motor {
    std::function<void(const Paso&, const std::string& marca)> aplica;
    std::function<bool(const Paso&, const std::string& marca)> marcada;
  };

  // Writes the journal, carries out the plan (the moves, then the databases)
  // and confirms it; the kept files are then deleted. On a failure before the
  // first database is committed every move is undone and the error thrown
  // again; when something could not be put back, or a database could not be
  // committed after another was, the journal stays, the message says so, and
  // the next start finishes or undoes it.
  void Ejecuta(const Motor& motor = {});

  // The live databases of the Base steps of the journal in `escena`.
  static std::vector<std::filesystem::path> BasesDelDiario(const std::filesystem::path& escena);

  // Whether a failed Ejecuta left files it could not put back.
  bool Pendiente() const { return pendiente_; }

  enum class Recuperado {
    Nada,        // no journal: no swap was begun
    Completado,  // the swap had been confirmed; what was left of it is cleared
    Deshecho,    // the swap had not been confirmed; every file is back as before
  };
  // Finishes or undoes the swap whose journal lies in `escena`. Throws
  // orvo::RuntimeError when files could not be put back (the journal stays).
  static Recuperado Recupera(const std::filesystem::path& escena, const Motor& motor = {});

  static std::filesystem::path Diario(const std::filesystem::path& escena) { return escena / kDiario; }
  static std::filesystem::path Guarda(const std::filesystem::path& escena) { return escena / kAnteriores; }

  struct Paso {
    enum Tipo { Retirado, Colocado, CarpetaCreada, Base } tipo;
    std::filesystem::path de;  // Retirado: the target; Colocado, Base: the new file; CarpetaCreada: the folder
    std::filesystem::path a;   // Retirado: where it is kept; Colocado: the target; Base: the live database
  };

 private:
  std::filesystem::path escena_;
  std::vector<Paso> pasos_;
  std::set<std::pair<unsigned long, unsigned long>> retirados_;  // device and inode of files planned aside
  std::set<std::string> carpetas_;                               // folders the plan makes
  bool pendiente_ = false;
};

}  // namespace orvo::backup
