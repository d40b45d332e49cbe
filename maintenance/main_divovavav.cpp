// diVovavav: re-queues the archived punches of a range of days, for every employee or one.
#include "maintenance/divovavav_adicionales.h"
#include "maintenance/programa.h"

int main(int argc, char** argv) {
  using namespace orvo;
  return common::Ejecuta(argc, argv, maintenance::Herramienta("diVovavav", 3, [](common::Entorno& e) {
    return std::make_unique<maintenance::diVovavavAdicionales>(e.bases, e.dialogs, e.runtime);
  }));
}
