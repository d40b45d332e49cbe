#include "backup/restauracion.h"

#include <stdlib.h>

#include <cerrno>
#include <algorithm>
#include <string_view>
#include <system_error>

#include "backup/archivos_zip.h"
#include "backup/base_de_datos.h"
#include "backup/intercambio.h"
#include "common/arranque.h"
#include "platform/db/database_file.h"
#include "platform/drive/drive.h"
#include "platform/error/file_error.h"
#include "platform/error/numbers.h"
#include "platform/drive/wildcard.h"
#include "platform/error.h"
#include "platform/error/current_error.h"
#include "platform/db/error.h"
#include "platform/text/nocase.h"

namespace orvo::backup {

namespace fs = std::filesystem;

namespace {

// Whether a Windows path on C: ("C:\Quiravel\Quiravel.mdb") is a file in the
// staged copy of the drive, letter case ignored.
bool BuscaEnEscena(const fs::path& raiz, std::string_view rutaWindows) {
  fs::path lugar = raiz;
  std::string_view resto = rutaWindows.substr(3);
  while (!resto.empty() && !lugar.empty()) {
    const std::size_t corte = resto.find('\\');
    lugar = drive::FindIgnoringCase(lugar, resto.substr(0, corte));
    resto = corte == std::string_view::npos ? std::string_view() : resto.substr(corte + 1);
  }
  std::error_code ec;
  return !lugar.empty() && fs::is_regular_file(lugar, ec);
}

std::vector<fs::path> ArchivosBajo(const fs::path& carpeta, bool recursivo) {
  std::vector<fs::path> archivos;
  const auto toma = [&](const fs::directory_entry& e) {
    if (e.is_regular_file()) archivos.push_back(e.path());
  };
  if (recursivo) {
    for (const auto& e : fs::recursive_directory_iterator(carpeta)) toma(e);
  } else {
    for (const auto& e : fs::directory_iterator(carpeta)) toma(e);
  }
  std::sort(archivos.begin(), archivos.end());
  return archivos;
}

// A full disk said as such, whichever call met it (the journal, a folder, the
// extraction, the engine's log): what the user must do is free room.
RuntimeError ComoDiscoLleno(const RuntimeError& error) {
  std::error_code ec;
  const fs::space_info espacio = fs::space(drive::Map(kCarpetaProducto), ec);
  const bool lleno = error.number == err::kDiskFull || error.number == db::errc::kDiskFull ||
                     (!ec && espacio.available == 0);
  if (!lleno) return error;
  const err::Reason razon = err::ReasonOf(ENOSPC);
  return RuntimeError(razon.number, std::string(razon.text) + ": no queda espacio en la unidad de " +
                                        std::string(kCarpetaProducto) +
                                        " para restaurar el respaldo; los datos actuales quedaron como estaban");
}

}  // namespace

Restauracion::Restauracion(std::string archivoPrincipal)
    : archivo_(std::move(archivoPrincipal)), carpetaRespaldo_(drive::Map(kCarpetaRespaldo)) {
  if (!EsArchivoPrincipal(archivo_)) throw NombreNoValido(archivo_);
}

Restauracion::~Restauracion() {
  // Rolled back before their staged copies go.
  reemplazos_.clear();
  if (escena_.empty()) return;
  std::error_code ec;
  fs::remove_all(escena_, ec);
}

void Restauracion::Prepara(forms::Dialogs& dialogs, const std::string& titulo) {
  try {
    ExtraeYRevisa(dialogs, titulo);
  } catch (...) {
    throw ComoDiscoLleno(err::CurrentError());
  }
}

void Restauracion::ExtraeYRevisa(forms::Dialogs& dialogs, const std::string& titulo) {
  const fs::path principal = drive::FindIgnoringCase(carpetaRespaldo_, archivo_);
  std::error_code ec;
  if (principal.empty() || !fs::is_regular_file(principal, ec)) {
    throw err::FileNotFound(std::string(kCarpetaRespaldo) + "\\" + archivo_);
  }

  // Held from the start, so that a Snapmake started meanwhile does not take
  // it for the leftover of a restore that was cut short.
  do {
    std::string plantilla = (carpetaRespaldo_ / PlantillaEscenaRestauracion()).string();
    if (::mkdtemp(plantilla.data()) == nullptr) {
      throw err::FileError(errno, carpetaRespaldo_);
    }
    escena_ = plantilla;
  } while (!bloqueo_.Toma(escena_));

  const auto extrae = [&](const fs::path& archivo, const fs::path& carpeta, const Componente& componente) {
    fs::create_directories(carpeta);
    const ResultadoZip r =
        backup::Extrae(RutaWindows(archivo), RutaWindows(carpeta), componente.conservaCarpetas, dialogs, titulo);
    if (r.resultado != 0) {
      throw RuntimeError(3343, "No se pudo extraer " + archivo.filename().string() + ":\n" + r.mensaje);
    }
    extraidos_.push_back({carpeta, &componente});
  };
  // Extracting is the test: every entry is read to its end and its check sum
  // compared before it gets its name, and a refused entry fails the call.
  extrae(principal, escena_ / kUnidadEnEscena, kPrincipal);
  if (!BuscaEnEscena(escena_ / kUnidadEnEscena, common::kBasePrincipal)) {
    throw RuntimeError(3343, "El respaldo " + archivo_ + " no contiene la base de datos " +
                                 common::kBasePrincipal);
  }

  const std::string sello = LeeNombre(archivo_)->sello;
  for (const Componente& c : kCompaneros) {
    const fs::path companero = drive::FindIgnoringCase(carpetaRespaldo_, NombreArchivo(c, sello));
    if (companero.empty()) continue;
    extrae(companero, escena_ / CarpetaEnEscena(c), c);
  }

  for (const Extraido& e : extraidos_) {
    for (const fs::path& archivo : ArchivosBajo(e.carpeta, e.componente->conservaCarpetas)) {
      if (EsBaseDelJuego(archivo)) RevisaBase(archivo, Destino(e, archivo), archivo_);
    }
  }
}

std::string Restauracion::Destino(const Extraido& e, const fs::path& archivo) {
  if (e.componente->conservaCarpetas) return EnUnidadC(archivo.lexically_relative(e.carpeta));
  return std::string(e.componente->restauraEn) + '\\' + archivo.filename().string();
}

void Restauracion::TomaBases() {
  basesTomadas_ = true;
  for (const Extraido& e : extraidos_) {
    for (const fs::path& archivo : ArchivosBajo(e.carpeta, e.componente->conservaCarpetas)) {
      if (!EsBaseDelJuego(archivo)) continue;
      // Named by its C: path in the engine's messages.
      const std::string destino = Destino(e, archivo);
      const fs::path viva = drive::Map(destino);
      if (!db::IsDatabaseFile(viva)) continue;  // nobody can have it open as a database
      reemplazos_.push_back(
          {archivo, viva, std::make_unique<db::ContentsReplacement>(destino, ContrasenaPrincipal(), archivo)});
    }
  }
}

void Restauracion::Coloca() {
  if (!basesTomadas_) TomaBases();
  const fs::path producto = drive::Map(kCarpetaProducto);
  std::vector<fs::path> vivas;
  for (const Reemplazo& r : reemplazos_) vivas.push_back(r.viva);
  // The engine's companions of a live database are its own to manage.
  const auto deUnaViva = [&](const fs::path& archivo) {
    for (const fs::path& viva : vivas) {
      if (archivo == viva) return true;
      for (const fs::path& companera : db::CompanionFiles(viva)) {
        if (archivo == companera) return true;
      }
    }
    return false;
  };
  const BasesTomadas tomadas(producto, vivas);
  Intercambio cambio(escena_);
  // The top of the product folder holds exactly what the set held there:
  // a file added since would otherwise stand beside the restored data. What
  // the backup leaves out (hidden files, as the directory listing it takes
  // them from does) is no part of a set, and stays.
  std::error_code ec;
  if (fs::is_directory(producto, ec)) {
    std::vector<fs::path> archivos = drive::ListFiles(producto, "*");
    std::sort(archivos.begin(), archivos.end());  // in the order of the names' bytes, as the staged files go
    for (const fs::path& archivo : archivos) {
      if (!db::IsLockFile(archivo) && !deUnaViva(archivo)) cambio.Retira(archivo);
    }
  }
  for (const Extraido& e : extraidos_) {
    for (const fs::path& archivo : ArchivosBajo(e.carpeta, e.componente->conservaCarpetas)) {
      if (db::IsCompanionFile(archivo)) continue;
      const auto r = std::find_if(reemplazos_.begin(), reemplazos_.end(),
                                  [&](const Reemplazo& x) { return x.copia == archivo; });
      if (r != reemplazos_.end()) {
        cambio.Base(archivo, r->viva);
      } else {
        // Mapped whole, so that a file there under another letter case is the one replaced.
        cambio.Coloca(archivo, drive::Map(Destino(e, archivo)));
      }
    }
  }
  const Intercambio::Motor motor{.aplica = [&](const Intercambio::Paso& paso, const std::string& marca) {
    for (Reemplazo& r : reemplazos_) {
      if (r.viva == paso.a) r.motor->Commit(marca);
    }
  }, .marcada = nullptr};
  try {
    cambio.Ejecuta(motor);
  } catch (...) {
    if (cambio.Pendiente()) {
      escena_.clear();  // it holds what could not be put back
      throw;
    }
    throw ComoDiscoLleno(err::CurrentError());
  }
}

}  // namespace orvo::backup
