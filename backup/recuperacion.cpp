#include "backup/recuperacion.h"

#include <algorithm>
#include <filesystem>
#include <optional>
#include <system_error>

#include "backup/archivos_zip.h"
#include "backup/base_de_datos.h"
#include "backup/bloqueo_carpeta.h"
#include "backup/intercambio.h"
#include "backup/nombres_respaldo.h"
#include "platform/drive/drive.h"

namespace orvo::backup {

namespace fs = std::filesystem;

namespace {

std::string RecuperaRestauracion(const fs::path& escena) {
  std::string aviso;
  std::error_code ec;
  if (fs::exists(Intercambio::Diario(escena), ec)) {
    // The swap moves database files: no program may have one open meanwhile,
    // but for those whose contents go through the engine.
    const BasesTomadas tomadas(drive::Map(kCarpetaProducto), Intercambio::BasesDelDiario(escena));
    switch (Intercambio::Recupera(escena, MotorDeBases())) {
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
  } else {
    // Stopped before its swap (killed while the current data was backed up,
    // for one): nothing of the set had been put in place.
    aviso = "Se encontró una restauración interrumpida (" + escena.filename().string() +
            ") antes de colocar el respaldo; los datos quedaron como estaban.";
  }
  fs::remove_all(escena);
  return aviso;
}

void LimpiaRespaldo(const fs::path& carpeta, const fs::path& escena, const std::string& sello) {
  // Its main archive is moved last: without it, what it moved is no set.
  if (drive::FindIgnoringCase(carpeta, NombreArchivo(kPrincipal, sello)).empty()) {
    for (const Componente& c : kCompaneros) {
      const fs::path companero = drive::FindIgnoringCase(carpeta, NombreArchivo(c, sello));
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
    const std::optional<Nombre> nombre = LeeNombre(escena.filename().string());
    if (!nombre || nombre->clase == Clase::Archivo) continue;
    BloqueoCarpeta bloqueo;
    if (!bloqueo.Intenta(escena)) continue;  // a live run works in it
    if (nombre->clase == Clase::EscenaRestauracion) {
      const std::string aviso = RecuperaRestauracion(escena);
      if (!aviso.empty()) avisos.push_back(aviso);
    } else {
      LimpiaRespaldo(carpeta, escena, nombre->sello);
    }
  }
  return avisos;
}

}  // namespace orvo::backup
