// Varurarodi: brings the main database up to the structure the other programs
// expect and rebuilds the auxiliary database, once per start.
#include "common/programa.h"
#include "schema/regenera.h"

int main(int argc, char** argv) { return orvo::common::Ejecuta(argc, argv, orvo::schema::Varurarodi()); }
