#include "tools/orvo-admin/clasifica.h"

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string_view>

#include "classify/clasificador.h"
#include "platform/error/file_error.h"
#include "platform/db/connection.h"
#include "platform/error.h"
#include "tools/orvo-admin/ayuda.h"

namespace orvo::admin {

namespace {

using classify::Resultado;

std::string Resumen(const Resultado& r) {
  if (r.destino == Resultado::Destino::Nada) return r.detalle;
  return std::string(classify::NombreDestino(r.destino)) + ": " + r.detalle;
}

// The three fields, or false when the line does not have exactly three.
bool Campos(std::string_view linea, std::string_view campos[3]) {
  for (int i = 0; i < 2; ++i) {
    const auto coma = linea.find(',');
    if (coma == std::string_view::npos) return false;
    campos[i] = linea.substr(0, coma);
    linea.remove_prefix(coma + 1);
  }
  if (linea.find(',') != std::string_view::npos) return false;
  campos[2] = linea;
  return true;
}

}  // namespace

int Clasifica(common::Bases& bases, std::istream& entrada, std::ostream& salida) {
  int fallidas = 0;
  std::string linea;
  while (std::getline(entrada, linea)) {
    if (!linea.empty() && linea.back() == '\r') linea.pop_back();
    if (linea.find_first_not_of(" \t") == std::string::npos) continue;
    std::string resultado;
    std::string_view campos[3];
    if (!Campos(linea, campos)) {
      resultado = "ERROR: la línea no tiene la forma Id,Fecha,Hora";
      ++fallidas;
    } else {
      try {
        resultado = Resumen(classify::Busca_Empleado(bases, campos[0], campos[1], campos[2]));
      } catch (const RuntimeError& e) {
        resultado = "ERROR " + std::to_string(e.number) + ": " + e.what();
        ++fallidas;
      } catch (const std::exception& e) {
        resultado = std::string("ERROR: ") + e.what();
        ++fallidas;
      }
    }
    salida << linea << " -> " << resultado << "\n";
  }
  salida.flush();
  return fallidas;
}

int ClasificaVerbo(const std::vector<std::string>& args, std::istream& in, std::ostream& out, std::ostream& err) {
  if (args.size() > 1) return ErrorDeArgumentos(err, "classify", "argumento de más: " + args[1]);
  const bool deArchivo = !args.empty() && args[0] != "-";
  if (deArchivo && args[0].starts_with("-")) return ErrorDeArgumentos(err, "classify", "opción desconocida: " + args[0]);
  const std::filesystem::path base = db::ResolvePath(common::kBasePrincipal);
  std::error_code ec;
  if (!std::filesystem::is_regular_file(base, ec)) {
    err << "No existe la base de datos: " << base.string() << " (orvo-admin newdb la crea)\n";
    return 1;
  }
  std::ifstream archivo;
  if (deArchivo) {
    const std::filesystem::path ruta = args[0];
    const auto estado = std::filesystem::status(ruta, ec);
    if (ec) throw err::FileError(ec, ruta.string());
    if (std::filesystem::is_directory(estado)) {
      err << "orvo-admin classify: " << ruta.string()
          << " es una carpeta; se espera un archivo con una checada por línea (Id,Fecha,Hora)\n";
      return 1;
    }
    errno = 0;
    archivo.open(ruta, std::ios::binary);
    if (!archivo) throw err::FileError(std::error_code(errno != 0 ? errno : EACCES, std::generic_category()), ruta.string());
  }
  common::Bases bases;
  bases.Conecta({.recordsets = 8});
  const int fallidas = Clasifica(bases, archivo.is_open() ? archivo : in, out);
  return fallidas == 0 ? 0 : 1;
}

}  // namespace orvo::admin
