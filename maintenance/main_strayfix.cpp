// Strayfix: returns set-aside punches to the queue once their employees are registered.
#include "maintenance/huerfanos.h"
#include "maintenance/programa.h"

int main(int argc, char** argv) {
  using namespace orvo;
  return common::Ejecuta(argc, argv, maintenance::Herramienta("Strayfix", 2, [](common::Entorno& e) {
    return std::make_unique<maintenance::Huerfanos>(e.bases, e.dialogs, e.runtime);
  }));
}
