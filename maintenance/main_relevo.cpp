// Relevo: the printable list of employees whose normal shift no longer exists.
#include "maintenance/relevo.h"
#include "maintenance/programa.h"

int main(int argc, char** argv) {
  using namespace orvo;
  return common::Ejecuta(argc, argv, maintenance::Herramienta("Relevo", 2, [](common::Entorno& e) {
    return std::make_unique<maintenance::Relevo>(e.bases, e.dialogs, e.runtime);
  }));
}
