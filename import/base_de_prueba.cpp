#include "import/base_de_prueba.h"

#include "import/programa.h"
#include "platform/db/recordset.h"
#include "platform/forms/scripted_dialogs.h"
#include "schema/nueva_base.h"

namespace orvo::importer::prueba {

namespace {

db::Value Texto(const std::optional<std::string>& t) { return t ? db::Value{*t} : db::Value{}; }

}  // namespace

BaseDePrueba::BaseDePrueba() {
  schema::CreaBasePrincipal("Empresa de prueba");
  forms::ScriptedDialogs boxes;
  if (!Arranca(bases, boxes)) throw std::runtime_error("the test database did not open");
}

void BaseDePrueba::Empleado(std::int64_t id, const std::string& noEmpleado, const std::string& activo,
                            std::optional<std::string> nombre, std::optional<std::string> paterno,
                            std::optional<std::string> materno) {
  bases.cn.Execute("INSERT INTO Personal (Id, Nombre, A_Paterno, A_Materno, No_Empleado, Activo) VALUES (?,?,?,?,?,?)",
                   {db::Value{id}, Texto(nombre), Texto(paterno), Texto(materno), db::Value{noEmpleado},
                    db::Value{activo}});
}

std::vector<Fila> BaseDePrueba::Filas(const std::string& tabla) {
  db::Recordset rs(bases.cn);
  rs.Open("SELECT Fecha, Empleado, Hora FROM " + tabla + " ORDER BY rowid");
  std::vector<Fila> filas;
  for (; !rs.Eof(); rs.MoveNext())
    filas.emplace_back(db::AsText(rs.Field("Fecha")), db::AsInteger(rs.Field("Empleado")), db::AsText(rs.Field("Hora")));
  return filas;
}

void BaseDePrueba::RegistraOrden() {
  bases.cn.Execute("CREATE TABLE OrdenPrueba (n INTEGER PRIMARY KEY AUTOINCREMENT, paso TEXT)");
  bases.cn.Execute(
      "CREATE TRIGGER OrdenListado AFTER INSERT ON Listado1 BEGIN "
      "INSERT INTO OrdenPrueba (paso) VALUES ('L ' || NEW.Empleado); END");
  bases.cn.Execute(
      "CREATE TRIGGER OrdenChecadas AFTER INSERT ON Checadas BEGIN "
      "INSERT INTO OrdenPrueba (paso) VALUES ('C ' || NEW.Empleado); END");
}

std::vector<std::string> BaseDePrueba::Orden() {
  db::Recordset rs(bases.cn);
  rs.Open("SELECT paso FROM OrdenPrueba ORDER BY n");
  std::vector<std::string> pasos;
  for (; !rs.Eof(); rs.MoveNext()) pasos.push_back(db::AsText(rs.Field("paso")));
  return pasos;
}

std::string BaseDePrueba::Archivo(const std::string& nombre, const std::string& bytes) {
  const auto ruta = c.Path("Poleo/" + nombre);
  orvo::testing::WriteFile(ruta, bytes);
  return ruta.string();
}

}  // namespace orvo::importer::prueba
