// Sample data for the screenshots: a private drive C: in a temporary folder,
// its main database made as `orvo-admin newdb` makes it, with a few employees,
// a shift, archived punches, set-aside punches and a punch file to import.
#pragma once

#include <filesystem>

namespace orvo::screenshots {

class Muestra {
 public:
  // Sets $ORVO_DRIVE_C to a fresh temporary folder and fills it.
  Muestra();
  ~Muestra();
  Muestra(const Muestra&) = delete;
  Muestra& operator=(const Muestra&) = delete;

  const std::filesystem::path& Raiz() const { return raiz_; }
  // A poll file and a removable-drive file of the same punches.
  std::filesystem::path ArchivoPoleo() const { return raiz_ / "Poleos" / "reloj01.txt"; }
  std::filesystem::path ArchivoUsb() const { return raiz_ / "USB" / "reloj01.dat"; }
  // A program folder holding every start marker, as the administrator leaves them.
  std::filesystem::path CarpetaPrograma() const { return raiz_ / "Programa"; }

 private:
  std::filesystem::path raiz_;
};

}  // namespace orvo::screenshots
