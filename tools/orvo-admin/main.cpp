// orvo-admin: the few things the administrator program does for the Orvo
// programs, for operators and tests. `orvo-admin help` tells each verb.
//
//   orvo-admin newdb [--if-missing] [--empresa NOMBRE]
//   orvo-admin launch PROGRAMA [ARGS...]   (a name, or a path to the program; SIGTERM, SIGINT
//                                           and SIGHUP pass on to it, and its status is launch's)
//   orvo-admin where
//   orvo-admin classify [ARCHIVO]           (punch lines Id,Fecha,Hora; none or "-": standard input)
//   orvo-admin help [VERB]                  (also orvo-admin --help, orvo-admin VERB --help)
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <filesystem>
#include <iostream>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "common/arranque.h"
#include "common/lanzamiento.h"
#include "platform/db/connection.h"
#include "platform/drive/drive.h"
#include "platform/error/current_error.h"
#include "platform/process/process.h"
#include "schema/nueva_base.h"
#include "tools/orvo-admin/ayuda.h"
#include "tools/orvo-admin/clasifica.h"

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
  fs::path file = orvo::db::ResolvePath(orvo::common::kBasePrincipal);
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
  orvo::schema::CreaBasePrincipal(empresa);
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

// The program that launch started, to pass the signals that end launch on
// to it; until it runs, the first such signal waits here.
std::atomic<pid_t> lanzado{0};
volatile std::sig_atomic_t senalPendiente = 0;

void PasaSenal(int senal) {
  if (const pid_t pid = lanzado.load(); pid > 0) {
    ::kill(pid, senal);
  } else if (senalPendiente == 0) {
    senalPendiente = senal;
  }
}

struct Lanzable {
  std::string marcador;
  bool informa;  // reports through the result file "crtd"
};

// A start marker made for one run: removed after the run unless the program
// took it, since it would let the next start through. Only the very file made
// here goes: a marker that another caller made since is not ours.
class MarcadorDeUnaVez {
 public:
  MarcadorDeUnaVez(const fs::path& carpeta, const std::string& nombre) : ruta_(carpeta / nombre) {
    orvo::common::CreaMarcador(carpeta, nombre);
    struct stat st {};
    if (::stat(ruta_.c_str(), &st) == 0) {
      dispositivo_ = st.st_dev;
      nodo_ = st.st_ino;
    }
  }
  ~MarcadorDeUnaVez() {
    struct stat st {};
    if (::stat(ruta_.c_str(), &st) == 0 && st.st_dev == dispositivo_ && st.st_ino == nodo_) ::unlink(ruta_.c_str());
  }
  MarcadorDeUnaVez(const MarcadorDeUnaVez&) = delete;
  MarcadorDeUnaVez& operator=(const MarcadorDeUnaVez&) = delete;

 private:
  fs::path ruta_;
  dev_t dispositivo_ = 0;
  ino_t nodo_ = 0;
};

int Lanza(const std::vector<std::string>& args) {
  if (args.empty()) return ErrorDeArgumentos(std::cerr, "launch", "falta el programa que iniciar");
  static const std::map<std::string, Lanzable> lanzables = {{"Linkset", {"RevFTP", false}},
                                                            {"Relevo", {"RevTI", false}},
                                                            {"Snapmake", {"RevSnapmake", true}},
                                                            {"Snapload", {"RevSnapload", true}}};
  fs::path exe = BuscaPrograma(args[0]);
  std::string programa = fs::path(args[0]).filename().string();
  if (exe.empty()) {
    std::cerr << "No se encuentra el programa " << programa << "\n";
    return 1;
  }
  std::optional<MarcadorDeUnaVez> marcador;
  if (auto l = lanzables.find(programa); l != lanzables.end()) {
    const fs::path carpeta = orvo::drive::ProgramFolderFor(exe.parent_path());
    // The result file is this run's or none: an earlier run's "ok" must not
    // stand for a run that fails before it writes one.
    if (l->second.informa) orvo::common::BorraResultado(carpeta);
    marcador.emplace(carpeta, l->second.marcador);
  }
  struct sigaction accion {};
  accion.sa_handler = PasaSenal;
  sigemptyset(&accion.sa_mask);
  accion.sa_flags = SA_RESTART;
  for (int senal : {SIGTERM, SIGINT, SIGHUP}) ::sigaction(senal, &accion, nullptr);

  auto child = orvo::process::Start(exe, std::vector<std::string>(args.begin() + 1, args.end()));
  lanzado = child.Pid();
  if (senalPendiente != 0) ::kill(child.Pid(), senalPendiente);
  auto status = child.Wait(std::chrono::hours(24 * 365));
  lanzado = 0;
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
  } catch (...) {
    const orvo::RuntimeError e = orvo::err::CurrentError();
    std::cerr << "Error " << e.number << ": " << e.what() << "\n";
  }
  return 1;
}
