#include "tools/orvo-admin/clasifica.h"

#include <filesystem>
#include <fstream>
#include <iostream>
#include <string_view>

#include "classify/clasificador.h"
#include "platform/db/connection.h"
#include "platform/error.h"

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
  if (args.size() > 1) {
    err << "Uso: orvo-admin classify [ARCHIVO]\n";
    return 2;
  }
  const std::filesystem::path base = db::ResolvePath(common::kBasePrincipal);
  if (!std::filesystem::exists(base)) {
    err << "No existe la base de datos: " << base.string() << "\n";
    return 1;
  }
  std::ifstream archivo;
  if (!args.empty() && args[0] != "-") {
    archivo.open(args[0], std::ios::binary);
    if (!archivo) {
      err << "No se puede abrir el archivo: " << args[0] << "\n";
      return 1;
    }
  }
  common::Bases bases;
  bases.Conecta({.recordsets = 8});
  const int fallidas = Clasifica(bases, archivo.is_open() ? archivo : in, out);
  return fallidas == 0 ? 0 : 1;
}

}  // namespace orvo::admin
