#include "backup/recuperacion.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <system_error>

#include "backup/archivos_zip.h"
#include "backup/base_de_datos.h"
#include "backup/bloqueo_carpeta.h"
#include "backup/intercambio.h"
#include "backup/juego_respaldo.h"
#include "backup/restauracion.h"
#include "backup/sello.h"
#include "platform/drive/drive.h"

namespace orvo::respaldo {

namespace fs = std::filesystem;

namespace {

bool EsEscenaRestauracion(const std::string& nombre) {
  const std::size_t largo = kPrefijoEscenaRestauracion.size();
  return nombre.size() == largo + 6 && nombre.starts_with(kPrefijoEscenaRestauracion) &&
         std::all_of(nombre.begin() + static_cast<long>(largo), nombre.end(),
                     [](unsigned char c) { return std::isalnum(c) != 0; });
}

// The stamp of a backup run's staging folder; empty when the name is not one.
std::string SelloDeEscena(const std::string& nombre) {
  if (!nombre.starts_with(kPrefijoEscenaRespaldo)) return {};
  const std::string sello = nombre.substr(kPrefijoEscenaRespaldo.size()) + ".ZIP";
  return EsSello(sello) ? sello : std::string();
}

std::string RecuperaRestauracion(const fs::path& escena) {
  std::string aviso;
  std::error_code ec;
  if (fs::exists(Intercambio::Diario(escena), ec)) {
    // The swap moves database files: no program may have one open meanwhile.
    const BasesTomadas tomadas(drive::Map(kCarpetaProducto));
    switch (Intercambio::Recupera(escena)) {
      case Intercambio::Recuperado::Nada:
        break;
      case Intercambio::Recuperado::Completado:
        aviso = "Se encontró una restauración interrumpida (" + escena.filename().string() +
                "); ya se habían colocado todos los archivos del respaldo y se completó.";
        break;
      case Intercambio::Recuperado::Deshecho:
        aviso = "Se encontró una restauración interrumpida (" + escena.filename().string() +
                "); se deshizo y los datos quedaron como estaban antes de ella.";
        break;
    }
  }
  fs::remove_all(escena);
  return aviso;
}

void LimpiaRespaldo(const fs::path& carpeta, const fs::path& escena, const std::string& sello) {
  // Its main archive is moved last: without it, what it moved is no set.
  if (drive::FindIgnoringCase(carpeta, NombreArchivo(kComponentes[0].prefijo, sello)).empty()) {
    for (std::size_t i = 1; i < kComponentes.size(); ++i) {
      const fs::path companero = drive::FindIgnoringCase(carpeta, NombreArchivo(kComponentes[i].prefijo, sello));
      if (!companero.empty()) fs::remove(companero);
    }
  }
  fs::remove_all(escena);
}

}  // namespace

std::vector<std::string> RecuperaInterrumpidos() {
  std::vector<std::string> avisos;
  const fs::path carpeta = drive::Map(kCarpetaRespaldo);
  std::error_code ec;
  if (!fs::is_directory(carpeta, ec)) return avisos;
  std::vector<fs::path> escenas;
  for (const auto& entrada : fs::directory_iterator(carpeta, ec)) {
    if (entrada.is_directory(ec) && !entrada.is_symlink(ec)) escenas.push_back(entrada.path());
  }
  std::sort(escenas.begin(), escenas.end());
  for (const fs::path& escena : escenas) {
    const std::string nombre = escena.filename().string();
    const std::string sello = SelloDeEscena(nombre);
    if (!EsEscenaRestauracion(nombre) && sello.empty()) continue;
    BloqueoCarpeta bloqueo;
    if (!bloqueo.Intenta(escena)) continue;  // a live run works in it
    if (sello.empty()) {
      const std::string aviso = RecuperaRestauracion(escena);
      if (!aviso.empty()) avisos.push_back(aviso);
    } else {
      LimpiaRespaldo(carpeta, escena, sello);
    }
  }
  return avisos;
}

}  // namespace orvo::respaldo
