#include "backup/restauracion.h"

#include <stdlib.h>

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

bool EsMdb(const fs::path& ruta) { return text::EqualsNoCase(ruta.extension().string(), ".mdb"); }

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

}  // namespace

Restauracion::Restauracion(std::string archivoPrincipal)
    : archivo_(std::move(archivoPrincipal)), carpetaRespaldo_(drive::Map(kCarpetaRespaldo)) {
  if (!EsArchivoPrincipal(archivo_)) throw NombreNoValido(archivo_);
}

Restauracion::~Restauracion() {
  if (escena_.empty()) return;
  std::error_code ec;
  fs::remove_all(escena_, ec);
}

void Restauracion::Prepara(forms::Dialogs& dialogs, const std::string& titulo) {
  const fs::path principal = drive::FindIgnoringCase(carpetaRespaldo_, archivo_);
  std::error_code ec;
  if (principal.empty() || !fs::is_regular_file(principal, ec)) {
    throw RuntimeError(err::kFileNotFound,
                       "No se encontró el archivo " + std::string(kCarpetaRespaldo) + "\\" + archivo_);
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
        Extrae(RutaWindows(archivo), RutaWindows(carpeta), componente.conservaCarpetas, dialogs, titulo);
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
      if (db::IsCompanionFile(archivo)) continue;
      if (EsMdb(archivo) || db::IsDatabaseFile(archivo)) RevisaBase(archivo, Destino(e, archivo), archivo_);
    }
  }
}

std::string Restauracion::Destino(const Extraido& e, const fs::path& archivo) {
  if (e.componente->conservaCarpetas) return EnUnidadC(archivo.lexically_relative(e.carpeta));
  return std::string(e.componente->restauraEn) + '\\' + archivo.filename().string();
}

void Restauracion::Coloca() {
  const fs::path producto = drive::Map(kCarpetaProducto);
  const BasesTomadas tomadas(producto);
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
      if (!db::IsLockFile(archivo)) cambio.Retira(archivo);
    }
  }
  for (const Extraido& e : extraidos_) {
    for (const fs::path& archivo : ArchivosBajo(e.carpeta, e.componente->conservaCarpetas)) {
      if (db::IsCompanionFile(archivo)) continue;
      // Mapped whole, so that a file there under another letter case is the one replaced.
      cambio.Coloca(archivo, drive::Map(Destino(e, archivo)));
    }
  }
  try {
    cambio.Ejecuta();
  } catch (...) {
    if (cambio.Pendiente()) escena_.clear();  // it holds what could not be put back
    throw;
  }
}

}  // namespace orvo::backup
