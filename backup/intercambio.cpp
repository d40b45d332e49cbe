#include "backup/intercambio.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <optional>
#include <sstream>
#include <string_view>
#include <system_error>

#include "backup/archivos_zip.h"
#include "platform/error/file_error.h"
#include "platform/drive/fitting_name.h"
#include "platform/drive/whole_file.h"
#include "platform/error.h"
#include "platform/error/current_error.h"

namespace orvo::backup {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kCabecera = "orvo intercambio 1";
constexpr std::string_view kFaseIntercambio = "fase intercambio";
constexpr std::string_view kFaseConfirmado = "fase confirmado";

bool Existe(const fs::path& ruta) {
  std::error_code ec;
  return fs::exists(fs::symlink_status(ruta, ec));
}

// A name may hold any byte but NUL; the journal holds one step a line.
std::string Escapa(const std::string& texto) {
  std::string salida;
  for (const char c : texto) {
    switch (c) {
      case '%': salida += "%25"; break;
      case '\t': salida += "%09"; break;
      case '\n': salida += "%0A"; break;
      case '\r': salida += "%0D"; break;
      default: salida += c;
    }
  }
  return salida;
}

std::optional<std::string> Desescapa(std::string_view texto) {
  std::string salida;
  for (std::size_t i = 0; i < texto.size(); ++i) {
    if (texto[i] != '%') {
      salida += texto[i];
      continue;
    }
    if (i + 2 >= texto.size()) return std::nullopt;
    const std::string_view codigo = texto.substr(i + 1, 2);
    if (codigo == "25") salida += '%';
    else if (codigo == "09") salida += '\t';
    else if (codigo == "0A") salida += '\n';
    else if (codigo == "0D") salida += '\r';
    else return std::nullopt;
    i += 2;
  }
  return salida;
}

// A journal is either the old one or the new one, never half of either.
void EscribeDiario(const fs::path& escena, std::string_view fase, const std::vector<Intercambio::Paso>& pasos) {
  std::ostringstream texto;
  texto << kCabecera << '\n' << fase << '\n';
  for (const Intercambio::Paso& p : pasos) {
    const char tipo = p.tipo == Intercambio::Paso::Retirado   ? 'R'
                      : p.tipo == Intercambio::Paso::Colocado ? 'C'
                      : p.tipo == Intercambio::Paso::Base     ? 'B'
                                                              : 'D';
    texto << tipo << '\t' << Escapa(p.de.string()) << '\t' << Escapa(p.a.string()) << '\n';
  }
  texto << "fin\n";
  drive::WriteWholeFile(Intercambio::Diario(escena), texto.str());
}

struct ContenidoDiario {
  bool confirmado = false;
  std::vector<Intercambio::Paso> pasos;
};

std::optional<ContenidoDiario> LeeDiario(const fs::path& escena) {
  const fs::path ruta = Intercambio::Diario(escena);
  if (!Existe(ruta)) return std::nullopt;
  std::ifstream entrada(ruta, std::ios::binary);
  const auto danado = [&] {
    return RuntimeError(3343, "El diario de restauración " + RutaWindows(ruta) + " está dañado");
  };
  std::string linea;
  if (!std::getline(entrada, linea) || linea != kCabecera || !std::getline(entrada, linea)) throw danado();
  ContenidoDiario diario;
  if (linea == kFaseConfirmado) {
    diario.confirmado = true;
  } else if (linea != kFaseIntercambio) {
    throw danado();
  }
  while (std::getline(entrada, linea)) {
    if (linea == "fin") return diario;
    const std::size_t t1 = linea.find('\t');
    const std::size_t t2 = t1 == std::string::npos ? t1 : linea.find('\t', t1 + 1);
    if (t1 != 1 || t2 == std::string::npos) throw danado();
    const auto de = Desescapa(std::string_view(linea).substr(t1 + 1, t2 - t1 - 1));
    const auto a = Desescapa(std::string_view(linea).substr(t2 + 1));
    if (!de || !a) throw danado();
    Intercambio::Paso paso{Intercambio::Paso::Retirado, *de, *a};
    switch (linea[0]) {
      case 'R': break;
      case 'C': paso.tipo = Intercambio::Paso::Colocado; break;
      case 'D': paso.tipo = Intercambio::Paso::CarpetaCreada; break;
      case 'B': paso.tipo = Intercambio::Paso::Base; break;
      default: throw danado();
    }
    diario.pasos.push_back(std::move(paso));
  }
  throw danado();
}

// Where a move across file systems keeps its copy until the copy is whole.
// Its name fits the system's limit however long the file's own is.
fs::path Temporal(const fs::path& ruta, std::size_t indice) {
  const std::string sufijo = ".~" + std::to_string(indice);
  return ruta.parent_path() / (drive::FittingName(ruta.filename().string(), drive::kNameMax - sufijo.size()) + sufijo);
}

// A rename where it can be. Across file systems: a whole copy under a
// temporary name first, then the source removed, then the copy named; a cut
// anywhere leaves the file whole at one of the three names (Normaliza).
void Mueve(const fs::path& de, const fs::path& a, std::size_t indice) {
  // A rename would replace what is there; nothing of the swap may be lost so.
  if (Existe(a)) throw err::FileError(EEXIST, a);
  if (::rename(de.c_str(), a.c_str()) == 0) return;
  if (errno != EXDEV) throw err::FileError(errno, de);
  const fs::path temporal = Temporal(a, indice);
  fs::copy_file(de, temporal, fs::copy_options::overwrite_existing);
  drive::SyncFile(temporal);
  if (::unlink(de.c_str()) != 0) throw err::FileError(errno, de);
  if (::rename(temporal.c_str(), a.c_str()) != 0) throw err::FileError(errno, temporal);
}

// Ends a move across file systems that was cut short, either way: a copy
// whose source is still there goes, a copy without its source gets its name.
void Normaliza(const Intercambio::Paso& paso, std::size_t indice) {
  if (paso.tipo == Intercambio::Paso::CarpetaCreada || paso.tipo == Intercambio::Paso::Base) return;
  for (const auto& [lugar, otro] : {std::pair{paso.de, paso.a}, std::pair{paso.a, paso.de}}) {
    const fs::path temporal = Temporal(lugar, indice);
    if (!Existe(temporal)) continue;
    if (Existe(otro)) {
      fs::remove(temporal);
    } else if (::rename(temporal.c_str(), lugar.c_str()) != 0) {
      throw err::FileError(errno, temporal);
    }
  }
}

// Whether a step had been carried out. Every move is whole at one place, so
// where its file lies tells: a file kept aside is in the keeping folder; a
// new file put in place has left the staging folder.
bool Hecho(const Intercambio::Paso& paso) {
  switch (paso.tipo) {
    case Intercambio::Paso::Retirado: return Existe(paso.a);
    case Intercambio::Paso::Colocado: return !Existe(paso.de);
    case Intercambio::Paso::CarpetaCreada: return Existe(paso.de);
    case Intercambio::Paso::Base: return false;  // the engine rolls back what it did not commit
  }
  return false;
}

// Undoes, from the last step back, every step that was carried out. Each
// undo brings its step back to "not carried out", so a cut in the middle of
// this is undone again by the next attempt. False when a file could not be
// put back.
bool Deshace(const std::vector<Intercambio::Paso>& pasos) {
  bool completo = true;
  for (std::size_t i = pasos.size(); i-- > 0;) {
    const Intercambio::Paso& paso = pasos[i];
    try {
      Normaliza(paso, i);
      if (!Hecho(paso)) continue;
      if (paso.tipo == Intercambio::Paso::CarpetaCreada) {
        // A folder that holds something else by now stays.
        std::error_code ec;
        fs::remove(paso.de, ec);
      } else if (Existe(paso.a)) {
        Mueve(paso.a, paso.de, i);
      }  // else a new file that never reached its place: nothing of the old data to put back
    } catch (...) {
      completo = false;
    }
  }
  return completo;
}

// The moves made durable: every folder whose names changed.
void SincronizaPasos(const std::vector<Intercambio::Paso>& pasos) {
  std::set<fs::path> carpetas;
  for (const Intercambio::Paso& p : pasos) {
    if (p.tipo == Intercambio::Paso::Base) continue;
    carpetas.insert(p.de.parent_path());
    if (p.tipo != Intercambio::Paso::CarpetaCreada) carpetas.insert(p.a.parent_path());
  }
  for (const fs::path& carpeta : carpetas) {
    if (Existe(carpeta)) drive::SyncFolder(carpeta);
  }
}

// Clears a journal whose swap stands or was undone: the kept files first,
// then the journal, so that a cut in between is met again as the same case.
void Cierra(const fs::path& escena) {
  fs::remove_all(Intercambio::Guarda(escena));
  fs::remove(Intercambio::Diario(escena));
  drive::SyncFolder(escena);
}

// The mark a swap's databases carry once committed: its staging folder's
// name, which no other restore shares.
std::string Marca(const fs::path& escena) { return escena.filename().string(); }

bool AlgunaMarcada(const std::vector<Intercambio::Paso>& pasos, const fs::path& escena,
                   const Intercambio::Motor& motor) {
  for (const Intercambio::Paso& p : pasos) {
    if (p.tipo == Intercambio::Paso::Base && motor.marcada(p, Marca(escena))) return true;
  }
  return false;
}

}  // namespace

Intercambio::Intercambio(fs::path escena) : escena_(std::move(escena)) {}

void Intercambio::Retira(const fs::path& ruta) {
  struct stat estado {};
  if (::lstat(ruta.c_str(), &estado) != 0) throw err::FileError(errno, ruta);
  if (S_ISDIR(estado.st_mode)) {
    throw RuntimeError(75, "Error de acceso a la ruta o el archivo: " + ruta.string() +
                               " es una carpeta y no puede reemplazarse");
  }
  retirados_.insert({estado.st_dev, estado.st_ino});
  pasos_.push_back({Paso::Retirado, ruta, Guarda(escena_) / std::to_string(pasos_.size())});
}

void Intercambio::Coloca(const fs::path& nuevo, const fs::path& destino) {
  struct stat estado {};
  if (::lstat(destino.c_str(), &estado) == 0 && !retirados_.contains({estado.st_dev, estado.st_ino})) {
    Retira(destino);
  }
  // The missing folders from the outermost in, so that undoing removes them
  // from the innermost out.
  std::vector<fs::path> faltan;
  for (fs::path carpeta = destino.parent_path();
       !carpeta.empty() && !Existe(carpeta) && !carpetas_.contains(carpeta.string());
       carpeta = carpeta.parent_path()) {
    faltan.insert(faltan.begin(), carpeta);
    if (carpeta == carpeta.parent_path()) break;
  }
  for (const fs::path& carpeta : faltan) {
    carpetas_.insert(carpeta.string());
    pasos_.push_back({Paso::CarpetaCreada, carpeta, {}});
  }
  pasos_.push_back({Paso::Colocado, nuevo, destino});
}

void Intercambio::Base(const fs::path& copia, const fs::path& viva) { pasos_.push_back({Paso::Base, copia, viva}); }

std::vector<fs::path> Intercambio::BasesDelDiario(const fs::path& escena) {
  std::vector<fs::path> bases;
  const std::optional<ContenidoDiario> diario = LeeDiario(escena);
  if (!diario) return bases;
  for (const Paso& p : diario->pasos) {
    if (p.tipo == Paso::Base) bases.push_back(p.a);
  }
  return bases;
}

void Intercambio::Ejecuta(const Motor& motor) {
  fs::create_directories(Guarda(escena_));
  EscribeDiario(escena_, kFaseIntercambio, pasos_);
  bool comprometido = false;  // a database holds the restored contents
  try {
    for (std::size_t i = 0; i < pasos_.size(); ++i) {
      const Paso& paso = pasos_[i];
      if (paso.tipo == Paso::CarpetaCreada) {
        fs::create_directory(paso.de);
      } else if (paso.tipo != Paso::Base) {
        Mueve(paso.de, paso.a, i);
      }
    }
    SincronizaPasos(pasos_);
    for (const Paso& paso : pasos_) {
      if (paso.tipo != Paso::Base) continue;
      motor.aplica(paso, Marca(escena_));
      comprometido = true;
    }
    EscribeDiario(escena_, kFaseConfirmado, pasos_);
  } catch (...) {
    RuntimeError error = err::CurrentError();
    if (comprometido) {
      // Past the point of no return: the next start finishes it.
      pendiente_ = true;
      throw RuntimeError(error.number, std::string(error.what()) +
                                           "\nLa restauración quedó a medias; se completará al volver a abrir el "
                                           "programa");
    }
    if (Deshace(pasos_)) {
      try {
        SincronizaPasos(pasos_);
        Cierra(escena_);
      } catch (...) {
        // Everything is back; a journal left over is undone again, to no effect.
      }
    } else {
      pendiente_ = true;
      error = RuntimeError(error.number, std::string(error.what()) +
                                             "\nNo se pudieron devolver todos los archivos anteriores; quedan en " +
                                             RutaWindows(Guarda(escena_)));
    }
    throw error;
  }
  try {
    Cierra(escena_);
  } catch (...) {
    // The swap stands; a journal left over is cleared at the next start.
  }
}

Intercambio::Recuperado Intercambio::Recupera(const fs::path& escena, const Motor& motor) {
  const std::optional<ContenidoDiario> diario = LeeDiario(escena);
  if (!diario) return Recuperado::Nada;
  if (diario->confirmado) {
    Cierra(escena);
    return Recuperado::Completado;
  }
  // Every file had moved before the first database was committed.
  if (AlgunaMarcada(diario->pasos, escena, motor)) {
    for (const Paso& p : diario->pasos) {
      if (p.tipo == Paso::Base && !motor.marcada(p, Marca(escena))) motor.aplica(p, Marca(escena));
    }
    EscribeDiario(escena, kFaseConfirmado, diario->pasos);
    Cierra(escena);
    return Recuperado::Completado;
  }
  if (!Deshace(diario->pasos)) {
    throw RuntimeError(75, "No se pudieron devolver todos los archivos anteriores a una restauración interrumpida; "
                           "quedan en " + RutaWindows(Guarda(escena)));
  }
  SincronizaPasos(diario->pasos);
  Cierra(escena);
  return Recuperado::Deshecho;
}

}  // namespace orvo::backup
