// The record of the punch files Fetchpurge has loaded, kept beside their
// downloaded copies: "C:\Quiravel\poleosInternet\cargados.txt", one line per
// file loaded, its name, size in bytes and SHA-256 digest, separated by tabs.
// A file whose deletion on the server was refused stays listed there; when it
// is downloaded again, the record tells that its punches are already in.
//
//   const HuellaArchivo huella = Huella("poleo.dat", bytes);
//   if (!YaCargado(huella)) { ... load ...; AnotaCargado(huella); }
//
// The same name with the same size and digest is the same file; a file of the
// same name with other bytes (a clock that wrote more punches into it) is a
// new one. The record is appended to, line by line, and only after the load
// is committed.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace orvo::ftp {

inline constexpr const char* kRegistroCargados = "C:\\Quiravel\\poleosInternet\\cargados.txt";

struct HuellaArchivo {
  std::string nombre;  // the remote name, as listed
  std::uint64_t tamano = 0;
  std::string sha256;  // in lower-case hexadecimal
};

HuellaArchivo Huella(std::string_view nombre, std::string_view bytes);

// Whether the record holds the file. Throws orvo::RuntimeError naming the
// record when it exists but cannot be read.
bool YaCargado(const HuellaArchivo& huella);

// Adds the file to the record (made when missing), on disk when it returns.
// Throws orvo::RuntimeError naming the record on failure.
void AnotaCargado(const HuellaArchivo& huella);

// A download of this name would land on the record itself (the drive's names
// match ignoring case).
bool EsNombreDelRegistro(std::string_view nombre);

}  // namespace orvo::ftp
