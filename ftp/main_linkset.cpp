// Linkset: saves the FTP settings that Fetchpurge reads.
#include "common/programa.h"
#include "ftp/linkset.h"
#include "platform/drive/drive.h"

int main(int argc, char** argv) {
  using namespace orvo;
  return common::Ejecuta(argc, argv, {.nombre = "Linkset", .ventana = [](common::Entorno& e) {
                                        return std::make_unique<ftp::Linkset>(e.dialogs, e.runtime,
                                                                              drive::ProgramFolder());
                                      }});
}
