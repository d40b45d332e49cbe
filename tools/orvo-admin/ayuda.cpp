#include "tools/orvo-admin/ayuda.h"

#include <ostream>

namespace orvo::admin {
namespace {

struct Verbo {
  std::string_view nombre;
  std::string_view uso;
  std::string_view resumen;  // a line or two, for the list of every verb
  std::string_view ayuda;    // all of it, for ORDEN --help
};

constexpr Verbo kVerbos[] = {
    {"newdb", "orvo-admin newdb [--if-missing] [--empresa NOMBRE]",
     "Crea las bases de datos principal y auxiliar en C:\\Quiravel (con --if-missing, solo si faltan).\n",
     "Crea la base de datos principal C:\\Quiravel\\Quiravel.mdb, con su contraseña, la fila de la\n"
     "empresa NOMBRE (por omisión \"Mi Empresa\") y todas las tablas, y la base auxiliar\n"
     "C:\\Quiravel\\Auxiliar.mdb. Si falla no deja nada a medias. Si la base ya existe no la\n"
     "toca: termina con error, o sin él con --if-missing.\n"},
    {"launch", "orvo-admin launch PROGRAMA [ARGUMENTOS...]",
     "Deja el marcador de inicio del programa (Linkset, Relevo, Snapmake, Snapload) y lo inicia.\n",
     "Deja en la carpeta del programa el marcador de inicio que Linkset, Relevo, Snapmake y\n"
     "Snapload esperan, y lo inicia con los ARGUMENTOS; termina con el estado del programa.\n"
     "Para Snapmake y Snapload borra antes el archivo de resultado crtd de una vez anterior.\n"
     "Un marcador que el programa no tomó se quita cuando termina. SIGTERM, SIGINT y SIGHUP\n"
     "se pasan al programa.\n"
     "PROGRAMA es un nombre (se busca junto a orvo-admin) o una ruta. La carpeta del programa\n"
     "es $ORVO_PROGRAM_FOLDER si está definida; si no, la del programa si se puede escribir\n"
     "en ella, y si no, ${XDG_STATE_HOME:-$HOME/.local/state}/orvo.\n"},
    {"classify", "orvo-admin classify [ARCHIVO]",
     "Clasifica checadas \"Id,Fecha,Hora\", una por línea, de ARCHIVO o de la entrada estándar, y\n"
     "escribe por cada una lo que el motor dejó en la base de datos.\n",
     "Pasa checadas por el motor de clasificación de turnos, que escribe el resultado en la\n"
     "base de datos principal (Chequeo, ChequeoExtra o ChequeoF). Lee ARCHIVO, o la entrada\n"
     "estándar si no se da o es \"-\": una checada por línea, \"Id,Fecha,Hora\", con el Id de\n"
     "Personal, la fecha \"aaaa mm dd\" y la hora \"hh:mm:ss\" (fin de línea LF o CR LF; las\n"
     "líneas vacías se saltan). Escribe en la salida estándar, por cada checada, la línea,\n"
     "\" -> \" y lo que hizo:\n"
     "  17,2024 03 04,08:31:00 -> C1: ENTRADA 1 TARDE, retardo 00:31\n"
     "  99,2024 03 04,08:00:00 -> nada escrito: no existe el empleado 99\n"
     "  x,2024 03 04,08:00:00 -> ERROR 13: No coinciden los tipos ('x')\n"
     "Una línea que falla no deja nada escrito y la siguiente sigue. Termina con 0 si todas\n"
     "se clasificaron, con 1 si alguna falló.\n"},
    {"where", "orvo-admin where",
     "Escribe la carpeta que hace de unidad C:.\n",
     "Escribe la carpeta que hace de unidad C: ($ORVO_DRIVE_C, o si no está definida\n"
     "${XDG_DATA_HOME:-$HOME/.local/share}/orvo/c). No necesita pantalla.\n"},
    {"help", "orvo-admin help [ORDEN]",
     "Esta ayuda, o la de una orden.\n",
     "Esta ayuda, o la de una orden (también \"orvo-admin ORDEN --help\").\n"},
};

const Verbo* Busca(std::string_view nombre) {
  for (const Verbo& v : kVerbos) {
    if (v.nombre == nombre) return &v;
  }
  return nullptr;
}

}  // namespace

bool PideAyuda(std::string_view arg) { return arg == "--help" || arg == "-h"; }

bool EsVerbo(std::string_view verbo) { return Busca(verbo) != nullptr; }

int Ayuda(std::ostream& out, std::string_view verbo) {
  if (const Verbo* v = Busca(verbo)) {
    out << "Uso: " << v->uso << "\n\n" << v->ayuda;
    return 0;
  }
  int estado = 0;
  if (!verbo.empty()) {
    out << "orvo-admin: no existe la orden \"" << verbo << "\".\n\n";
    estado = kEstadoUso;
  }
  out << "orvo-admin hace por los programas de Orvo lo que hace el programa de administración:\n"
         "definir la base de datos, iniciar las herramientas y llamar al motor de clasificación.\n\n";
  for (const Verbo& v : kVerbos) {
    out << v.uso << "\n";
    bool inicio = true;
    for (char c : v.resumen) {
      if (inicio) out << "    ";
      out << c;
      inicio = c == '\n';
    }
  }
  out << "\nMás sobre cada orden (formatos, salida, estado de salida): orvo-admin ORDEN --help\n";
  return estado;
}

int ErrorDeArgumentos(std::ostream& err, std::string_view verbo, const std::string& mensaje) {
  err << "orvo-admin " << verbo << ": " << mensaje << "\n";
  if (const Verbo* v = Busca(verbo)) err << "Uso: " << v->uso << "\n";
  err << "Más información: orvo-admin " << verbo << " --help\n";
  return kEstadoUso;
}

}  // namespace orvo::admin
