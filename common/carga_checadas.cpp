#include "common/carga_checadas.h"

#include <array>

namespace orvo::common {

long CargaChecadas(db::Connection& cn, std::span<const Checada> checadas, const std::function<void()>& tras) {
  auto transaccion = cn.Begin();
  long cargadas = 0;
  for (const Checada& c : checadas) {
    const std::array<db::Value, 3> fila = {db::Value{c.Fecha}, db::Value{std::int64_t{c.Empleado}},
                                           db::Value{c.Hora}};
    cn.Execute("INSERT INTO Checadas VALUES(?,?,?)", fila);
    cn.Execute("INSERT INTO Listado1 VALUES(?,?,?)", fila);
    ++cargadas;
    if (tras) tras();
  }
  transaccion.Commit();
  return cargadas;
}

std::string MensajeSinAbrir(std::string_view archivo) {
  return "No se pudo abrir el archivo:\n\n" + std::string(archivo);
}

std::string MensajeLineaMala(const ErrorLinea& error, std::string_view archivo, std::string_view nota) {
  std::string mensaje = "La línea " + std::to_string(error.linea) + " del archivo";
  if (!archivo.empty()) mensaje.append(" ").append(archivo);
  mensaje += " no tiene el formato apropiado (" + TextoError(error) + "):\n\n" + LineaCitada(error) +
             "\n\nNo se cargó ningún registro del archivo";
  mensaje.append(nota).append(".");
  return mensaje;
}

}  // namespace orvo::common
