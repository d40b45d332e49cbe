// A punch as the punch-file readers give it, why a line of a punch file could
// not be read, and the reading that every comma-separated punch line shares.
// Readers check a whole file before anything is written, so they give either
// every punch of it or the first line that fails.
//
//   return LeeLineas(contenido, [](Lectura& lectura, const Linea& l) {
//     auto p = LeeLineaPoleo(lectura, l);             // nullopt: lectura.error is set
//     if (!p) return false;
//     auto hora = DecodificaCampo(lectura, l, p->resto);
//     ...
//     return true;                                    // the line's punch is in lectura
//   });
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/texto_externo.h"

namespace orvo::common {

// Date text, employee number, time text: the column order of the archive and
// the queue. Texts are UTF-8.
struct Checada {
  std::size_t linea = 0;  // line of the file, from 1
  std::string Fecha;
  std::int32_t Empleado = 0;
  std::string Hora;
  bool operator==(const Checada&) const = default;
};

enum class Motivo {
  FaltanComas,        // fewer than two commas in a poll-file line
  EmpleadoNoValido,   // the employee number is not a 32-bit whole number
  CampoIncompleto,    // the line ends before a field is whole
  CaracterNoValido,   // a kept field holds a byte that is no character of the file's encoding, or NUL
  HoraMuyLarga,       // the time is longer than the column that stores it
  FinDeArchivo,       // a Ctrl-Z with more of the file after it
};

// The reason as the windows tell it, in Spanish.
std::string_view TextoMotivo(Motivo motivo);

struct ErrorLinea {
  std::size_t linea = 0;  // from 1, counting empty lines
  std::string texto;      // the line as UTF-8, refused bytes shown as U+FFFD, NUL as U+2400, Ctrl-Z as U+241A
  Motivo motivo = Motivo::CampoIncompleto;
  std::string caracter;   // for CaracterNoValido: the character refused ("NUL", "el byte 0x81")
};

// The reason with the refused character, for the message: "la línea contiene
// un carácter no válido (NUL)".
std::string TextoError(const ErrorLinea& error);

// The refused line as a message quotes it: short, even when the chosen file is
// no punch file at all and its first "line" runs for megabytes.
std::string LineaCitada(const ErrorLinea& error);

struct Lectura {
  std::vector<Checada> checadas;    // empty when `error` is set
  std::optional<ErrorLinea> error;  // the first line that could not be read
};

// Reads an employee number as the platform's conversion to a 32-bit whole
// number does for the digits a clock writes: blanks around it, an optional
// sign, decimal digits ("00125" is 125). nullopt for anything else, an empty
// field, or a value outside 32 bits.
std::optional<std::int32_t> LeeEmpleado(std::string_view texto);

// A file's reading stops at its first bad line: the result holds that error only.
Lectura Falla(const Linea& l, Motivo motivo);

// The field's bytes decoded in the line's encoding; nullopt (and `lectura`
// holds the error, naming the refused character) when it holds a byte that
// is no character, or NUL.
std::optional<std::string> DecodificaCampo(Lectura& lectura, const Linea& l, std::string_view bytes);

// A comma-separated punch line cut into its fields: the date in the first 10
// characters, the employee number between the first two commas, and the bytes
// after the second comma, which each format reads its own way.
struct LineaPoleo {
  std::string_view fecha;  // the first 10 characters, as bytes
  std::int32_t empleado = 0;
  std::string_view resto;  // everything after the second comma
};
inline constexpr std::size_t kAnchoFechaPoleo = 10;

// nullopt (and `lectura` holds the error) when the line has fewer than two
// commas, when its first comma comes before the date is whole, or when its
// number is not a 32-bit whole number.
std::optional<LineaPoleo> LeeLineaPoleo(Lectura& lectura, const Linea& l);

// A whole punch file read line by line, blank lines passed over: `paso(lectura,
// l)` adds the punch of line `l` and gives true, or leaves the error in
// `lectura` (as Falla makes it) and gives false, which ends the reading. A
// Ctrl-Z ends the file only at its end (Lineas); one that more lines follow
// refuses the file at its line, as a bad line does, so that no punch after
// it is silently left out.
template <class Paso>
Lectura LeeLineas(std::string_view contenido, Paso&& paso) {
  Lectura lectura;
  const std::vector<Linea> lineas = Lineas(contenido);
  lectura.checadas.reserve(lineas.size());
  for (const Linea& l : lineas) {
    if (TieneFinDeArchivo(l)) return Falla(l, Motivo::FinDeArchivo);
    if (EsLineaVacia(l.bytes)) continue;
    if (!paso(lectura, l)) break;
  }
  return lectura;
}

}  // namespace orvo::common
