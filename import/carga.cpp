#include "import/carga.h"

#include <array>
#include <string>

#include "common/carga_checadas.h"

namespace orvo::importer {

namespace {

constexpr std::string_view kArchiva = "INSERT INTO Listado1 VALUES(?,?,?)";
constexpr std::string_view kEncola = "INSERT INTO Checadas VALUES(?,?,?)";
constexpr std::string_view kBuscaEmpleado =
    "Select id,Nombre,A_Paterno,A_Materno,No_empleado, Activo from Personal where ?= no_Empleado and Activo='S'";

using Reloj = std::chrono::steady_clock;

// Calls the caller's notice no more often than it asked for.
class Avisador {
 public:
  explicit Avisador(const Avance& avance) : avance_(avance) {}
  bool Toca() {
    if (!avance_.aviso) return false;
    const auto ahora = Reloj::now();
    if (primero_ || ahora - ultimo_ >= avance_.intervalo) {
      primero_ = false;
      ultimo_ = ahora;
      return true;
    }
    return false;
  }
  void Avisa(std::string_view estado) { avance_.aviso(estado); }

 private:
  const Avance& avance_;
  bool primero_ = true;
  Reloj::time_point ultimo_{};
};

std::array<db::Value, 3> Fila(const common::Checada& c) {
  return {db::Value{c.Fecha}, db::Value{std::int64_t{c.Empleado}}, db::Value{c.Hora}};
}

}  // namespace

std::string NombreCompleto(const db::Recordset& personal) {
  return db::AsText(personal.Field("Nombre")) + " " + db::AsText(personal.Field("A_Paterno")) + " " +
         db::AsText(personal.Field("A_Materno"));
}

Resumen CargaPoleo(common::Bases& bases, std::span<const common::Checada> checadas, const Avance& avance) {
  Resumen resumen;
  Avisador avisador(avance);
  db::Recordset& personal = bases.Rs(1);
  auto transaccion = bases.cn.Begin();
  for (const common::Checada& c : checadas) {
    const auto fila = Fila(c);
    bases.cn.Execute(kArchiva, fila);
    ++resumen.archivadas;

    if (personal.IsOpen()) personal.Close();
    personal.Open(kBuscaEmpleado, {db::Value{std::to_string(c.Empleado)}});
    const bool encontrado = personal.RecordCount() >= 1;
    if (encontrado) {
      bases.cn.Execute(kEncola, fila);
      ++resumen.encoladas;
    } else {
      ++resumen.sinAlta;
    }
    if (avisador.Toca()) avisador.Avisa(encontrado ? NombreCompleto(personal) : std::string(kNoDadoDeAlta));
  }
  transaccion.Commit();
  return resumen;
}

Resumen CargaUsb(common::Bases& bases, std::span<const common::Checada> checadas, const Avance& avance) {
  Avisador avisador(avance);
  const long cargadas = common::CargaChecadas(bases.cn, checadas, [&avisador] {
    if (avisador.Toca()) avisador.Avisa({});
  });
  return {.archivadas = cargadas, .encoladas = cargadas, .sinAlta = 0};
}

}  // namespace orvo::importer
