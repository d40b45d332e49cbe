// Fetchpurge: downloads a punch file from the FTP server and loads it.
#include "common/programa.h"
#include "ftp/fetchpurge.h"
#include "ftp/marcador_conexion.h"
#include "platform/drive/drive.h"

int main(int argc, char** argv) {
  using namespace orvo;
  ftp::MarcadorConexion marcador(drive::ProgramFolder());
  return common::Ejecuta(argc, argv,
                         {.nombre = "Fetchpurge",
                          .arranque = common::Arranque{.pruebaArchivo = false, .recordsets = 0},
                          .ventana = [&marcador](common::Entorno& e) {
                            return std::make_unique<ftp::Fetchpurge>(e.bases, e.dialogs, e.runtime, marcador);
                          },
                          // However the program ends, the connection marker goes with it.
                          .fin = [&marcador](int status) {
                            marcador.Borra();
                            forms::Runtime::DefaultEnd(status);
                          }});
}
