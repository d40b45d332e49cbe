// Swapping new files in for old ones with a way back: every file replaced or
// taken away is kept aside until the whole swap is confirmed, and a swap that
// is not confirmed puts everything back as it was.
//
// Each step is written to a journal in `guarda` before it is taken, and each
// undone step after it is undone, so a swap whose process was killed is put
// back by the next one that looks (Recupera); a confirmed swap deletes its
// journal before anything else.
//
//   Intercambio cambio(escena / "anteriores");    // same file system as the targets
//   cambio.Retira(viejo);                         // kept aside
//   cambio.Coloca(nuevo, destino);                // the file at destino kept aside first
//   cambio.Confirma();                            // or, on any error, the destructor undoes all
#pragma once

#include <filesystem>
#include <vector>

namespace orvo::respaldo {

class Intercambio {
 public:
  // `guarda`: a folder for the replaced files, made when first needed.
  explicit Intercambio(std::filesystem::path guarda);
  // Undoes an unconfirmed swap.
  ~Intercambio();
  Intercambio(const Intercambio&) = delete;
  Intercambio& operator=(const Intercambio&) = delete;

  // Moves the file at `ruta` aside. A folder there is refused (orvo::RuntimeError):
  // only files are swapped.
  void Retira(const std::filesystem::path& ruta);

  // Moves `nuevo` to `destino`, first moving aside a file already there and
  // making missing folders on the way.
  void Coloca(const std::filesystem::path& nuevo, const std::filesystem::path& destino);

  // The swap stands: the kept files are deleted.
  void Confirma();

  // Puts back every file as it was before the swap, in reverse order. Gives
  // false when something could not be put back (it then stays in `guarda`).
  bool Deshace();

  const std::filesystem::path& Guarda() const { return guarda_; }

  // Puts back a swap left unconfirmed in `guarda` by a process that ended
  // before confirming or undoing it, and removes `guarda`. True when there was
  // nothing to put back or all of it went back; false leaves `guarda` with
  // what could not.
  static bool Recupera(const std::filesystem::path& guarda);

 private:
  struct Paso {
    enum Tipo { Retirado, Colocado, CarpetaCreada } tipo;
    std::filesystem::path ruta;     // the target
    std::filesystem::path guardado; // Retirado: where the old file is kept
    std::size_t numero = 0;         // its place in the journal
  };

  void Mueve(const std::filesystem::path& de, const std::filesystem::path& a);
  // Writes the step to the journal (made with `guarda`) and keeps it.
  void Anota(Paso paso);
  void AnotaDeshecho(std::size_t numero);

  std::filesystem::path guarda_;
  std::vector<Paso> pasos_;
  std::size_t anotados_ = 0;
  bool confirmado_ = false;
};

}  // namespace orvo::respaldo
