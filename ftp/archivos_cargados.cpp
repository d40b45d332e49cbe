#include "ftp/archivos_cargados.h"

#include <QByteArray>
#include <QCryptographicHash>
#include <QDateTime>
#include <algorithm>
#include <array>
#include <cerrno>
#include <filesystem>
#include <system_error>

#include "common/texto_externo.h"
#include "platform/db/database.h"
#include "platform/db/recordset.h"
#include "platform/drive/drive.h"
#include "platform/error/file_error.h"
#include "platform/text/nocase.h"
#include "platform/text/utf8.h"

namespace orvo::ftp {

namespace fs = std::filesystem;

namespace {

bool HayTabla(db::Connection& cn) {
  const std::vector<std::string> tablas = cn.TableNames();
  return std::any_of(tablas.begin(), tablas.end(),
                     [](const std::string& t) { return text::EqualsNoCase(t, kTablaCargados); });
}

void CreaTabla(db::Connection& cn) {
  const db::Field columnas[] = {{"Archivo", db::Type::Text, 255},
                                {"Tamano", db::Type::Long},
                                {"Sha256", db::Type::Text, 64},
                                {"Cargado", db::Type::Date}};
  std::string sql = std::string("CREATE TABLE ") + kTablaCargados + " (";
  for (const db::Field& c : columnas) {
    if (&c != columnas) sql += ", ";
    sql += db::ColumnSql(kTablaCargados, c);
  }
  cn.Execute(sql + ")");
  // The question of every download, against a record that only grows.
  cn.Execute(std::string("CREATE INDEX ") + kTablaCargados + "_Sha256 ON " + kTablaCargados + " (Sha256)");
}

void Anota(db::Connection& cn, const HuellaArchivo& h, db::Value cuando) {
  const std::array<db::Value, 4> fila = {db::Value{h.nombre}, db::Value{static_cast<std::int64_t>(h.tamano)},
                                         db::Value{h.sha256}, std::move(cuando)};
  cn.Execute(std::string("INSERT INTO ") + kTablaCargados + " (Archivo, Tamano, Sha256, Cargado) VALUES (?, ?, ?, ?)",
             fila);
}

bool EsDigesto(std::string_view t) {
  return t.size() == 64 &&
         std::all_of(t.begin(), t.end(), [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); });
}

// A line "name TAB size TAB digest" of the earlier record; nullopt for what a
// crash cut short or anything else that is no such line.
std::optional<HuellaArchivo> LineaAnterior(std::string_view linea) {
  if (linea.ends_with('\r')) linea.remove_suffix(1);
  const std::size_t t1 = linea.find('\t');
  if (t1 == std::string_view::npos || t1 == 0) return std::nullopt;
  const std::size_t t2 = linea.find('\t', t1 + 1);
  if (t2 == std::string_view::npos || linea.find('\t', t2 + 1) != std::string_view::npos) return std::nullopt;
  const std::string_view nombre = linea.substr(0, t1);
  const std::string_view tamano = linea.substr(t1 + 1, t2 - t1 - 1);
  const std::string_view digesto = linea.substr(t2 + 1);
  if (!text::IsValidUtf8(nombre) || !EsDigesto(digesto)) return std::nullopt;
  if (tamano.empty() || tamano.size() > 10 || !std::all_of(tamano.begin(), tamano.end(), [](char c) { return c >= '0' && c <= '9'; }))
    return std::nullopt;
  const std::uint64_t n = std::stoull(std::string(tamano));
  if (n > 0x7FFFFFFF) return std::nullopt;  // beyond the Long column; no punch file is that big
  return HuellaArchivo{std::string(nombre), n, std::string(digesto)};
}

// The earlier version's record into the new table; true when there was one.
// Read as plain lines: a Ctrl-Z or a line of garbage in it hides nothing.
bool LeeRegistroAnterior(db::Connection& cn) {
  const fs::path ruta = drive::Map(kRegistroAnterior);
  std::error_code ec;
  if (!fs::exists(ruta, ec)) return false;
  const auto contenido = common::LeeArchivo(ruta);
  if (!contenido) throw err::FileError(std::error_code(EACCES, std::generic_category()), kRegistroAnterior);
  std::string_view resto = *contenido;
  while (!resto.empty()) {
    const std::size_t fin = resto.find('\n');
    if (const auto h = LineaAnterior(resto.substr(0, fin))) Anota(cn, *h, db::Value{});
    resto.remove_prefix(fin == std::string_view::npos ? resto.size() : fin + 1);
  }
  return true;
}

void BorraRegistroAnterior() {
  // Once committed, the table holds it; a copy left behind is never read again.
  std::error_code ec;
  fs::remove(drive::Map(kRegistroAnterior), ec);
}

}  // namespace

HuellaArchivo Huella(std::string_view nombre, std::string_view bytes) {
  const QByteArray digest = QCryptographicHash::hash(
      QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())), QCryptographicHash::Sha256);
  return {std::string(nombre), bytes.size(), digest.toHex().toStdString()};
}

void PreparaRegistro(db::Connection& cn) {
  if (HayTabla(cn)) return;
  auto transaccion = cn.Begin();
  // Another program may have made it while this one waited for the lock.
  if (HayTabla(cn)) return;
  CreaTabla(cn);
  const bool anterior = LeeRegistroAnterior(cn);
  transaccion.Commit();
  if (anterior) BorraRegistroAnterior();
}

ResultadoCarga CargaUnaVez(db::Connection& cn, const HuellaArchivo& huella, const std::function<bool()>& carga) {
  auto transaccion = cn.Begin();
  if (!HayTabla(cn)) CreaTabla(cn);
  db::Recordset rs(cn);
  rs.Open(std::string("SELECT COUNT(*) AS n FROM ") + kTablaCargados +
              " WHERE Sha256 = ? AND Tamano = ? AND Archivo = ? COLLATE BINARY",
          {db::Value{huella.sha256}, db::Value{static_cast<std::int64_t>(huella.tamano)}, db::Value{huella.nombre}});
  if (db::AsInteger(rs.Field("n")) > 0) return ResultadoCarga::YaCargado;
  if (!carga()) return ResultadoCarga::Rechazado;
  const QString ahora = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
  Anota(cn, huella, db::Value{ahora.toStdString()});
  transaccion.Commit();
  return ResultadoCarga::Cargado;
}

}  // namespace orvo::ftp
