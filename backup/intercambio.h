// Swapping new files in for old ones with a way back: every file replaced or
// taken away is kept aside until the whole swap is confirmed, and a swap that
// is not confirmed puts everything back as it was.
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

 private:
  struct Paso {
    enum Tipo { Retirado, Colocado, CarpetaCreada } tipo;
    std::filesystem::path ruta;     // the target
    std::filesystem::path guardado; // Retirado: where the old file is kept
  };

  void Mueve(const std::filesystem::path& de, const std::filesystem::path& a);

  std::filesystem::path guarda_;
  std::vector<Paso> pasos_;
  bool confirmado_ = false;
};

}  // namespace orvo::respaldo
