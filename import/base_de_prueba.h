// Test fixture of the import tests: a private drive C: holding a main database
// made as the administrator program makes it, connected as the importers
// connect, with helpers to register employees and read rows back.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "common/arranque.h"
#include "platform/testsupport/temp_drive.h"

namespace orvo::importer::prueba {

using Fila = std::tuple<std::string, std::int64_t, std::string>;  // Fecha, Empleado, Hora

struct BaseDePrueba {
  BaseDePrueba();

  // A Personal row; a name part given as nullopt is stored as Null.
  void Empleado(std::int64_t id, const std::string& noEmpleado, const std::string& activo,
                std::optional<std::string> nombre = "Nombre", std::optional<std::string> paterno = "Paterno",
                std::optional<std::string> materno = "Materno");

  // Every row of Listado1 or Checadas, in insertion order.
  std::vector<Fila> Filas(const std::string& tabla);

  // From now on each insert into Listado1 or Checadas is logged, so a test
  // can see which table each row reached first.
  void RegistraOrden();
  // The log: "L 125" for an archive row, "C 125" for a queue row.
  std::vector<std::string> Orden();

  // A punch file on drive C:, its full path.
  std::string Archivo(const std::string& nombre, const std::string& bytes);

  orvo::testing::TempDrive c;
  common::Bases bases;
};

}  // namespace orvo::importer::prueba
