#include "schema/regeneracion.h"

#include <fcntl.h>
#include <stdio.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <system_error>

#include "platform/db/database.h"
#include "platform/db/database_file.h"
#include "platform/db/lock_file.h"
#include "platform/drive/drive.h"
#include "platform/error/file_error.h"
#include "platform/text/nocase.h"
#include "schema/catalogo.h"
#include "schema/estructura.h"

namespace orvo::schema {
namespace fs = std::filesystem;
namespace {

// Moves the files of `origen` (matching `extension`, or all when empty) into
// `destino`, one by one. A name already taken there keeps that file where it
// is: nothing is ever overwritten.
void MueveArchivos(const fs::path& origen, const fs::path& destino, std::string_view extension) {
  std::error_code ec;
  if (!fs::is_directory(origen, ec)) return;
  for (fs::directory_iterator it(origen, ec), end; !ec && it != end; it.increment(ec)) {
    if (!it->is_regular_file(ec)) continue;
    std::string nombre = it->path().filename().string();
    if (!extension.empty() && text::FoldCase(it->path().extension().string()) != extension) continue;
    fs::path nuevo = destino / nombre;
    if (!drive::FindIgnoringCase(destino, nombre).empty()) continue;
    if (renameat2(AT_FDCWD, it->path().c_str(), AT_FDCWD, nuevo.c_str(), RENAME_NOREPLACE) == 0) continue;
    if (errno == EXDEV) {
      std::error_code copia;
      if (fs::copy_file(it->path(), nuevo, fs::copy_options::none, copia)) fs::remove(it->path(), copia);
    }
  }
}

void Espera(Esperado& e, bool aux, std::string_view tabla, std::string_view columna = {}) {
  e.items.push_back({aux, std::string(tabla), std::string(columna)});
}

// The create-or-check pass over one database's tables.
void Pasada(Base base, Esperado& esperado, common::Bases* bases) {
  const bool aux = base == Base::Auxiliar;
  const char* ruta = aux ? kBaseAuxiliar : kBasePrincipal;
  auto existe = [&](std::string_view t) { return aux ? atableExists(ruta, t) : tableExists(ruta, t); };
  auto columna = [&](std::string_view t, std::string_view c) { return aux ? aFieldExists(ruta, t, c) : FieldExists(ruta, t, c); };

  auto revisa = [&](std::string_view tabla) {
    for (const Columna& c : Catalogo()) {
      if (c.base != base || c.tabla != tabla || !(c.listas & Actualizacion)) continue;
      if (!columna(tabla, c.nombre)) {
        auto agrega = aux ? aAgregaCampoTabla : AgregaCampoTabla;
        agrega(ruta, tabla, c.nombre, CtipoDe(c.tipo), c.tam, c.zero ? -1 : 0, static_cast<std::int16_t>(c.defa));
      }
      Espera(esperado, aux, tabla, c.nombre);
    }
  };
  auto creadas = [&](std::string_view tabla) {
    Espera(esperado, aux, tabla);
    for (const Columna& c : Catalogo()) {
      if (c.base == base && c.tabla == tabla && (c.listas & Creador)) Espera(esperado, aux, tabla, c.nombre);
    }
  };

  for (const Tabla& t : Tablas(base)) {
    if (!TienePruebaPropia(t)) continue;  // checked with the table whose creator makes it
    // Tables that the same creator makes besides this one.
    std::vector<const Tabla*> companeras;
    for (const Tabla& o : Tablas(base)) {
      if (&o != &t && !o.creador.empty() && o.creador == t.creador && !TienePruebaPropia(o)) companeras.push_back(&o);
    }
    if (!existe(t.nombre)) {
      if (!t.creador.empty()) {
        Crea(t.creador);
        creadas(t.nombre);
        for (const Tabla* o : companeras) creadas(o->nombre);
      }
    } else {
      Espera(esperado, aux, t.nombre);
      revisa(t.nombre);
      for (const Tabla* o : companeras) {
        // A companion table missing on its own is made, not left absent.
        if (!existe(o->nombre)) {
          Crea(t.creador);
          creadas(o->nombre);
        } else {
          Espera(esperado, aux, o->nombre);
          revisa(o->nombre);
        }
      }
    }
    if (!aux && t.nombre == "Empresarial" && bases) {
      // The acceptance sentence goes into the first company row when it has none.
      db::Recordset& rs = bases->Rs(1);
      if (rs.IsOpen()) rs.Close();
      if (tableExists(ruta, "Empresarial")) {
        rs.Open("Select * from Empresarial ORDER BY rowid");
        if (rs.RecordCount() >= 1 && rs.HasField("TFirma") && db::IsNull(rs.Field("TFirma"))) {
          rs.SetField("TFirma", std::string(kFirma));
          rs.Update();
        }
      }
    }
  }
}

// Plain indexes for the lookups the programs make on large tables. They
// change no result: every "first row" read orders by rowid.
void CreaIndices(db::Connection& cn) {
  struct Indice {
    const char* tabla;
    std::vector<const char*> columnas;
  };
  const Indice indices[] = {
      {"Personal", {"No_Empleado"}}, {"Personal", {"Id"}},         {"Chequeo", {"Id_Emp", "Fecha"}},
      {"Turnos", {"Id_Turno", "Dia"}}, {"Turnos_Tol", {"Id_Turno", "Dia"}}, {"Listado1", {"Fecha"}},
      {"Checadas", {"Fecha"}},       {"ChequeoExtra", {"Id_Emp", "Fecha"}}, {"ChequeoF", {"Id_Emp", "Fecha"}},
      {"Huerfanos", {"Id_Emp"}},
  };
  auto base = db::Database::Open(kBasePrincipal, kConectaPrincipal);
  for (const Indice& i : indices) {
    auto t = base.FindTable(i.tabla);
    if (!t) continue;
    std::string nombre = std::string("ix_") + i.tabla, lista;
    bool completa = true;
    for (const char* c : i.columnas) {
      const db::Field* f = t->FindField(c);
      if (!f) completa = false;
      nombre += std::string("_") + c;
      lista += (lista.empty() ? "\"" : ", \"") + (f ? f->name : std::string(c)) + "\"";
    }
    if (completa) cn.Execute("CREATE INDEX IF NOT EXISTS \"" + nombre + "\" ON \"" + t->name + "\" (" + lista + ")");
  }
}

// Deletes the auxiliary file, but never under another program that is using
// it: Windows refused to delete an open file, and the run stopped there.
void BorraAuxiliar() {
  fs::path file = db::ResolvePath(kBaseAuxiliar);
  std::error_code ec;
  if (!fs::exists(fs::symlink_status(file, ec))) return;
  db::ExclusiveUse solo(kBaseAuxiliar);  // held until the file is gone
  if (!solo.Taken()) throw err::FileInUse(kBaseAuxiliar);
  if (!fs::remove(file, ec) && ec) throw err::FileError(ec, kBaseAuxiliar);
  // A log left by a program that ended abruptly would be replayed into the new file.
  // The lock file stays: another program may be about to take it.
  for (const fs::path& companion : db::CompanionFiles(file)) {
    if (!db::IsLockFile(companion)) fs::remove(companion, ec);
  }
}

}  // namespace

void ReubicaArchivos() {
  fs::path quira = drive::Map("C:\\Quiravel\\Quira");
  fs::path poleos = drive::Map("C:\\Quiravel\\Windows_poleos");
  fs::create_directories(quira);
  fs::create_directories(poleos);
  MueveArchivos(drive::Map("C:\\Quira"), quira, ".ipl");
  MueveArchivos(drive::Map("C:\\Windows\\poleos"), poleos, "");
}

void DepuraPersonal(common::Bases& bases) {
  auto base = db::Database::Open(kBasePrincipal, kConectaPrincipal);
  auto personal = base.FindTable("Personal");
  if (!personal || !personal->FindField("Activo")) return;

  db::Recordset& rs = bases.Rs(1);
  if (rs.IsOpen()) rs.Close();
  rs.Open("SELECT rowid AS fila FROM personal WHERE Activo='N' ORDER BY rowid");
  std::vector<std::int64_t> filas;
  for (; !rs.Eof(); rs.MoveNext()) filas.push_back(db::AsInteger(rs.Field("fila")));
  rs.Close();
  if (filas.empty()) return;

  // eliminados gets every column of Personal, so no archived value is lost.
  auto eliminados = base.FindTable("eliminados");
  if (!eliminados) {
    base.Append({"eliminados", personal->fields});
    eliminados = base.FindTable("eliminados");
  }
  for (const db::Field& f : personal->fields) {
    if (!eliminados->FindField(f.name)) base.AppendField(eliminados->name, f);
  }
  std::string columnas;
  for (const db::Field& f : personal->fields) columnas += (columnas.empty() ? "\"" : ", \"") + f.name + "\"";
  base.Close();

  const std::string copia = "INSERT INTO \"" + eliminados->name + "\" (" + columnas + ") SELECT " + columnas +
                            " FROM \"" + personal->name + "\" WHERE rowid = ?";
  const std::string borra = "DELETE FROM \"" + personal->name + "\" WHERE rowid = ?";
  for (std::int64_t fila : filas) {
    auto t = bases.cn.Begin();
    bases.cn.Execute(copia, {db::Value(fila)});
    bases.cn.Execute(borra, {db::Value(fila)});
    t.Commit();
  }
}

Esperado ActualizaEstructura(common::Bases& bases) {
  Esperado esperado;
  BorraAuxiliar();
  Pasada(Base::Principal, esperado, &bases);
  CreaIndices(bases.cn);
  std::error_code ec;
  if (!fs::exists(db::ResolvePath(kBaseAuxiliar), ec)) Crea_Auxiliar(kBaseAuxiliar);
  Pasada(Base::Auxiliar, esperado, nullptr);
  return esperado;
}

void CompletaDatos(common::Bases& bases) {
  bases.cn.Execute("UPDATE confRET SET id=1 WHERE id IS NULL");
  db::Recordset& faltan = bases.Rs(2);
  db::Recordset& ret = bases.Rs(3);
  if (faltan.IsOpen()) faltan.Close();
  if (ret.IsOpen()) ret.Close();
  // NOT EXISTS, since one Null numEmp would empty a NOT IN list. An employee
  // without a number (Null or '') is left out: numEmp cannot take it, and one
  // such row would stop every later run here.
  faltan.Open(
      "SELECT No_Empleado FROM personal WHERE No_Empleado IS NOT NULL AND No_Empleado <> '' AND NOT EXISTS "
      "(SELECT 1 FROM personalRet WHERE personalRet.numEmp = personal.No_Empleado) ORDER BY rowid");
  ret.Open("SELECT * FROM personalRet");
  long n = faltan.RecordCount();
  for (long i = 1; i <= n; ++i) {
    ret.AddNew();
    ret.SetField("numEmp", faltan.Field("No_Empleado"));
    ret.SetField("idConfRet", std::int64_t{1});
    ret.Update();
    faltan.MoveNext();
  }
  db::Recordset& pt = bases.Rs(1);
  if (pt.IsOpen()) pt.Close();
  pt.Open("Select * from confPT");
  if (pt.RecordCount() < 1) bases.cn.Execute("INSERT INTO confPT VALUES('NO')");
}

std::vector<std::string> Faltantes(const Esperado& esperado) {
  std::vector<std::string> faltan;
  std::set<std::string> vistos;
  for (bool aux : {false, true}) {
    std::optional<db::Database> base;
    try {
      base = aux ? db::Database::Open(kBaseAuxiliar) : db::Database::Open(kBasePrincipal, kConectaPrincipal);
    } catch (const db::Error&) {
    }
    const std::string sufijo = aux ? " (auxiliar)" : "";
    for (const Esperado::Item& i : esperado.items) {
      if (i.auxiliar != aux) continue;
      std::optional<db::TableDef> t;
      if (base) t = base->FindTable(i.tabla);
      // A missing table is named once, without its columns.
      std::string nombre;
      if (!t) nombre = i.tabla + sufijo;
      else if (!i.columna.empty() && !t->FindField(i.columna)) nombre = i.tabla + "." + i.columna + sufijo;
      if (!nombre.empty() && vistos.insert(nombre).second) faltan.push_back(nombre);
    }
  }
  return faltan;
}

}  // namespace orvo::schema
