// The punch-file readers' shared step: a punch from its raw date and time
// bytes, converted to the stored texts.
#pragma once

#include <cstdint>
#include <string_view>

#include "common/checada.h"

namespace orvo::importer {

// Adds the punch of line `l` from its raw date and time bytes, converted to
// "yyyy mm dd" and "hh:mm:ss" (a text that reads as no date or time is kept as
// it stands); false (and `lectura` holds the error) when a byte is refused.
bool AgregaChecada(common::Lectura& lectura, const common::Linea& l, std::int32_t empleado, std::string_view fecha,
                   std::string_view hora);

}  // namespace orvo::importer
