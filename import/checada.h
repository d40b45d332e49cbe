// A punch as the file readers give it, and why a line of a punch file could
// not be read. Both readers check a whole file before anything is written, so
// they give either every punch of it or the first line that fails.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orvo::importer {

// Date text, employee number, time text: the column order of the archive and
// the queue. Texts are UTF-8.
struct Checada {
  std::size_t linea = 0;  // line of the file, from 1
  std::string Fecha;      // "yyyy mm dd", or the file's text when it reads as no date
  std::int32_t Empleado = 0;
  std::string Hora;       // "hh:mm:ss", or the file's text when it reads as no time
  bool operator==(const Checada&) const = default;
};

enum class Motivo {
  FaltanComas,        // fewer than two commas in a poll-file line
  EmpleadoNoValido,   // the employee number is not a 32-bit whole number
  CampoIncompleto,    // the line ends before a field is whole
  CaracterNoValido,   // a kept field holds a byte that Windows-1252 does not define
};

// The reason as the window tells it, in Spanish.
std::string_view TextoMotivo(Motivo motivo);

struct ErrorLinea {
  std::size_t linea = 0;  // from 1, counting empty lines
  std::string texto;      // the line as UTF-8, undefined bytes shown as U+FFFD
  Motivo motivo = Motivo::CampoIncompleto;
};

struct Lectura {
  std::vector<Checada> checadas;    // empty when `error` is set
  std::optional<ErrorLinea> error;  // the first line that could not be read
};

// Reads an employee number as the platform's conversion to a 32-bit whole
// number does for the digits a clock writes: blanks around it, an optional
// sign, decimal digits ("00125" is 125). nullopt for anything else, an empty
// field, or a value outside 32 bits.
std::optional<std::int32_t> LeeEmpleado(std::string_view texto);

struct Linea;

// A file's reading stops at its first bad line: the result holds that error only.
Lectura Falla(const Linea& l, Motivo motivo);

// Adds the punch of line `l` from its raw date and time bytes, converted to the
// stored texts; false (and `lectura` holds the error) when a byte is undefined.
bool AgregaChecada(Lectura& lectura, const Linea& l, std::int32_t empleado, std::string_view fecha,
                   std::string_view hora);

}  // namespace orvo::importer
