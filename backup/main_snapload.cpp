// Snapload: restores a chosen backup set, after Snapmake has backed up the
// current data. It opens no database connection of its own.
#include "backup/snapload.h"
#include "common/lanzamiento.h"
#include "common/programa.h"
#include "platform/drive/drive.h"

int main(int argc, char** argv) {
  using namespace orvo;
  // Stopped from outside, the program tells its caller, and stops the
  // Snapmake it waits for first.
  common::FallaAnteSenales(drive::ProgramFolder(), common::Resultado::Err);
  return common::Ejecuta(argc, argv, {.nombre = "Snapload", .ventana = [](common::Entorno& e) {
                                        return std::make_unique<backup::Snapload>(
                                            e.dialogs, e.runtime, drive::ProgramFolder(), drive::ExecutableFolder());
                                      }});
}
