#include "backup/respaldo_prueba.h"

#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <sstream>
#include <stdexcept>

#include "backup/nombres_respaldo.h"
#include "common/arranque.h"
#include "common/lanzamiento.h"
#include "platform/db/connection.h"
#include "platform/db/recordset.h"
#include "platform/process/process.h"
#include "platform/testsupport/child.h"
#include "platform/testsupport/commands.h"
#include "schema/nueva_base.h"

namespace orvo::backup::prueba {

namespace fs = std::filesystem;
using orvo::testing::WriteFile;

Prueba::Prueba() : programa(c.ProgramFolder()) {
  schema::CreaBasePrincipal("Empresa de prueba");
  fs::create_directories(programa);
}

void Prueba::Llena() {
  Sql("INSERT INTO Checadas VALUES ('2026 02 03', 125, '07:58:10')");
  Sql("INSERT INTO Listado1 VALUES ('2026 02 03', 125, '07:58:10')");
  Sql("INSERT INTO Chequeo (Fecha, Id_Emp, C1) VALUES ('2026 02 03', 1, '07:58:10')");
  Sql("INSERT INTO Personal (Id, Nombre, No_Empleado, Activo) VALUES (1, 'Ana', '125', 'S')");
  WriteFile(c.Path("Quiravel/notas.txt"), "notas\r\n");
  WriteFile(c.Path("Quiravel/Res/foto.jpg"), std::string(5000, 'f'));
  WriteFile(c.Path("Quiravel/Res/sub/dentro.txt"), "no va en el respaldo");
  WriteFile(c.Path("Quiravel/poleosInternet/p1.txt"), "p1");
  WriteFile(c.Path("Quiravel/Quira/q.txt"), "q");
  WriteFile(c.Path("Windows/ftpcnf.dll"), "ftp.ejemplo\r\nusuario\r\nclave\r\n/\r\nsitio\r\n");
  WriteFile(c.Path("Quiravel/Windows_poleos/w.txt"), "w");
}

void Prueba::Cambia() {
  Sql("INSERT INTO Checadas VALUES ('2026 02 04', 126, '08:00:00')");
  Sql("DELETE FROM Chequeo");
  WriteFile(c.Path("Quiravel/notas.txt"), "cambiadas");
  WriteFile(c.Path("Quiravel/nuevo.txt"), "no estaba");
  WriteFile(c.Path("Quiravel/Res/foto.jpg"), "otra foto");
  WriteFile(c.Path("Quiravel/Quira/q.txt"), "q cambiado");
}

void Prueba::Sql(const std::string& sql) {
  db::Connection cn;
  cn.Open(common::kCadenaConexion);
  cn.Execute(sql);
  cn.Close();
}

long Prueba::Filas(const std::string& tabla) {
  db::Connection cn;
  cn.Open(common::kCadenaConexion);
  db::Recordset rs(cn);
  rs.Open("SELECT count(*) AS n FROM " + tabla);
  const long n = static_cast<long>(db::AsInteger(rs.Field("n")));
  rs.Close();
  cn.Close();
  return n;
}

Prueba::Estado Prueba::Captura() {
  Estado estado;
  for (const auto& [ruta, bytes] : orvo::testing::ReadTree(c.Root())) {
    if (ruta.starts_with("Quiravel/orvoBackup/")) continue;
    // Databases are compared by their rows below; their bytes differ in every copy.
    if (ruta.starts_with("Quiravel/") && ruta.find('/', 9) == std::string::npos &&
        (ruta.ends_with(".mdb") || ruta.ends_with(".ldb") || ruta.ends_with("-wal") || ruta.ends_with("-shm"))) {
      continue;
    }
    estado[ruta] = bytes;
  }
  db::Connection cn;
  cn.Open(common::kCadenaConexion);
  for (const std::string& tabla : cn.TableNames()) {
    db::Recordset rs(cn);
    rs.Open("SELECT * FROM \"" + tabla + "\" ORDER BY rowid");
    std::ostringstream filas;
    for (; !rs.Eof(); rs.MoveNext()) {
      for (const std::string& campo : rs.FieldNames()) filas << db::AsText(rs.Field(campo)) << '|';
      filas << '\n';
    }
    estado["tabla " + tabla] = filas.str();
  }
  cn.Close();
  return estado;
}

std::string Prueba::Integridad() {
  db::Connection cn;
  cn.Open(common::kCadenaConexion);
  db::Recordset rs(cn);
  rs.Open("PRAGMA integrity_check");
  std::string informe;
  for (; !rs.Eof(); rs.MoveNext()) informe += db::AsText(rs.Field(rs.FieldNames().front()));
  rs.Close();
  cn.Close();
  return informe;
}

std::optional<std::string> Prueba::Crtd() const {
  const fs::path ruta = programa / "crtd";
  if (!fs::exists(ruta)) return std::nullopt;
  return orvo::testing::ReadFile(ruta);
}

void Prueba::InstalaSnapmake() const {
  fs::copy_file(SNAPMAKE_EXE, programa / "Snapmake", fs::copy_options::overwrite_existing);
}

void Prueba::FalsoSnapmake(const std::string& cuerpo) const {
  const fs::path ruta = programa / "Snapmake";
  WriteFile(ruta, "#!/bin/sh\n" + cuerpo + "\n");
  fs::permissions(ruta, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec);
}

int Prueba::RespaldoDesatendido() const {
  common::CreaMarcador(programa, common::kMarcadorSnapmake);
  orvo::testing::Child hijo = orvo::testing::Start(programa / "Snapmake", {"1"});
  const auto fin = hijo.Wait(std::chrono::minutes(2));
  if (!fin) throw std::runtime_error("Snapmake did not end");
  return *fin;
}

std::string Prueba::NuevoRespaldo() const {
  const auto antes = Respaldos();
  if (RespaldoDesatendido() != 0) return {};
  for (const std::string& nombre : Respaldos()) {
    if (EsArchivoPrincipal(nombre) && std::find(antes.begin(), antes.end(), nombre) == antes.end()) return nombre;
  }
  return {};
}

std::vector<std::string> Prueba::Respaldos() const {
  std::vector<std::string> nombres;
  if (!fs::is_directory(Respaldo())) return nombres;
  for (const auto& e : fs::directory_iterator(Respaldo())) {
    if (e.is_regular_file()) nombres.push_back(e.path().filename().string());
  }
  std::sort(nombres.begin(), nombres.end());
  return nombres;
}

std::vector<std::string> Prueba::Entradas(const fs::path& archivo) const {
  std::string salida;
  if (orvo::testing::RunCommand("unzip -Z1 " + orvo::testing::Quote(archivo), &salida) != 0) {
    throw std::runtime_error("unzip -Z1 failed: " + salida);
  }
  std::vector<std::string> nombres;
  std::istringstream lineas(salida);
  for (std::string linea; std::getline(lineas, linea);) {
    if (!linea.empty()) nombres.push_back(linea);
  }
  std::sort(nombres.begin(), nombres.end());
  return nombres;
}

}  // namespace orvo::backup::prueba
