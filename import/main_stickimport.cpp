// stickimport: loads a punch file from a removable drive into the main database.
#include "import/programa.h"

int main(int argc, char** argv) {
  return orvo::common::Ejecuta(argc, argv, orvo::importer::Importador(orvo::importer::Variante::Usb));
}
