// Strayfix: returns set-aside punches to the queue once their employees are registered.
#include "maintenance/huerfanos.h"
#include "maintenance/programa.h"

int main(int argc, char** argv) {
  using namespace orvo;
  return maintenance::Programa(argc, argv, "Strayfix", 2, [](common::Bases& b, forms::Dialogs& d, forms::Runtime& r) {
    return std::make_unique<maintenance::Huerfanos>(b, d, r);
  });
}
