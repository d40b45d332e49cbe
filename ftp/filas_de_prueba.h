// Test helper of the FTP tests: the punch rows of a table, in insertion
// order, as "Fecha|Empleado|Hora".
#pragma once

#include <string>
#include <vector>

#include "platform/db/connection.h"

namespace orvo::ftp::prueba {

std::vector<std::string> Filas(db::Connection& cn, const std::string& tabla);

}  // namespace orvo::ftp::prueba
