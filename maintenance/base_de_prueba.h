// Test fixture of the maintenance tests: a private drive C: holding a main
// database made as the administrator program makes it, connected as the
// tools connect, with helpers to fill tables and read them back.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "common/arranque.h"
#include "platform/db/value.h"
#include "platform/testsupport/temp_drive.h"

namespace orvo::maintenance::prueba {

struct BaseDePrueba {
  explicit BaseDePrueba(int recordsets = 3);

  // A Personal row; a name part given as nullopt is stored as Null.
  void Empleado(db::Value id, const std::string& noEmpleado, db::Value tNormal = std::int64_t{0},
                std::optional<std::string> nombre = "Nombre", std::optional<std::string> paterno = "Paterno",
                std::optional<std::string> materno = "Materno", const std::string& activo = "S");

  // A row of three columns (date, key, time or first check) into `tabla`.
  void Fila(const std::string& tabla, const std::string& fecha, db::Value clave, const std::string& tercera);

  // Every row of `tabla` in stored order, its first three columns joined by
  // commas ("2015 01 02,125,08:00:00"); Null reads as "<null>".
  std::vector<std::string> Filas(const std::string& tabla);

  // The rows of every table a re-queue may touch, to see that nothing changed.
  std::map<std::string, std::vector<std::string>> Estado();

  orvo::testing::TempDrive c;
  common::Bases bases;
};

}  // namespace orvo::maintenance::prueba
