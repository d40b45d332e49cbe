// Text files from outside the system (the clock terminals' punch files): bytes
// in Windows-1252, one line each, ended by CR LF or LF, turned into UTF-8.
//
//   auto bytes = LeeArchivo("/media/usb/poleo.dat");   // nullopt: cannot be read
//   for (const Linea& l : Lineas(*bytes)) {             // l.numero counts from 1
//     std::optional<std::string> texto = DesdeWindows1252(l.bytes);
//   }
//
// Column positions of the formats count characters of the file, and the code
// page has one byte per character, so readers cut fields out of the bytes and
// decode only what they keep. Five byte values have no character in the code
// page (0x81, 0x8D, 0x8F, 0x90, 0x9D): the strict decoding refuses them, the
// legible one shows each as U+FFFD, for messages that quote a line.
#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orvo::importer {

// The whole file; nullopt when it cannot be opened or read (missing, a
// folder, no permission).
std::optional<std::string> LeeArchivo(const std::filesystem::path& archivo);

struct Linea {
  std::size_t numero;      // 1 for the first line of the file
  std::string_view bytes;  // without its CR LF or LF
};

// Every line of the content, the empty ones included, so numbers match what
// an editor shows. A last line without an end counts; the end of the last
// line opens no further line.
std::vector<Linea> Lineas(std::string_view contenido);

// A line with nothing but blanks and tabs, which readers skip.
bool EsLineaVacia(std::string_view bytes);

// Windows-1252 bytes as UTF-8 (with iconv); nullopt on a byte the code page
// does not define.
std::optional<std::string> DesdeWindows1252(std::string_view bytes);

// The same, with U+FFFD for each undefined byte: always succeeds.
std::string Windows1252Legible(std::string_view bytes);

}  // namespace orvo::importer
