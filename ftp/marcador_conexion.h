// The connection marker "cnctd": an empty file in Fetchpurge's program folder
// that stands while Fetchpurge runs connected, for whatever watches it
// outside the programs. It is created and deleted in the same folder, and
// deleted on every way out: the exit button, an ending message, an untrapped
// error, the window closed, the object's end, and the signals that end a
// program (SIGTERM, SIGINT, SIGHUP), which take the partial file of a
// download under way with it.
//
//   MarcadorConexion marcador(drive::ProgramFolder());
//   marcador.Crea();    // at each load
//   ...
//   marcador.Borra();   // at exit; the destructor does it too
#pragma once

#include <filesystem>
#include <string_view>

namespace orvo::ftp {

inline constexpr std::string_view kMarcadorConexion = "cnctd";

class MarcadorConexion {
 public:
  explicit MarcadorConexion(std::filesystem::path carpeta);
  ~MarcadorConexion();
  MarcadorConexion(const MarcadorConexion&) = delete;
  MarcadorConexion& operator=(const MarcadorConexion&) = delete;

  // Creates the empty marker, replacing one left by an earlier run. Throws
  // orvo::RuntimeError on failure.
  void Crea();

  // Deletes the marker when it is there, read-only or not; never throws.
  void Borra();

  std::filesystem::path Ruta() const;

 private:
  std::filesystem::path carpeta_;
};

}  // namespace orvo::ftp
