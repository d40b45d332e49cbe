#include "backup/base_de_datos.h"

#include <array>
#include <cstring>
#include <fstream>
#include <string>
#include <system_error>

#include "backup/archivos_zip.h"
#include "common/arranque.h"
#include "platform/db/connection.h"
#include "platform/db/recordset.h"
#include "platform/error.h"
#include "platform/text/nocase.h"

namespace orvo::respaldo {

namespace fs = std::filesystem;

namespace {

bool TerminaEn(std::string_view nombre, std::string_view final) {
  return nombre.size() >= final.size() &&
         text::EqualsNoCase(nombre.substr(nombre.size() - final.size()), final);
}

// The companions that the engine leaves beside `base` while it is open.
std::array<fs::path, 4> CompanerasDe(const fs::path& base) {
  fs::path bloqueo = base;
  bloqueo.replace_extension(".ldb");
  return {fs::path(base.string() + "-wal"), fs::path(base.string() + "-shm"),
          fs::path(base.string() + "-journal"), bloqueo};
}

// The main database's password; a file without one opens with it all the same.
std::string ContrasenaPrincipal() {
  return db::ConnectionString::Parse(common::kConectaPrincipal).password;
}

}  // namespace

bool EsCompanera(std::string_view nombre) {
  for (std::string_view final : {"-wal", "-shm", "-journal", ".ldb"}) {
    if (TerminaEn(nombre, final)) return true;
  }
  return false;
}

bool EsBaseDeDatos(const fs::path& ruta) {
  static constexpr char kCabecera[] = "SQLite format 3";  // with its NUL: 16 bytes
  std::array<char, sizeof kCabecera> leido{};
  std::ifstream archivo(ruta, std::ios::binary);
  return archivo.read(leido.data(), leido.size()) &&
         std::memcmp(leido.data(), kCabecera, sizeof kCabecera) == 0;
}

bool EsBloqueo(std::string_view nombre) { return TerminaEn(nombre, ".ldb"); }

void CopiaConsistente(const fs::path& origen, const fs::path& destino) {
  db::Connection cn;
  cn.OpenFile(origen.string(), ContrasenaPrincipal());
  cn.Snapshot(destino.string());
  cn.Close();
}

BasesTomadas::BasesTomadas(const fs::path& carpeta) {
  std::error_code ec;
  if (!fs::is_directory(carpeta, ec)) return;
  for (const auto& entrada : fs::directory_iterator(carpeta)) {
    if (!entrada.is_regular_file(ec) || !EsBaseDeDatos(entrada.path())) continue;
    db::ExclusiveUse uso(entrada.path().string());
    if (!uso.Taken()) {
      throw RuntimeError(db::errc::kFileInUse, "El archivo " + RutaWindows(entrada.path()) +
                                                   " está abierto en otro programa; ciérrelo y vuelva a intentarlo");
    }
    tomadas_.push_back(std::move(uso));
  }
}

BasesTomadas::~BasesTomadas() = default;

void RevisaBase(const fs::path& ruta) {
  const std::string nombre = ruta.filename().string();
  std::string falla;
  {
    db::Connection cn;
    try {
      cn.OpenFile(ruta.string(), ContrasenaPrincipal());
      db::Recordset rs(cn);
      rs.Open("PRAGMA quick_check");
      const std::string estado = rs.Eof() ? std::string() : db::AsText(rs.Field(rs.FieldNames().front()));
      if (estado != "ok") falla = estado;
    } catch (const RuntimeError& e) {
      falla = e.what();
    }
  }
  // Only the check opened it, so nothing of the engine's is left to keep.
  for (const fs::path& companera : CompanerasDe(ruta)) {
    std::error_code ec;
    fs::remove(companera, ec);
  }
  if (!falla.empty()) {
    throw RuntimeError(3343, "La base de datos " + nombre + " del respaldo está dañada: " + falla);
  }
}

}  // namespace orvo::respaldo
