// The launch handshake: the start marker a caller leaves in a tool's program
// folder (one marker allows one run), and the result file "crtd" by which the
// backup and restore programs report how they ended.
//
//   // First thing in a tool's window load:
//   if (!PruebaMarcador(drive::ProgramFolder(), kMarcadorSnapload, dialogs)) {
//     EscribeResultado(drive::ProgramFolder(), Resultado::Salir);
//     return;  // the program ends
//   }
//
//   // The caller's side, before it starts the tool:
//   CreaMarcador(carpeta, kMarcadorSnapmake);
//
// A marker is found under its exact name or, as a Windows caller may have
// spelt it, under a name that differs only in letter case.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <string_view>

#include "platform/forms/dialogs.h"

namespace orvo::common {

// Start markers, one per tool that refuses to run without one.
inline constexpr std::string_view kMarcadorLinkset = "RevFTP";
inline constexpr std::string_view kMarcadorRelevo = "RevTI";
inline constexpr std::string_view kMarcadorSnapmake = "RevSnapmake";
inline constexpr std::string_view kMarcadorSnapload = "RevSnapload";

// The result file, in the program folder of Snapmake and Snapload.
inline constexpr std::string_view kArchivoResultado = "crtd";

// The result file of a Snapmake that Snapload started for its backup of the
// current data, beside "crtd". Only that Snapload reads it: while Snapload
// runs, "crtd" is its own alone, since its caller reads it, and a Snapmake
// that finishes after Snapload was killed must not tell that caller "ok".
inline constexpr std::string_view kArchivoResultadoHijo = "crtd.snapmake";

// How Snapload tells the Snapmake it starts that it waits for it: the
// variable holds Snapload's process id.
inline constexpr std::string_view kVariableEspera = "ORVO_SNAPLOAD_ESPERA";

// The refusal shown when a tool is started without its marker.
inline constexpr std::string_view kMensajeSinMarcador =
    "Este Modulo solo se ejecuta desde Orvo Rivuvurazozer";
inline constexpr std::string_view kTituloSinMarcador = "Orvo";

// Marker present (a file, not a folder): deletes it, even when it is
// read-only, and returns true. Missing: shows the refusal (exclamation icon,
// OK button, title "Orvo") and returns false; the caller then ends. A marker
// that cannot be deleted throws orvo::RuntimeError naming its path, since it
// would let the next start through.
bool PruebaMarcador(const std::filesystem::path& carpetaPrograma, std::string_view marcador,
                    forms::Dialogs& dialogs);

// Creates `marcador` in `carpeta` as an empty file. Any existing file of that
// name, in any letter case and read-only or not, is replaced, so exactly one
// marker of the exact name remains. Throws orvo::RuntimeError on failure.
void CreaMarcador(const std::filesystem::path& carpeta, std::string_view marcador);

// Removes a result file left by an earlier run from `carpeta`, in any letter
// case and read-only or not, so that a wait for this run's cannot end on it.
// Throws orvo::RuntimeError naming the path on failure.
void BorraResultado(const std::filesystem::path& carpeta, std::string_view nombre = kArchivoResultado);

// For Snapmake at its start, before FallaAnteSenales: when the Snapload that
// started it waits for it (kVariableEspera), its result file is
// kArchivoResultadoHijo from now on, and the system ends it (SIGTERM, so
// that FallaAnteSenales answers) when that Snapload ends however it ends.
// False when that Snapload has already ended: nobody waits for a backup.
bool AtiendeAQuienEspera();

// The name of this run's result file: "crtd", or kArchivoResultadoHijo.
std::string_view ArchivoResultado();

// What "crtd" holds: "ok", "err" or "salir" followed by CR LF, or zero bytes.
enum class Resultado { Ok, Err, Salir, Vacio };

// Writes carpetaPrograma/"crtd" (ArchivoResultado) afresh with the result's bytes. The file is
// written under a temporary name in the same folder and renamed over "crtd",
// so a reader that polls for it never finds a half-written one, and no
// temporary file is left behind, not even on failure. Throws
// orvo::RuntimeError (number and a description naming the path) on failure.
// The signals of FallaAnteSenales wait until the file is in place.
void EscribeResultado(const std::filesystem::path& carpetaPrograma, Resultado resultado);

// Whether this process has written a result file (EscribeResultado succeeded
// once). Once it has, a caller may have read it and written its own since, so
// a way out that fails must leave the file alone.
bool ResultadoEscrito();

// For Snapmake and Snapload, at their start: from now on SIGTERM, SIGINT and
// SIGHUP write `fallo` into carpetaPrograma/"crtd" unless ResultadoEscrito(),
// and then end the program as the signal does (a caller sees 128 + signal).
// The handler makes only calls that are safe in it, on paths made now.
//
//   common::FallaAnteSenales(carpeta, common::Resultado::Vacio);
void FallaAnteSenales(const std::filesystem::path& carpetaPrograma, Resultado fallo);

// The started program whose result this one waits for (Snapload's Snapmake),
// or 0 once it has ended. A signal of FallaAnteSenales ends it first, with
// SIGTERM and after five seconds SIGKILL, and waits for its end, so that its
// result cannot land over ours.
void EsperaAlHijo(pid_t hijo);

}  // namespace orvo::common
