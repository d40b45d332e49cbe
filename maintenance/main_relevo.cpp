// Relevo: the printable list of employees whose normal shift no longer exists.
#include "maintenance/relevo.h"
#include "maintenance/programa.h"

int main(int argc, char** argv) {
  using namespace orvo;
  return maintenance::Programa(argc, argv, "Relevo", 2, [](common::Bases& b, forms::Dialogs& d, forms::Runtime& r) {
    return std::make_unique<maintenance::Relevo>(b, d, r);
  });
}
