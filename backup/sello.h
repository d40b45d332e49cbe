// The backup stamp that every archive of one backup set carries,
// "ddmmyy_hhmmss.ZIP", and the names of a set's archives.
//
//   Sello(t)                                  // "030226_090507.ZIP" at 09:05:07 on 3 Feb 2026
//   NombreArchivo("QR1_", "030226_090507.ZIP") // "QR1_030226_090507.ZIP"
//   EsArchivoPrincipal("qr1_030226_090507.zip") // true: the letter case is not looked at
//   EsArchivoPrincipal("QR1_0302_0905.ZIP")     // false
#pragma once

#include <ctime>
#include <string>
#include <string_view>

namespace orvo::respaldo {

// The backup folder, where finished sets lie.
inline constexpr std::string_view kCarpetaRespaldo = "C:\\Quiravel\\orvoBackup";

// Every stamp is this long: six digits, '_', six digits, ".ZIP".
inline constexpr std::size_t kLargoSello = 17;

// The stamp of a run started at `momento`, on the machine's local clock, the
// hour on the 24-hour clock.
std::string Sello(std::time_t momento);

// Whether `sello` has the stamp's form (digits where digits go; ".ZIP" in any
// letter case).
bool EsSello(std::string_view sello);

// prefijo & sello.
std::string NombreArchivo(std::string_view prefijo, std::string_view sello);

// A main archive's name: "QR1_" and a stamp, ignoring letter case, with no
// folder part. Only such a name is ever restored.
bool EsArchivoPrincipal(std::string_view nombre);

// The stamp of an archive's name: its last 17 characters.
std::string_view SelloDe(std::string_view nombre);

}  // namespace orvo::respaldo
