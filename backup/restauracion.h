// The restore of one backup set, done so that the current data is never lost
// to a bad set: the set is first extracted into a staging folder, every
// entry checked against its check sum, and its databases checked (the
// engine's integrity check); only then are the files swapped
// in, with every replaced file kept until the swap is complete and put back
// on any failure.
//
// A database that is live keeps its file: its contents are replaced through
// the engine (platform/db/replace_contents.h), inside a write transaction
// taken by TomaBases and committed in the swap, so that a program that has
// it open, even one that has not run a statement yet, reads the restored data
// next, and a row stored from TomaBases on waits and lands after the restore.
// Only a database with no live file at its place arrives as a file.
//
//   Restauracion r("QR1_030226_090507.ZIP");   // a main archive in the backup folder
//   r.Prepara(dialogs, "Snapload");            // throws on a bad set; nothing touched
//   r.TomaBases();                             // writers wait from now on; readers read
//   ... the backup of the current data reads them meanwhile ...
//   r.Coloca();                                // throws when a database is in use, or
//                                              // on failure after putting all back
//
// What ends in place is what the set held: the top of the product folder
// holds exactly the main archive's files there, its subfolders get the
// archive's files (others stay), and the companion archives of the same stamp
// replace their files in their folders. Lock files stay where they are, and
// no write-ahead log or shared-memory file of the old databases is left.
// Hidden files at the top, which no set holds, stay where they are.
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "backup/bloqueo_carpeta.h"
#include "backup/nombres_respaldo.h"
#include "platform/db/replace_contents.h"
#include "platform/forms/dialogs.h"

namespace orvo::backup {

class Restauracion {
 public:
  // `archivoPrincipal`: the main archive's name, without folder. A name that
  // is not a main archive's ("QR1_" and a stamp) is refused at once.
  explicit Restauracion(std::string archivoPrincipal);
  // Removes the staging folder.
  ~Restauracion();
  Restauracion(const Restauracion&) = delete;
  Restauracion& operator=(const Restauracion&) = delete;

  // A protected entry's password is asked through `dialogs`, titled `titulo`.
  void Prepara(forms::Dialogs& dialogs, const std::string& titulo);
  // Takes the write lock of every live database that the set replaces
  // (waiting for another program's writer under the busy timeout). Coloca
  // takes it when it was not taken before.
  void TomaBases();
  void Coloca();

 private:
  struct Extraido {
    std::filesystem::path carpeta;  // staged files
    const Componente* componente;   // of the archive they came from
  };

  void ExtraeYRevisa(forms::Dialogs& dialogs, const std::string& titulo);

  // The Windows path a staged file of `e` goes to.
  static std::string Destino(const Extraido& e, const std::filesystem::path& archivo);

  std::string archivo_;
  std::filesystem::path carpetaRespaldo_;
  std::filesystem::path escena_;
  BloqueoCarpeta bloqueo_;  // of escena_, while this restore lives
  std::vector<Extraido> extraidos_;

  struct Reemplazo {
    std::filesystem::path copia;  // staged
    std::filesystem::path viva;
    std::unique_ptr<db::ContentsReplacement> motor;
  };
  std::vector<Reemplazo> reemplazos_;
  bool basesTomadas_ = false;
};

}  // namespace orvo::backup
