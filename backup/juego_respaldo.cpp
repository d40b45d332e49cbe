#include "backup/juego_respaldo.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <ctime>
#include <system_error>
#include <thread>

#include "backup/archivos_zip.h"
#include "backup/base_de_datos.h"
#include "backup/nombres_respaldo.h"
#include "platform/db/database_file.h"
#include "platform/drive/drive.h"
#include "platform/error/file_error.h"
#include "platform/drive/wildcard.h"
#include "platform/error.h"

namespace orvo::backup {

namespace fs = std::filesystem;

namespace {

fs::path EnUnidad(std::string_view relativa) { return drive::Map("C:\\" + std::string(relativa)); }

// The staged mirror of a path relative to C:, under `raiz`.
fs::path EnEscena(const fs::path& raiz, std::string_view relativa) {
  std::string generica(relativa);
  std::replace(generica.begin(), generica.end(), '\\', '/');
  return raiz / generica;
}

bool EsArchivoRegular(const fs::path& ruta) {
  std::error_code ec;
  return fs::is_regular_file(ruta, ec);
}

bool EsCarpeta(const fs::path& ruta) {
  std::error_code ec;
  return fs::is_directory(ruta, ec);
}

// The files of a folder that belong in a backup: what the pattern "*"
// selects, without the companions of a live database.
std::vector<fs::path> ArchivosDe(const fs::path& carpeta) {
  std::vector<fs::path> archivos = drive::ListFiles(carpeta, "*");
  std::erase_if(archivos, [](const fs::path& a) { return db::IsCompanionFile(a); });
  return archivos;
}

// A database goes in as a consistent copy, checked as the restore checks it;
// a file named as a database that is none fails the same check here, since
// the restore would refuse the whole set for it. Anything else goes in as a
// second name for the same file when the file system allows it, which costs
// nothing.
void EscenaArchivo(const fs::path& origen, const fs::path& destino) {
  if (db::IsDatabaseFile(origen)) {
    CopiaConsistente(origen, destino);
    return;
  }
  if (EsBaseDelJuego(origen)) {
    // Checked on a copy of its own, so that nothing of the check lands beside the original.
    fs::copy_file(origen, destino);
    RevisaBase(destino, RutaWindows(origen), "");
    return;
  }
  std::error_code ec;
  fs::create_hard_link(origen, destino, ec);
  if (ec) fs::copy_file(origen, destino);
}

void EscenaCarpeta(const fs::path& origen, const fs::path& destino) {
  fs::create_directories(destino);
  for (const fs::path& archivo : ArchivosDe(origen)) EscenaArchivo(archivo, destino / archivo.filename());
}

std::vector<std::string> Escenificados(const fs::path& raiz) {
  std::vector<std::string> nombres;
  for (const auto& entrada : fs::recursive_directory_iterator(raiz)) {
    if (entrada.is_regular_file()) nombres.push_back(fs::relative(entrada.path(), raiz).generic_string());
  }
  std::sort(nombres.begin(), nombres.end());
  return nombres;
}

bool SelloUsado(const fs::path& carpeta, std::string_view sello) {
  return std::any_of(kComponentes.begin(), kComponentes.end(), [&](const Componente& c) {
    return !drive::FindIgnoringCase(carpeta, NombreArchivo(c, sello)).empty();
  });
}

}  // namespace

JuegoRespaldo::JuegoRespaldo() : carpetaRespaldo_(drive::Map(kCarpetaRespaldo)) {
  for (;;) {
    const std::time_t ahora = std::time(nullptr);
    sello_ = backup::Sello(ahora);
    // The staging folder is the reservation: making a folder is atomic, so of
    // two runs in the same second only one gets the stamp.
    escena_ = carpetaRespaldo_ / NombreEscenaRespaldo(sello_);
    if (::mkdir(escena_.c_str(), 0777) == 0) {
      // Held before anything goes in, so that another run's start does not
      // take it for a leftover; one that did and removed it costs a retry.
      if (!bloqueo_.Toma(escena_)) continue;
      if (!SelloUsado(carpetaRespaldo_, sello_)) return;
      bloqueo_.Suelta();
      ::rmdir(escena_.c_str());
    } else if (errno != EEXIST) {
      // Named by its C: path, as every message of the programs names files.
      throw err::FileError(errno, fs::path(kCarpetaRespaldo));
    }
    while (std::time(nullptr) == ahora) std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
}

JuegoRespaldo::~JuegoRespaldo() {
  std::error_code ec;
  fs::remove_all(escena_, ec);
}

JuegoRespaldo::Hecho JuegoRespaldo::Haz(const Componente& componente) {
  const fs::path fuente = EnUnidad(componente.principal.ruta);
  const bool esArchivo = componente.principal.patron.empty();
  if (esArchivo ? !EsArchivoRegular(fuente) : ArchivosDe(fuente).empty()) return {};

  const fs::path raiz = escena_ / CarpetaEnEscena(componente);
  fs::create_directories(raiz);
  const std::string raizWindows = RutaWindows(raiz);
  std::vector<std::string> nombres;
  const auto agrega = [&](const Fuente& f, const fs::path& real) {
    const fs::path copia = EnEscena(raiz, f.ruta);
    if (f.patron.empty()) {
      fs::create_directories(copia.parent_path());
      EscenaArchivo(real, copia);
      nombres.push_back(RutaWindows(copia));
    } else {
      EscenaCarpeta(real, copia);
      nombres.push_back(RutaWindows(copia) + "\\" + std::string(f.patron));
    }
  };
  agrega(componente.principal, fuente);
  for (const Fuente& extra : componente.extras) {
    if (extra.ruta.empty()) continue;
    const fs::path real = EnUnidad(extra.ruta);
    if (EsCarpeta(real)) agrega(extra, real);
  }

  const fs::path archivo = escena_ / NombreArchivo(componente, sello_);
  Hecho hecho;
  hecho.hecho = true;
  const ResultadoZip zip = Comprime(RutaWindows(archivo), nombres, raizWindows);
  hecho.resultado = zip.resultado;
  hecho.mensaje = zip.mensaje;
  if (zip.resultado == 0) {
    if (!EsArchivoRegular(archivo)) {
      throw RuntimeError(53, "No se escribió el archivo de respaldo " + archivo.filename().string());
    }
    std::vector<std::string> entradas = PruebaZip(archivo);
    std::sort(entradas.begin(), entradas.end());
    if (entradas != Escenificados(raiz)) {
      throw RuntimeError(3343, "El archivo de respaldo " + archivo.filename().string() +
                                   " no contiene los archivos respaldados");
    }
    hechos_.push_back(archivo);
  }
  // The staged copies are no longer needed, and a copy of a large database
  // should not wait for the other archives.
  fs::remove_all(raiz);
  return hecho;
}

void JuegoRespaldo::Publica() {
  std::stable_partition(hechos_.begin(), hechos_.end(),
                        [](const fs::path& a) { return !EsArchivoPrincipal(a.filename().string()); });
  try {
    for (const fs::path& archivo : hechos_) {
      const fs::path destino = carpetaRespaldo_ / archivo.filename();
      // A second name first and the first removed after: unlike a rename,
      // making a name never replaces a file that is already there.
      if (::link(archivo.c_str(), destino.c_str()) != 0) throw err::FileError(errno, fs::path(RutaWindows(destino)));
      publicados_.push_back(destino);
      ::unlink(archivo.c_str());
    }
  } catch (...) {
    for (const fs::path& publicado : publicados_) ::unlink(publicado.c_str());
    publicados_.clear();
    throw;
  }
}

}  // namespace orvo::backup
