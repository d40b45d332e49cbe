// diVovavav: re-queues the archived punches of a range of days, for every employee or one.
#include "maintenance/divovavav_adicionales.h"
#include "maintenance/programa.h"

int main(int argc, char** argv) {
  using namespace orvo;
  return maintenance::Programa(argc, argv, "diVovavav", 3, [](common::Bases& b, forms::Dialogs& d, forms::Runtime& r) {
    return std::make_unique<maintenance::diVovavavAdicionales>(b, d, r);
  });
}
