// orvo-admin: the few things the administrator program does for the Orvo
// programs, for operators and tests. `orvo-admin help` tells each verb.
//
//   orvo-admin newdb [--if-missing] [--empresa NOMBRE]
//   orvo-admin launch PROGRAMA [ARGS...]   (a name, or a path to the program)
//   orvo-admin where
//   orvo-admin classify [ARCHIVO]           (punch lines Id,Fecha,Hora; none or "-": standard input)
//   orvo-admin help [VERB]                  (also orvo-admin --help, orvo-admin VERB --help)
#include <cerrno>
#include <filesystem>
#include <iostream>
#include <map>
#include <string>
#include <vector>

#include "platform/drive/file_error.h"
#include "common/lanzamiento.h"
#include "platform/db/connection.h"
#include "platform/drive/drive.h"
#include "platform/error.h"
#include "platform/process/process.h"
#include "tools/orvo-admin/ayuda.h"
#include "tools/orvo-admin/clasifica.h"
#include "tools/orvo-admin/nueva_base.h"

namespace fs = std::filesystem;

namespace {

using orvo::admin::ErrorDeArgumentos;

int NuevaBase(const std::vector<std::string>& args) {
  bool siFalta = false;
  std::string empresa = "Mi Empresa";
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--if-missing") {
      siFalta = true;
    } else if (args[i] == "--empresa") {
      if (i + 1 == args.size() || args[i + 1].starts_with("--")) {
        return ErrorDeArgumentos(std::cerr, "newdb", "falta el valor de --empresa (el nombre de la empresa)");
      }
      empresa = args[++i];
    } else if (args[i].starts_with("-")) {
      return ErrorDeArgumentos(std::cerr, "newdb", "opción desconocida: " + args[i]);
    } else {
      return ErrorDeArgumentos(std::cerr, "newdb", "argumento de más: " + args[i]);
    }
  }
  fs::path file = orvo::db::ResolvePath(orvo::admin::kBasePrincipal);
  std::error_code ec;
  if (fs::exists(fs::symlink_status(file, ec))) {
    // What stands there under the database's name is no database: every
    // program would refuse it, so all is not well.
    if (!fs::is_regular_file(file, ec)) {
      std::cerr << "En el lugar de la base de datos hay algo que no es un archivo: " << file.string() << "\n";
      return 1;
    }
    if (siFalta) return 0;
    std::cerr << "La base de datos ya existe: " << file.string() << "\n";
    return 1;
  }
  orvo::admin::CreaBasePrincipal(empresa);
  std::cout << "Base de datos creada: " << file.string() << "\n";
  return 0;
}

// Where a program's file lies: a path as given, or a name beside orvo-admin,
// where the build puts them (bin/) and the installation too.
fs::path BuscaPrograma(const std::string& nombre) {
  if (nombre.find('/') != std::string::npos) return fs::exists(nombre) ? fs::absolute(nombre) : fs::path();
  fs::path own = orvo::drive::ExecutableFolder() / nombre;
  if (fs::exists(own)) return own;
  return {};
}

int Lanza(const std::vector<std::string>& args) {
  if (args.empty()) return ErrorDeArgumentos(std::cerr, "launch", "falta el programa que iniciar");
  static const std::map<std::string, std::string> marcadores = {
      {"Linkset", "RevFTP"}, {"Relevo", "RevTI"}, {"Snapmake", "RevSnapmake"}, {"Snapload", "RevSnapload"}};
  fs::path exe = BuscaPrograma(args[0]);
  std::string programa = fs::path(args[0]).filename().string();
  if (exe.empty()) {
    std::cerr << "No se encuentra el programa " << programa << "\n";
    return 1;
  }
  if (auto m = marcadores.find(programa); m != marcadores.end()) {
    orvo::common::CreaMarcador(orvo::drive::ProgramFolderFor(exe.parent_path()), m->second);
  }
  auto child = orvo::process::Start(exe, std::vector<std::string>(args.begin() + 1, args.end()));
  auto status = child.Wait(std::chrono::hours(24 * 365));
  return status.value_or(1);
}

int Donde(const std::vector<std::string>& args) {
  if (!args.empty()) return ErrorDeArgumentos(std::cerr, "where", "no admite argumentos, y se dio: " + args[0]);
  std::cout << orvo::drive::Root().string() << "\n";
  return 0;
}

int Ejecuta(const std::string& verb, const std::vector<std::string>& args) {
  if (verb == "help") {
    if (args.size() > 1) return ErrorDeArgumentos(std::cerr, "help", "argumento de más: " + args[1]);
    if (args.empty() || orvo::admin::EsVerbo(args[0])) return orvo::admin::Ayuda(std::cout, args.empty() ? "" : args[0]);
    return orvo::admin::Ayuda(std::cerr, args[0]);
  }
  // Asked on its own after a verb, --help explains the verb; after launch's
  // program it belongs to that program.
  if (!args.empty() && orvo::admin::PideAyuda(args[0])) return orvo::admin::Ayuda(std::cout, verb);
  if (verb == "newdb") return NuevaBase(args);
  if (verb == "launch") return Lanza(args);
  if (verb == "classify") return orvo::admin::ClasificaVerbo(args, std::cin, std::cout, std::cerr);
  if (verb == "where") return Donde(args);
  return orvo::admin::Ayuda(std::cerr, verb);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    orvo::admin::Ayuda(std::cerr);
    return orvo::admin::kEstadoUso;
  }
  std::string verb = argv[1];
  std::vector<std::string> args(argv + 2, argv + argc);
  if (verb == "--help" || verb == "-h") return orvo::admin::Ayuda(std::cout);
  try {
    return Ejecuta(verb, args);
  } catch (const orvo::RuntimeError& e) {
    std::cerr << "Error " << e.number << ": " << e.what() << "\n";
  } catch (const fs::filesystem_error& e) {
    const orvo::RuntimeError error = orvo::drive::FileError(e);
    std::cerr << "Error " << error.number << ": " << error.what() << "\n";
  } catch (const std::bad_alloc&) {
    std::cerr << "Error 7: No hay memoria suficiente\n";
  } catch (const std::exception& e) {
    std::cerr << "Error 5: Llamada a procedimiento o argumento no válidos (" << e.what() << ")\n";
  }
  return 1;
}
