#include "tools/screenshots/muestra.h"

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <stdexcept>
#include <string>
#include <tuple>

#include "common/arranque.h"
#include "common/lanzamiento.h"
#include "platform/db/connection.h"
#include "schema/nueva_base.h"

namespace orvo::screenshots {
namespace fs = std::filesystem;

namespace {

void Escribe(const fs::path& ruta, const std::string& bytes) {
  fs::create_directories(ruta.parent_path());
  std::ofstream(ruta, std::ios::binary) << bytes;
}

void Llena(db::Connection& cn) {
  using V = db::Value;
  using T = std::string;
  // Raúl's normal shift (9) no longer exists; María is on the flexible shift (0).
  for (const auto& [id, numero, nombre, paterno, materno, turno] :
       {std::tuple{1, "125", "Ana", "Ruiz", "López", 1}, std::tuple{2, "130", "Jorge", "Peña", "Ibáñez", 1},
        std::tuple{3, "142", "María", "Olvera", "Sáenz", 0}, std::tuple{4, "157", "Raúl", "Muñoz", "Garza", 9}}) {
    cn.Execute("INSERT INTO Personal (Id, No_Empleado, Nombre, A_Paterno, A_Materno, Departamento, Activo, "
               "T_Normal, Fecha_Ingreso) VALUES (?,?,?,?,?,?,?,?,?)",
               {V{std::int64_t{id}}, V{T(numero)}, V{T(nombre)}, V{T(paterno)}, V{T(materno)}, V{std::int64_t{1}},
                V{T("S")}, V{std::int64_t{turno}}, V{T("2009 01 12")}});
  }
  for (const char* dia : {"LUNES", "MARTES", "MIERCOLES", "JUEVES", "VIERNES", "SABADO", "DOMINGO"}) {
    cn.Execute("INSERT INTO Turnos (Id_Turno, Nombre, Dia, HE1, HS1, HE2, HS2, Tol, RollDay) VALUES (?,?,?,?,?,?,?,?,?)",
               {V{std::int64_t{1}}, V{T("Matutino")}, V{T(dia)}, V{T("08:00")}, V{T("13:00")}, V{T("14:00")},
                V{T("17:00")}, V{std::int64_t{10}}, V{std::int64_t{0}}});
  }
  for (const auto& [fecha, empleado, hora] :
       {std::tuple{"2010 05 03", 125, "07:58:10"}, std::tuple{"2010 05 03", 130, "08:04:51"},
        std::tuple{"2010 05 03", 125, "13:01:02"}, std::tuple{"2010 05 04", 142, "07:55:40"},
        std::tuple{"2010 05 04", 130, "08:00:12"}}) {
    cn.Execute("INSERT INTO Listado1 (Fecha, Empleado, Hora) VALUES (?,?,?)",
               {V{T(fecha)}, V{std::int64_t{empleado}}, V{T(hora)}});
  }
  // Punches of 142 set aside before María was registered; 188 is still unknown.
  for (const auto& [fecha, empleado, hora] :
       {std::tuple{"2010 04 30", 142, "07:57:03"}, std::tuple{"2010 04 30", 188, "08:10:00"}}) {
    cn.Execute("INSERT INTO Huerfanos (Fecha, Id_Emp, Hora) VALUES (?,?,?)",
               {V{T(fecha)}, V{std::int64_t{empleado}}, V{T(hora)}});
  }
}

}  // namespace

Muestra::Muestra() {
  std::string plantilla = (fs::temp_directory_path() / "orvo-muestra-XXXXXX").string();
  if (::mkdtemp(plantilla.data()) == nullptr) throw std::runtime_error("no temporary folder: " + plantilla);
  raiz_ = plantilla;
  ::setenv("ORVO_DRIVE_C", raiz_.c_str(), 1);

  schema::CreaBasePrincipal("Talleres Ruiz");
  {
    db::Connection cn;
    cn.Open(common::kCadenaConexion);
    Llena(cn);
  }
  Escribe(ArchivoPoleo(), "2010 05 05,125,07:59:30\r\n2010 05 05,130,08:02:11\r\n2010 05 05,142,07:56:45\r\n");
  Escribe(ArchivoUsb(),
          "      125 2010 05 05 07:59:30\r\n      130 2010 05 05 08:02:11\r\n      142 2010 05 05 07:56:45\r\n");
  fs::create_directories(CarpetaPrograma());
  for (std::string_view marcador : {common::kMarcadorLinkset, common::kMarcadorRelevo, common::kMarcadorSnapmake,
                                    common::kMarcadorSnapload}) {
    common::CreaMarcador(CarpetaPrograma(), marcador);
  }
}

Muestra::~Muestra() {
  std::error_code ec;
  fs::remove_all(raiz_, ec);
}

}  // namespace orvo::screenshots
