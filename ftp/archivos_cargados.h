// The record of the punch files Fetchpurge has loaded: the table
// ArchivosCargados of the main database, one row per file (its name, size in
// bytes, SHA-256 digest and when it was loaded), written in the transaction
// that writes the file's punches. A file whose deletion on the server was
// refused stays on the server; when it is downloaded again, the record tells
// that its punches are already in, and a restore, a kill or a second window
// can never tell otherwise than the punches themselves.
//
//   const HuellaArchivo huella = Huella("poleo.dat", bytes);
//   switch (CargaUnaVez(cn, huella, [&] { CargaChecadas(cn, checadas); return true; })) {
//     case ResultadoCarga::Cargado: ...      // punches and record committed together
//     case ResultadoCarga::YaCargado: ...    // nothing written: only the deletion is left
//     case ResultadoCarga::Rechazado: ...    // `carga` gave false: nothing written
//   }
//
// The same name (exactly, letter case included) with the same size and digest
// is the same file; a file of the same name with other bytes (a clock that
// wrote more punches into it) is a new one. The table is made at the first
// need; a record "C:\Quiravel\poleosInternet\cargados.txt" left by an earlier
// version (name, size, digest, tab-separated) is read into it then, in the
// same transaction, and removed once that is committed. Regeneration, its
// upgrade passes and the backup's wipe know only their own tables, so they
// leave this one alone; the backup takes it with the rest of the database.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "platform/db/connection.h"

namespace orvo::ftp {

inline constexpr const char* kTablaCargados = "ArchivosCargados";
inline constexpr const char* kRegistroAnterior = "C:\\Quiravel\\poleosInternet\\cargados.txt";

struct HuellaArchivo {
  std::string nombre;  // the remote name as the window shows it (UTF-8)
  std::uint64_t tamano = 0;
  std::string sha256;  // in lower-case hexadecimal
};

HuellaArchivo Huella(std::string_view nombre, std::string_view bytes);

// At the program's start: makes the table when the database lacks it, with
// what an earlier version's text record held, in a transaction of its own.
// Throws orvo::RuntimeError naming that record when it exists but cannot be
// read; the engine's errors go up as they are.
void PreparaRegistro(db::Connection& cn);

enum class ResultadoCarga { Cargado, YaCargado, Rechazado };

// In one writing transaction, so that the write lock orders two programs
// loading the same file and the second finds the first's row: the record is
// asked about the file; when it is not there, `carga` writes the punches on
// `cn` and gives true, and the file's row goes in after them. Any error rolls
// everything back and goes up to the caller. A table that went missing since
// the start (a set restored from before it existed) is made again, empty:
// the punches it would describe went with it.
ResultadoCarga CargaUnaVez(db::Connection& cn, const HuellaArchivo& huella, const std::function<bool()>& carga);

}  // namespace orvo::ftp
