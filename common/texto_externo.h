// Text files from outside the system (punch files, the FTP settings file):
// bytes in Windows-1252, or in UTF-8 when the file starts with a byte-order
// mark; one line each, ended by CR LF or LF; a Ctrl-Z after the last line
// ends the text. Readers get UTF-8; the settings file is written back in
// Windows-1252.
//
//   auto bytes = LeeArchivo("/media/usb/poleo.dat");   // nullopt: cannot be read
//   for (const Linea& l : Lineas(*bytes)) {             // l.numero counts from 1
//     std::string_view fecha = CortaCaracteres(l, 0, 10);  // columns count characters
//     std::optional<std::string> texto = Decodifica(l, fecha);
//   }
//   std::optional<std::string> cp = AWindows1252("Peña");   // "Pe\xF1a"
//
// Column positions of the formats count characters of the file, so readers
// cut fields out of the bytes by characters and decode only what they keep.
// The strict decoding refuses what is no character of the file's encoding:
// the five byte values Windows-1252 leaves undefined (0x81, 0x8D, 0x8F, 0x90,
// 0x9D), a sequence that is not valid UTF-8, and NUL, which no text holds.
// The legible decoding always succeeds, for messages that quote a line: each
// refused byte shows as U+FFFD, NUL as U+2400.
#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orvo::common {

// The whole file; nullopt when it cannot be opened or read (missing, a
// folder, no permission) or is a database.
std::optional<std::string> LeeArchivo(const std::filesystem::path& archivo);

enum class Codificacion { Windows1252, Utf8 };

inline constexpr std::string_view kMarcaUtf8 = "\xEF\xBB\xBF";

struct Linea {
  std::size_t numero;      // 1 for the first line of the file
  std::string_view bytes;  // without its CR LF or LF, nor the byte-order mark
  Codificacion codificacion = Codificacion::Windows1252;
};

// Ctrl-Z, with which DOS-era programs ended a text file.
inline constexpr char kFinDeArchivo = '\x1A';

// Every line of the content, the empty ones included, so numbers match what
// an editor shows. A last line without an end counts; the end of the last
// line opens no further line. A UTF-8 byte-order mark at the start is no part
// of the first line and makes every line UTF-8. A Ctrl-Z (0x1A) that only
// Ctrl-Z, blanks and line ends follow is the DOS end of the text: it and what
// follows are no part of any line. A Ctrl-Z with more text after it is not
// that end: it stays in its line, for the reader to refuse (TieneFinDeArchivo).
std::vector<Linea> Lineas(std::string_view contenido);

// Whether the line holds a Ctrl-Z, which Lineas leaves only in a text that
// goes on after it: a file cut and joined, or not the file it should be.
bool TieneFinDeArchivo(const Linea& l);

// A line with nothing but blanks and tabs, which readers skip.
bool EsLineaVacia(std::string_view bytes);

// The text without the blanks and tabs at either end, as the fields of the
// files and the numbers typed into the tables are padded; a CR or LF stays.
std::string_view SinBlancos(std::string_view texto);

// The bytes of characters [desde, desde + ancho) of `bytes`, fewer when it is
// shorter. In Windows-1252 a character is a byte; in UTF-8 a lead byte with
// its continuation bytes (a stray continuation byte counts as one character,
// which the strict decoding then refuses).
std::string_view CortaCaracteres(std::string_view bytes, Codificacion codificacion, std::size_t desde,
                                 std::size_t ancho = std::string_view::npos);
inline std::string_view CortaCaracteres(const Linea& l, std::size_t desde, std::size_t ancho = std::string_view::npos) {
  return CortaCaracteres(l.bytes, l.codificacion, desde, ancho);
}
// How many characters `bytes` holds, counted as CortaCaracteres counts them.
std::size_t CuentaCaracteres(std::string_view bytes, Codificacion codificacion);

// Strict decoding to UTF-8 (with iconv): nullopt on a byte or sequence that
// is no character of the encoding, and on NUL.
std::optional<std::string> Decodifica(std::string_view bytes, Codificacion codificacion);
inline std::optional<std::string> Decodifica(const Linea& l, std::string_view bytes) {
  return Decodifica(bytes, l.codificacion);
}

// The first character that the strict decoding refuses, named for a message:
// "NUL" or "el byte 0x81"; nullopt when there is none.
std::optional<std::string> CaracterRechazado(std::string_view bytes, Codificacion codificacion);

// Always succeeds: refused bytes as U+FFFD, NUL as U+2400.
std::string Legible(std::string_view bytes, Codificacion codificacion);

// Shorthands for the code page of the clocks and the settings file.
inline std::optional<std::string> DesdeWindows1252(std::string_view bytes) {
  return Decodifica(bytes, Codificacion::Windows1252);
}
inline std::string Windows1252Legible(std::string_view bytes) { return Legible(bytes, Codificacion::Windows1252); }

// UTF-8 text as Windows-1252 bytes (with iconv); nullopt when it holds a
// character the code page does not have, or is not valid UTF-8.
std::optional<std::string> AWindows1252(std::string_view utf8);

}  // namespace orvo::common
