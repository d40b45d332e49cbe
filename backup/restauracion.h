// The restore of one backup set, done so that the current data is never lost
// to a bad set: the set is first extracted into a staging folder, every
// entry checked against its check sum, and its databases checked (the
// engine's quick integrity check); only then are the files swapped
// in, with every replaced file kept until the swap is complete and put back
// on any failure.
//
//   Restauracion r("QR1_030226_090507.ZIP");   // a main archive in the backup folder
//   r.Prepara(dialogs, "Snapload");            // throws on a bad set; nothing touched
//   r.Coloca();                                // throws when a database is in use, or
//                                              // on failure after putting all back
//
// What ends in place is what the set held: the top of the product folder
// holds exactly the main archive's files there, its subfolders get the
// archive's files (others stay), and the companion archives of the same stamp
// replace their files in their folders. Lock files stay where they are, and
// no write-ahead log or shared-memory file of the old databases is left.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "backup/escena.h"
#include "platform/forms/dialogs.h"

namespace orvo::respaldo {

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
  // A restore that a killed program left half done is put back first.
  void Prepara(forms::Dialogs& dialogs, const std::string& titulo);
  void Coloca();

  // Puts back the swap of every restore whose program ended in its middle
  // (killed, or the machine stopped) and removes what such restores left in
  // the backup folder; a restore still running is left alone. Throws when
  // files could not be put back, naming where they are kept.
  static void RecuperaInterrumpidas();

 private:
  struct Extraido {
    std::filesystem::path carpeta;    // staged files
    std::string destino;              // Windows path they go to; empty: by their own path
  };

  std::string archivo_;
  std::filesystem::path carpetaRespaldo_;
  std::filesystem::path escena_;
  std::vector<Extraido> extraidos_;
  CerrojoDeEscena cerrojo_;
};

}  // namespace orvo::respaldo
