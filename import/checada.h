// The punch-file readers' shared step: a punch from its raw date and time
// bytes, converted to the stored texts. The punch, the reasons a line fails
// and the line reading itself are Orvo's common ones.
#pragma once

#include <cstdint>
#include <string_view>

#include "common/checada.h"

namespace orvo::importer {

using common::Checada;
using common::ErrorLinea;
using common::Lectura;
using common::LeeEmpleado;
using common::Linea;
using common::Motivo;
using common::TextoError;
using common::TextoMotivo;

// Adds the punch of line `l` from its raw date and time bytes, converted to
// "yyyy mm dd" and "hh:mm:ss" (a text that reads as no date or time is kept as
// it stands); false (and `lectura` holds the error) when a byte is refused.
bool AgregaChecada(Lectura& lectura, const Linea& l, std::int32_t empleado, std::string_view fecha,
                   std::string_view hora);

}  // namespace orvo::importer
