// The remote listing as Fetchpurge shows it, and the remote names it accepts.
//
//   PartirListado("a.dat\r\nb.dat\r\n")   // {"a.dat", "b.dat"}
//   PartirListado("\na.dat\nb.dat")       // {"a.dat", "b.dat"}
//   NombreRemotoValido("../x")            // false
//   NombreMostrado("pe\xF1" "a.dat")       // "peña.dat": a server that lists in Windows-1252
//
// A listed name is used unchanged: its bytes go back to the server exactly as
// they came, whatever its code page. It is shown, named in messages, noted in
// the record and given to the download's local copy as NombreMostrado makes
// it. A remote name is checked before it is used in a command or a local
// path: a server is not trusted to send only plain file names.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace orvo::ftp {

// One entry per line, in the server's order. Lines end in CR LF or LF; a last
// line without an end counts; empty lines (a leading one too) give no entry.
std::vector<std::string> PartirListado(std::string_view listado);

// A name that can only mean a file of the remote folder and of the download
// folder: not empty, not "." or "..", no '/' or '\', no control character
// (in the bytes, or in the name as shown).
bool NombreRemotoValido(std::string_view nombre);

// The name as UTF-8: as it is when it is valid UTF-8, else decoded from
// Windows-1252 (a byte the code page leaves undefined shows as U+FFFD).
std::string NombreMostrado(std::string_view nombre);

}  // namespace orvo::ftp
