// Every name of a backup set, made and parsed here and nowhere else: the
// stamp that the archives of one set share, the four components (each
// archive's prefix, what it holds, where it restores), the archives' names,
// the pattern that lists the sets, and the staging folders that a backup or a
// restore keeps in the backup folder while it works. The names are those the
// programs have always written, so sets made by older runs still restore and
// their leftovers are still recognised.
//
//   Sello(t)                                          // "030226_090507.ZIP" at 09:05:07 on 3 Feb 2026
//   NombreArchivo(kComponentes[1], "030226_090507.ZIP") // "QR2_030226_090507.ZIP"
//   LeeNombre("qr2_030226_090507.zip")                // an archive of kComponentes[1], stamp "030226_090507.zip"
//   EsArchivoPrincipal("QR1_0302_0905.ZIP")           // false: not a stamp
//   NombreEscenaRespaldo("030226_090507.ZIP")         // "~respaldo_030226_090507"
//   LeeNombre("~restaura_a1B2c3")                     // a restore's staging folder
//   LeeNombre("QR1_030226_090507.ZIP/")               // nullopt: a name never has a folder part
#pragma once

#include <array>
#include <ctime>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "platform/error.h"

namespace orvo::backup {

// The backup folder, where finished sets lie.
inline constexpr std::string_view kCarpetaRespaldo = "C:\\Quiravel\\orvoBackup";

// The product folder, whose top the main archive holds.
inline constexpr std::string_view kCarpetaProducto = "C:\\Quiravel";

// ---- The components of a set

// What an archive takes: a file, or the files directly in a folder that match
// a pattern, given relative to drive C:.
struct Fuente {
  std::string_view ruta;
  std::string_view patron;  // empty: `ruta` is a file
};

// One archive of a set.
struct Componente {
  std::string_view prefijo;      // of the archive's name, before the stamp
  Fuente principal;              // the archive is made only when this holds a file
  std::array<Fuente, 2> extras;  // added when the folder exists, even empty
  std::string_view restauraEn;   // Windows folder the restore puts its files in
  bool conservaCarpetas;         // entries keep their folders (below restauraEn) on extraction
};

// In the order they are made and restored; the first is the main archive,
// the only one a user chooses and the last one a backup publishes.
inline constexpr std::array<Componente, 4> kComponentes{{
    {"QR1_", {"Quiravel", "*"}, {{{"Quiravel\\Res", "*"}, {"Quiravel\\poleosInternet", "*"}}}, "C:", true},
    {"QR2_", {"Quiravel\\Quira", "*.*"}, {}, "C:\\Quiravel\\Quira", false},
    {"FT1_", {"Windows\\ftpcnf.dll", ""}, {}, "C:\\Windows", false},
    {"POL_", {"Quiravel\\Windows_poleos", "*.*"}, {}, "C:\\Quiravel\\Windows_poleos", false},
}};
inline constexpr const Componente& kPrincipal = kComponentes[0];
inline constexpr std::span<const Componente> kCompaneros = std::span(kComponentes).subspan<1>();

// ---- The stamp and the archives' names

// Every stamp is this long: six digits, '_', six digits, ".ZIP".
inline constexpr std::size_t kLargoSello = 17;

// The stamp of a run started at `momento`, on the machine's local clock, the
// hour on the 24-hour clock.
std::string Sello(std::time_t momento);

// Whether `sello` has the stamp's form (digits where digits go; ".ZIP" in any
// letter case).
bool EsSello(std::string_view sello);

// The component's archive of the set stamped `sello`.
std::string NombreArchivo(const Componente& componente, std::string_view sello);

// A main archive's name ("QR1_" and a stamp, letter case ignored, no folder
// part). Only such a name is ever restored.
bool EsArchivoPrincipal(std::string_view nombre);

// What a restore of any other name fails with: 52, naming it.
RuntimeError NombreNoValido(std::string_view nombre);

// What the restore's list of sets shows: the backup folder's files that this
// matches (ignoring letter case), "QR1*".
std::string PatronListado();

// ---- Staging folders in the backup folder, and the names inside them

// A backup run's: named by its stamp without ".ZIP", so that making it
// reserves the stamp.
std::string NombreEscenaRespaldo(std::string_view sello);

// A restore's: the prefix and six letters or digits that mkdtemp(3) puts for
// the X's of this template.
std::string PlantillaEscenaRestauracion();

// A component's own folder inside either staging folder ("QR2"); the restore
// extracts the main archive into kUnidadEnEscena instead, a mirror of drive
// C:.
std::string CarpetaEnEscena(const Componente& componente);
inline constexpr std::string_view kUnidadEnEscena = "C";

// In a restore's staging folder: the swap's journal, and the folder of the
// files it replaced.
inline constexpr std::string_view kDiario = "diario";
inline constexpr std::string_view kAnteriores = "anteriores";

// ---- Parsing

enum class Clase { Archivo, EscenaRespaldo, EscenaRestauracion };

struct Nombre {
  Clase clase;
  const Componente* componente = nullptr;  // an archive's
  std::string sello;                       // an archive's (as it is written) or a backup run's; with ".ZIP"
  bool operator==(const Nombre&) const = default;
};

// What a name in the backup folder is; nullopt for anything else. An
// archive's name is matched ignoring letter case, as the folder's lookups
// are; a staging folder's only as the programs make it.
std::optional<Nombre> LeeNombre(std::string_view nombre);

}  // namespace orvo::backup
