// Test fixture of the maintenance tests: a private drive C: holding a main
// database made as the administrator program makes it, connected as the
// tools connect, with helpers to fill tables and read them back.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/arranque.h"
#include "platform/db/value.h"
#include "platform/forms/runtime.h"
#include "platform/forms/scripted_dialogs.h"
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

// One program under test: its database, filled by `datos` before the window
// is made, its scripted boxes, its recorded ends and its window, opened.
//
//   ProgramaDePrueba<Huerfanos> p("Strayfix", 2, [](BaseDePrueba& b) { b.Empleado(...); });
//   QTest::mouseClick(p.w.Find("Command5"), Qt::LeftButton);
template <class Ventana>
struct ProgramaDePrueba {
  using Datos = std::function<void(BaseDePrueba&)>;
  // Makes the window, when it needs more than the program's parts.
  using Hace = std::function<std::unique_ptr<Ventana>(BaseDePrueba&, forms::Dialogs&, forms::Runtime&)>;

  ProgramaDePrueba(const char* nombre, int recordsets, const Datos& datos, const Hace& hace = {})
      : b(recordsets),
        runtime(boxes, nombre, [this](int s) { ends.push_back(s); }),
        ventana((datos(b), hace ? hace(b, boxes, runtime) : std::make_unique<Ventana>(b.bases, boxes, runtime))),
        w(*ventana) {
    abierta = w.Open();
  }

  BaseDePrueba b;
  forms::ScriptedDialogs boxes;
  std::vector<int> ends;
  forms::Runtime runtime;
  std::unique_ptr<Ventana> ventana;
  Ventana& w;
  bool abierta = false;
};

}  // namespace orvo::maintenance::prueba
