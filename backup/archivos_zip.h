// One archive written or extracted through the wrapper classes CGZipFiles and
// CGUnzipFiles, as the backup and the restore use them, and the test of a
// finished archive entry by entry.
//
//   auto hecho = Comprime("C:\\...\\QR1_030226_090507.ZIP", {"C:\\...\\Quiravel\\*"}, "C:\\...");
//   if (hecho.resultado != 0) dialogs.MsgBox(hecho.mensaje, ...);
//   auto entradas = PruebaZip(ruta);   // every entry read back; throws when damaged
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "platform/forms/dialogs.h"

namespace orvo::backup {

// The zip library's result (0: done) and what it printed.
struct ResultadoZip {
  int resultado = 0;
  std::string mensaje;
};

// Writes `archivo` from `nombres` (paths and patterns, not recursing), storing
// names relative to `raiz`. Every path is a Windows path on drive C:.
ResultadoZip Comprime(std::string_view archivo, const std::vector<std::string>& nombres,
                      std::string_view raiz);

// Extracts the whole of `archivo` into `carpeta`, replacing files of the same
// name; with `conservaCarpetas` false every entry lands directly in `carpeta`.
// A protected entry's password is asked through `dialogs`, titled `titulo`.
ResultadoZip Extrae(std::string_view archivo, std::string_view carpeta, bool conservaCarpetas,
                    forms::Dialogs& dialogs, const std::string& titulo);

// Reads every entry of the archive to its end, so that the archive's own check
// sums are tested, and gives the names of its file entries ('/' separated,
// folder entries left out). Throws orvo::RuntimeError naming the archive and
// what was found when it cannot be read, an entry is damaged, or an entry's
// name would land outside the folder it is extracted into.
std::vector<std::string> PruebaZip(const std::filesystem::path& archivo);

// The Windows spelling ("C:\a\b") of a path under drive C:, for the calls
// above. Throws orvo::RuntimeError when the path lies outside the drive.
std::string RutaWindows(const std::filesystem::path& ruta);

// The Windows path on drive C: of a path relative to the drive's root:
// "Quiravel/Res/foto.jpg" -> "C:\Quiravel\Res\foto.jpg".
std::string EnUnidadC(const std::filesystem::path& relativa);

}  // namespace orvo::backup
