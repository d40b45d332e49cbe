// orvo-admin: the few things the administrator program does for the Orvo
// programs, for operators and tests.
//
//   orvo-admin newdb [--if-missing] [--empresa NOMBRE]
//   orvo-admin launch PROGRAMA [ARGS...]   (a name, or a path to the program)
//   orvo-admin where
//   orvo-admin classify [ARCHIVO]           (punch lines Id,Fecha,Hora; none or "-": standard input)
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <map>
#include <string>
#include <vector>

#include "common/lanzamiento.h"
#include "platform/db/connection.h"
#include "platform/drive/drive.h"
#include "platform/error.h"
#include "platform/process/process.h"
#include "tools/orvo-admin/clasifica.h"
#include "tools/orvo-admin/nueva_base.h"

namespace fs = std::filesystem;

namespace {

int Uso() {
  std::cerr << "Uso: orvo-admin newdb [--if-missing] [--empresa NOMBRE]\n"
               "     orvo-admin launch PROGRAMA [ARGS...]\n"
               "     orvo-admin where\n"
               "     orvo-admin classify [ARCHIVO]\n";
  return 2;
}

int NuevaBase(const std::vector<std::string>& args) {
  bool siFalta = false;
  std::string empresa = "Mi Empresa";
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--if-missing") siFalta = true;
    else if (args[i] == "--empresa" && i + 1 < args.size()) empresa = args[++i];
    else return Uso();
  }
  fs::path file = orvo::db::ResolvePath(orvo::admin::kBasePrincipal);
  if (fs::exists(file)) {
    if (siFalta) return 0;
    std::cerr << "La base de datos ya existe: " << file.string() << "\n";
    return 1;
  }
  orvo::admin::CreaBasePrincipal(empresa);
  std::cout << "Base de datos creada: " << file.string() << "\n";
  return 0;
}

// Where a program's file lies: beside orvo-admin, or in the build tree it came from.
fs::path BuscaPrograma(const std::string& nombre) {
  if (nombre.find('/') != std::string::npos) return fs::exists(nombre) ? fs::absolute(nombre) : fs::path();
  fs::path own = orvo::drive::ProgramFolder() / nombre;
  if (fs::exists(own)) return own;
#ifdef ORVO_BUILD_ROOT
  std::error_code ec;
  for (auto it = fs::recursive_directory_iterator(ORVO_BUILD_ROOT, ec); !ec && it != fs::recursive_directory_iterator();
       it.increment(ec)) {
    if (it->is_regular_file() && it->path().filename() == nombre) return it->path();
  }
#endif
  return {};
}

int Lanza(const std::vector<std::string>& args) {
  if (args.empty()) return Uso();
  static const std::map<std::string, std::string> marcadores = {
      {"Linkset", "RevFTP"}, {"Relevo", "RevTI"}, {"Snapmake", "RevSnapmake"}, {"Snapload", "RevSnapload"}};
  fs::path exe = BuscaPrograma(args[0]);
  std::string programa = fs::path(args[0]).filename().string();
  if (exe.empty()) {
    std::cerr << "No se encuentra el programa " << programa << "\n";
    return 1;
  }
  if (auto m = marcadores.find(programa); m != marcadores.end()) {
    orvo::common::CreaMarcador(exe.parent_path(), m->second);
  }
  auto child = orvo::process::Start(exe, std::vector<std::string>(args.begin() + 1, args.end()));
  auto status = child.Wait(std::chrono::hours(24 * 365));
  return status.value_or(1);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return Uso();
  std::string verb = argv[1];
  std::vector<std::string> args(argv + 2, argv + argc);
  try {
    if (verb == "newdb") return NuevaBase(args);
    if (verb == "launch") return Lanza(args);
    if (verb == "classify") return orvo::admin::ClasificaVerbo(args, std::cin, std::cout, std::cerr);
    if (verb == "where") {
      std::cout << orvo::drive::Root().string() << "\n";
      return 0;
    }
  } catch (const orvo::RuntimeError& e) {
    std::cerr << "Error " << e.number << ": " << e.what() << "\n";
    return 1;
  } catch (const std::exception& e) {
    std::cerr << "Error: " << e.what() << "\n";
    return 1;
  }
  return Uso();
}
