#include "backup/restauracion.h"

#include <stdlib.h>

#include <algorithm>
#include <string_view>
#include <system_error>

#include "backup/archivos_zip.h"
#include "backup/base_de_datos.h"
#include "backup/falla.h"
#include "backup/intercambio.h"
#include "backup/juego_respaldo.h"
#include "backup/sello.h"
#include "common/arranque.h"
#include "platform/drive/drive.h"
#include "platform/drive/file_error.h"
#include "platform/error.h"
#include "platform/text/nocase.h"

namespace orvo::respaldo {

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

constexpr const char* kPrefijoEscena = "~restaura_";

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
  if (!EsArchivoPrincipal(archivo_)) {
    throw RuntimeError(52, "Nombre de respaldo no válido: \"" + archivo_ + "\"");
  }
}

Restauracion::~Restauracion() {
  if (!escena_.empty()) {
    std::error_code ec;
    fs::remove_all(escena_, ec);
  }
}

void Restauracion::RecuperaInterrumpidas() {
  for (const fs::path& escena : EscenasAbandonadas(drive::Map(kCarpetaRespaldo), kPrefijoEscena)) {
    if (!Intercambio::Recupera(escena / "anteriores")) {
      throw RuntimeError(75, "Una restauración anterior quedó interrumpida y no se pudieron devolver todos los "
                             "archivos anteriores; quedan en " + RutaWindows(escena / "anteriores"));
    }
    std::error_code ec;
    fs::remove_all(escena, ec);
  }
}

void Restauracion::Prepara(forms::Dialogs& dialogs, const std::string& titulo) {
  const fs::path principal = drive::FindIgnoringCase(carpetaRespaldo_, archivo_);
  std::error_code ec;
  if (principal.empty() || !fs::is_regular_file(principal, ec)) {
    throw RuntimeError(drive::fileerr::kFileNotFound,
                       "No se encontró el archivo " + std::string(kCarpetaRespaldo) + "\\" + archivo_);
  }

  RecuperaInterrumpidas();
  std::string plantilla = (carpetaRespaldo_ / (std::string(kPrefijoEscena) + "XXXXXX")).string();
  if (::mkdtemp(plantilla.data()) == nullptr) {
    throw drive::FileError(std::error_code(errno, std::generic_category()), carpetaRespaldo_.string());
  }
  escena_ = plantilla;
  cerrojo_ = CerrojoDeEscena(escena_);

  const auto extrae = [&](const fs::path& archivo, const fs::path& carpeta, bool conservaCarpetas,
                          std::string destino) {
    fs::create_directories(carpeta);
    const ResultadoZip r = Extrae(RutaWindows(archivo), RutaWindows(carpeta), conservaCarpetas, dialogs, titulo);
    if (r.resultado != 0) {
      throw RuntimeError(3343, "No se pudo extraer " + archivo.filename().string() + ":\n" + r.mensaje);
    }
    extraidos_.push_back({carpeta, std::move(destino)});
  };
  // Extracting is the test: every entry is read to its end and its check sum
  // compared before it gets its name, and a refused entry fails the call.
  extrae(principal, escena_ / "C", true, "");
  if (!BuscaEnEscena(escena_ / "C", common::kBasePrincipal)) {
    throw RuntimeError(3343, "El respaldo " + archivo_ + " no contiene la base de datos " +
                                 common::kBasePrincipal);
  }

  const std::string_view sello = SelloDe(archivo_);
  for (std::size_t i = 1; i < kComponentes.size(); ++i) {
    const Componente& c = kComponentes[i];
    const fs::path companero = drive::FindIgnoringCase(carpetaRespaldo_, NombreArchivo(c.prefijo, sello));
    if (companero.empty()) continue;
    extrae(companero, escena_ / std::string(c.prefijo.substr(0, 3)), false, std::string(c.restauraEn));
  }

  for (const Extraido& e : extraidos_) {
    for (const fs::path& archivo : ArchivosBajo(e.carpeta, e.destino.empty())) {
      if (EsCompanera(archivo.filename().string())) continue;
      if (EsMdb(archivo) || EsBaseDeDatos(archivo)) RevisaBase(archivo);
    }
  }
}

void Restauracion::Coloca() {
  const fs::path producto = drive::Map(kCarpetaProducto);
  const BasesTomadas tomadas(producto);
  Intercambio cambio(escena_ / "anteriores");
  try {
    // The top of the product folder holds exactly what the set held there:
    // a file added since would otherwise stand beside the restored data.
    std::error_code ec;
    if (fs::is_directory(producto, ec)) {
      for (const fs::path& archivo : ArchivosBajo(producto, false)) {
        if (!EsBloqueo(archivo.filename().string())) cambio.Retira(archivo);
      }
    }
    for (const Extraido& e : extraidos_) {
      for (const fs::path& archivo : ArchivosBajo(e.carpeta, e.destino.empty())) {
        if (EsCompanera(archivo.filename().string())) continue;
        // Mapped whole, so that a file there under another letter case is the one replaced.
        std::string destino = e.destino;
        if (destino.empty()) {
          destino = EnUnidadC(archivo.lexically_relative(e.carpeta));
        } else {
          destino += '\\';
          destino += archivo.filename().string();
        }
        cambio.Coloca(archivo, drive::Map(destino));
      }
    }
    cambio.Confirma();
  } catch (...) {
    RuntimeError error = FallaActual();
    if (!cambio.Deshace()) {
      escena_.clear();  // it holds what could not be put back
      error = RuntimeError(error.number, std::string(error.what()) +
                                             "\nNo se pudieron devolver todos los archivos anteriores; quedan en " +
                                             RutaWindows(cambio.Guarda()));
    }
    throw error;
  }
}

}  // namespace orvo::respaldo
