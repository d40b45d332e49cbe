#include "maintenance/base_de_prueba.h"

#include "maintenance/programa.h"
#include "maintenance/tablas.h"
#include "platform/db/recordset.h"
#include "platform/forms/scripted_dialogs.h"
#include "schema/nueva_base.h"

namespace orvo::maintenance::prueba {

namespace {

db::Value Texto(const std::optional<std::string>& t) { return t ? db::Value{*t} : db::Value{}; }

std::string Celda(const db::Value& v) { return db::IsNull(v) ? "<null>" : db::AsText(v); }

}  // namespace

BaseDePrueba::BaseDePrueba(int recordsets) {
  schema::CreaBasePrincipal("Empresa de prueba");
  forms::ScriptedDialogs boxes;
  Arranca(bases, recordsets, boxes);
}

void BaseDePrueba::Empleado(db::Value id, const std::string& noEmpleado, db::Value tNormal,
                            std::optional<std::string> nombre, std::optional<std::string> paterno,
                            std::optional<std::string> materno, const std::string& activo) {
  bases.cn.Execute(
      "INSERT INTO Personal (Id, Nombre, A_Paterno, A_Materno, No_Empleado, T_Normal, Activo) VALUES (?,?,?,?,?,?,?)",
      {std::move(id), Texto(nombre), Texto(paterno), Texto(materno), db::Value{noEmpleado}, std::move(tNormal),
       db::Value{activo}});
}

void BaseDePrueba::Fila(const std::string& tabla, const std::string& fecha, db::Value clave,
                        const std::string& tercera) {
  db::Recordset rs(bases.cn);
  rs.Open("SELECT * FROM " + tabla + " LIMIT 0");
  const auto& c = rs.FieldNames();
  bases.cn.Execute("INSERT INTO " + tabla + " (" + c.at(0) + "," + c.at(1) + "," + c.at(2) + ") VALUES (?,?,?)",
                   {db::Value{fecha}, std::move(clave), db::Value{tercera}});
}

std::vector<std::string> BaseDePrueba::Filas(const std::string& tabla) {
  db::Recordset rs(bases.cn);
  rs.Open("SELECT * FROM " + tabla + " ORDER BY rowid");
  std::vector<std::string> filas;
  const auto& c = rs.FieldNames();
  for (; !rs.Eof(); rs.MoveNext())
    filas.push_back(Celda(rs.Field(c.at(0))) + "," + Celda(rs.Field(c.at(1))) + "," + Celda(rs.Field(c.at(2))));
  return filas;
}

std::map<std::string, std::vector<std::string>> BaseDePrueba::Estado() {
  std::map<std::string, std::vector<std::string>> estado;
  for (const char* tabla : {"Listado1", "Checadas", "Chequeo", "ChequeoF", "ChequeoExtra", "Huerfanos", "Personal"})
    if (ExisteTabla(bases.cn, tabla)) estado[tabla] = Filas(tabla);
  return estado;
}

}  // namespace orvo::maintenance::prueba
