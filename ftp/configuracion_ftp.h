// The FTP settings file "C:\Windows\ftpcnf.dll": five lines ended by CR LF in
// Windows-1252 (server, user, password, remote folder, site name), written by
// Linkset and read by Fetchpurge, which uses the first four.
//
//   LecturaConfiguracion l = LeeConfiguracion();
//   if (l.estado == EstadoConfiguracion::Falta) ... "Primero configure el FTP ..."
//   else if (l.estado != EstadoConfiguracion::Leida) ... l.mensaje
//
//   auto bytes = BytesConfiguracion({"ftp.ejemplo.com", "reloj", "clave", "poleos", "Centro"});
//   GuardaConfiguracion(*bytes);     // whole or not at all, mode 0600
//
// The file is read as any outside text: CR LF or LF, UTF-8 when it starts with
// a byte-order mark. Values stand as typed (no quoting), but for the blanks
// around the server, which the reader trims.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace orvo::ftp {

inline constexpr const char* kArchivoConfiguracion = "C:\\Windows\\ftpcnf.dll";

struct ConfiguracionFtp {
  std::string servidor;  // line 1: a host or an address, with or without "ftp://"
  std::string usuario;   // line 2
  std::string password;  // line 3, in clear
  std::string path;      // line 4: the remote folder
  std::string plaza;     // line 5: the site name, which no program reads
  bool operator==(const ConfiguracionFtp&) const = default;
};

enum class EstadoConfiguracion {
  Leida,     // lines 1 to 4 read
  Falta,     // no such file
  Ilegible,  // it cannot be read, has fewer than four lines, or a line holds a character that is not valid
};

struct LecturaConfiguracion {
  EstadoConfiguracion estado = EstadoConfiguracion::Falta;
  ConfiguracionFtp datos;  // lines 1 to 4 when Leida; `plaza` stays empty
  std::string mensaje;     // when Ilegible: what the user is told, naming the file and the line
};

LecturaConfiguracion LeeConfiguracion();

// The five lines as the file holds them; nullopt when a value cannot stand in
// one line of the file (a line end, NUL, Ctrl-Z, or a character Windows-1252 lacks),
// and `campo` (when given) then says which, from 1 to 5.
std::optional<std::string> BytesConfiguracion(const ConfiguracionFtp& c, int* campo = nullptr);

// Writes the file whole (the folder C:\Windows made when missing), readable
// by its owner only, since the password stands in it. Throws
// orvo::RuntimeError naming "C:\Windows\ftpcnf.dll" on failure; the former
// file then stays as it was.
void GuardaConfiguracion(std::string_view bytes);

}  // namespace orvo::ftp
