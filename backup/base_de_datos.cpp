#include "backup/base_de_datos.h"

#include <algorithm>
#include <string>
#include <system_error>

#include "backup/archivos_zip.h"
#include "common/arranque.h"
#include "platform/db/connection.h"
#include "platform/db/database_file.h"
#include "platform/db/error.h"
#include "platform/db/replace_contents.h"
#include "platform/error.h"
#include "platform/text/nocase.h"

namespace orvo::backup {

namespace fs = std::filesystem;

std::string ContrasenaPrincipal() { return db::ConnectionString::Parse(common::kConectaPrincipal).password; }

namespace {

// The first line of a report, for a message box that must fit on the screen.
std::string PrimeraLinea(const std::string& texto) { return texto.substr(0, texto.find('\n')); }

}  // namespace

void CopiaConsistente(const fs::path& origen, const fs::path& destino) {
  db::Connection cn;
  // Named by their C: paths, as every message of the programs names files.
  cn.OpenFile(RutaWindows(origen), ContrasenaPrincipal());
  cn.Snapshot(RutaWindows(destino));
  cn.Close();
}

bool EsBaseDelJuego(const fs::path& archivo) {
  if (db::IsCompanionFile(archivo)) return false;
  return text::EqualsNoCase(archivo.extension().string(), ".mdb") || db::IsDatabaseFile(archivo);
}

BasesTomadas::BasesTomadas(const fs::path& carpeta, const std::vector<fs::path>& salvo) {
  std::error_code ec;
  if (!fs::is_directory(carpeta, ec)) return;
  for (const auto& entrada : fs::directory_iterator(carpeta)) {
    if (std::find(salvo.begin(), salvo.end(), entrada.path()) != salvo.end()) continue;
    if (!entrada.is_regular_file(ec) || !db::IsDatabaseFile(entrada.path())) continue;
    db::ExclusiveUse uso(entrada.path().string());
    if (!uso.Taken()) {
      throw db::FileInUse(RutaWindows(entrada.path()));
    }
    tomadas_.push_back(std::move(uso));
  }
}

BasesTomadas::~BasesTomadas() = default;

void RevisaBase(const fs::path& ruta, std::string_view destino, std::string_view respaldo) {
  std::string falla;
  {
    db::Connection cn;
    try {
      cn.OpenFile(RutaWindows(ruta), ContrasenaPrincipal());
      const std::vector<std::string> problemas = db::IntegrityProblems(cn);
      if (!problemas.empty()) falla = db::FirstProblem(problemas);
    } catch (const RuntimeError& e) {
      falla = e.number == db::errc::kUnrecognizedFormat ? "no es una base de datos válida"
                                                        : PrimeraLinea(e.what());
    }
  }
  // Only the check opened it, so nothing of the engine's is left to keep.
  for (const fs::path& companera : db::CompanionFiles(ruta)) {
    std::error_code ec;
    fs::remove(companera, ec);
  }
  if (!falla.empty()) {
    const std::string deRespaldo = respaldo.empty() ? "" : " del respaldo " + std::string(respaldo);
    throw RuntimeError(db::errc::kUnrecognizedFormat,
                       "La base de datos " + std::string(destino) + deRespaldo + " está dañada: " + falla);
  }
}

Intercambio::Motor MotorDeBases() {
  return {.aplica =
              [](const Intercambio::Paso& paso, const std::string& marca) {
                db::ContentsReplacement reemplazo(RutaWindows(paso.a), ContrasenaPrincipal(), paso.de);
                reemplazo.Commit(marca);
              },
          .marcada = [](const Intercambio::Paso& paso, const std::string& marca) {
            return db::ReplacementMarked(RutaWindows(paso.a), ContrasenaPrincipal(), marca);
          }};
}

}  // namespace orvo::backup
