#include "classify/clasificador.h"

#include <array>
#include <charconv>
#include <cstdint>
#include <optional>
#include <utility>

#include "classify/minutos.h"
#include "classify/ventanas.h"
#include "common/fecha_hora.h"
#include "common/texto_externo.h"
#include "platform/db/error.h"
#include "platform/db/recordset.h"
#include "platform/db/value.h"
#include "platform/error.h"

namespace orvo::classify {

using common::SinBlancos;

namespace {

using db::Value;
using Destino = Resultado::Destino;

// Constant texts with bound values, so each is prepared once per connection.
// Where a row is read it is the first one, so the duplicates nothing prevents
// resolve the same way under any index.
constexpr std::string_view kEmpleado = "Select * from Personal where ID=? ORDER BY rowid";
constexpr std::string_view kTurnos = "Select * from Turnos where ID_TURNO=?";
constexpr std::string_view kTurnoDia = "Select * from Turnos where ID_TURNO=? and Dia=? ORDER BY rowid";
constexpr std::string_view kToleranciaDia = "Select * from Turnos_Tol where ID_TURNO=? and Dia=? ORDER BY rowid";
constexpr std::string_view kChequeo = "Select * from Chequeo where Id_Emp=? and Fecha=? ORDER BY rowid";
constexpr std::string_view kInsertaF = "Insert into ChequeoF values(?,?,?)";
constexpr std::string_view kInsertaExtra = "Insert into ChequeoExtra values(?,?,?)";
constexpr std::string_view kInsertaChequeo = "Insert into Chequeo values(?,?,?,?,?,?,?)";
constexpr std::string_view kPoneC2 = "Update Chequeo set C2=? where Fecha=? and Id_Emp=?";
constexpr std::string_view kPoneC3 = "Update Chequeo set C3=? where Fecha=? and Id_Emp=?";
constexpr std::string_view kPoneC3Tarde = "Update Chequeo set C3=?,Diferencia=? where Fecha=? and Id_Emp=?";
constexpr std::string_view kPoneC4 = "Update Chequeo set C4=? where Fecha=? and Id_Emp=?";

// Which shared recordset holds which rows during one invocation. The
// classifiers read the employee and the day's record where the entry left them.
enum Rs : int {
  kRsEmpleado = 1,
  kRsTurnos = 2,
  kRsChequeo = 3,     // the day's record; yesterday's in the roll-over classifiers
  kRsTurnoAyer = 4,
  kRsTurnoHoy = 5,
  kRsToleranciaHoy = 6,
  kRsToleranciaAyer = 7,
};
constexpr int kRecordsets = 8;

std::int64_t ClaveEmpleado(std::string_view EnrollName) {
  const std::string_view t = SinBlancos(EnrollName);
  std::int64_t id = 0;
  const auto [fin, ec] = std::from_chars(t.data(), t.data() + t.size(), id);
  if (t.empty() || ec != std::errc() || fin != t.data() + t.size())
    throw RuntimeError(13, "No coinciden los tipos ('" + std::string(EnrollName) + "')");
  return id;
}

// Yesterday's weekday name as the shift rows store it, from today's.
std::string DiaDeAyer(std::string_view hoy) {
  static constexpr std::array<std::pair<std::string_view, std::string_view>, 7> kAyer = {{
      {"LUNES", "DOMINGO"},
      {"MARTES", "LUNES"},
      {"MIÉRCOLES", "MARTES"},
      {"JUEVES", "MIÉRCOLES"},
      {"VIERNES", "JUEVES"},
      {"SÁBADO", "VIERNES"},
      {"DOMINGO", "SÁBADO"},
  }};
  for (const auto& [dia, ayer] : kAyer)
    if (dia == hoy) return std::string(ayer);
  return {};
}

std::optional<std::string> Columna(const db::Recordset& rs, std::string_view nombre) {
  const Value& v = rs.Field(nombre);
  if (db::IsNull(v)) return std::nullopt;
  return db::AsText(v);
}

Celda CeldaDe(const db::Recordset& rs, std::string_view nombre) {
  if (rs.RecordCount() < 1) return Celda::SinFila();
  return Celda{true, Columna(rs, nombre)};
}

std::string Quita(std::string_view etiqueta) { return std::string(SinBlancos(etiqueta)); }

class Clasificacion {
 public:
  Clasificacion(common::Bases& bases, std::string_view Fecha, std::string_view Hora)
      : bases_(bases), fecha_(SinBlancos(Fecha)), hora_(Hora) {}

  Resultado Corre(std::int64_t clave) {
    db::Recordset& empleado = Consulta(kRsEmpleado, kEmpleado, {Value{clave}});
    if (empleado.RecordCount() < 1) return Nada("no existe el empleado " + std::to_string(clave));
    id_ = empleado.Field("Id");
    turno_ = empleado.Field("T_Normal");
    if (db::IsNull(turno_) || db::AsInteger(turno_) == 0) {
      bases_.cn.Execute(kInsertaF, {Value{fecha_}, id_, Value{std::string(hora_)}});
      return {Destino::Flexible, "turno flexible: ChequeoF"};
    }
    if (Consulta(kRsTurnos, kTurnos, {turno_}).RecordCount() < 1)
      return Nada("el turno " + db::AsText(turno_) + " no tiene filas en Turnos");

    const auto fecha = common::LeeFechaTexto(fecha_);
    hoy_ = fecha ? common::DiaSemana(*fecha) : std::string();
    if (Consulta(kRsChequeo, kChequeo, {id_, Value{fecha_}}).RecordCount() < 1) return PrimeraDelDia();
    return Posterior();
  }

 private:
  db::Recordset& Consulta(int n, std::string_view sql, std::initializer_list<Value> params) {
    db::Recordset& rs = bases_.Rs(n);
    if (rs.IsOpen()) rs.Close();
    rs.Open(sql, params);
    return rs;
  }

  static Resultado Nada(std::string porQue) { return {Destino::Nada, "nada escrito: " + porQue}; }

  Resultado Extra(std::string detalle = "CHECADA ADICIONAL") {
    bases_.cn.Execute(kInsertaExtra, {Value{fecha_}, id_, Value{std::string(hora_)}});
    return {Destino::Extra, std::move(detalle)};
  }

  // Today's shift row and tolerances as the twelve values of a classifier. A
  // day without a tolerance row counts no tolerance, for first and later
  // punches alike.
  Turno TurnoDeHoy() {
    const db::Recordset& fila = bases_.Rs(kRsTurnoHoy);
    const db::Recordset& tol = bases_.Rs(kRsToleranciaHoy);
    Turno t = Turno::SinTurno();
    t.Entrada1 = Texto(Columna(fila, "HE1"));
    t.Salida1 = Texto(Columna(fila, "HS1"));
    t.Entrada2 = Texto(Columna(fila, "HE2"));
    t.Salida2 = Texto(Columna(fila, "HS2"));
    t.Tolerancia = Texto(Columna(fila, "Tol"));
    t.CambioD = Texto(Columna(fila, "RollDay"));
    if (tol.RecordCount() >= 1) {
      t.TolAE1 = Texto(Columna(tol, "TAE1"));
      t.TolDE1 = Texto(Columna(tol, "TDE1"));
      t.TolAS1 = Texto(Columna(tol, "TAS1"));
      t.TolAE2 = Texto(Columna(tol, "TAE2"));
      t.TolDE2 = Texto(Columna(tol, "TDE2"));
      t.TolAS2 = Texto(Columna(tol, "TAS2"));
    }
    return t;
  }

  void ConsultaHoy() {
    Consulta(kRsTurnoHoy, kTurnoDia, {turno_, Value{hoy_}});
    Consulta(kRsToleranciaHoy, kToleranciaDia, {turno_, Value{hoy_}});
  }

  Resultado PrimeraDelDia() {
    ayer_ = DiaDeAyer(hoy_);
    const db::Recordset& turnoAyer = Consulta(kRsTurnoAyer, kTurnoDia, {turno_, Value{ayer_}});
    std::optional<Minutos> cambio = 0;
    if (turnoAyer.RecordCount() >= 1) {
      const auto rollDay = Columna(turnoAyer, "RollDay");
      cambio = rollDay ? std::optional<Minutos>(EnteroCorto(*rollDay)) : std::nullopt;
    }
    ConsultaHoy();
    const bool hayTurno = bases_.Rs(kRsTurnoHoy).RecordCount() >= 1;
    if (!cambio) return Nada("el turno de ayer no tiene RollDay");
    switch (*cambio) {
      case 0:
        if (!hayTurno) return Extra("CHECADA ADICIONAL (sin turno hoy)");
        {
          const Turno t = TurnoDeHoy();
          return Hoy(ventanas_.Primera(t, hora_), t);
        }
      case 1:
      case 2: {
        const Turno t = hayTurno ? TurnoDeHoy() : Turno::SinTurno();
        const Ayer y = LeeAyer();
        const Ranura r = *cambio == 1 ? ventanas_.Primera_Roll(t, y, hora_) : ventanas_.Primera_Roll2(t, y, hora_);
        if (r == Ranura::Nada) {
          if (t.CambioD == "0" || t.CambioD == "1" || t.CambioD == "2" || t.Entrada1 == "00:00")
            return Nada("el segundo segmento de ayer no tiene valor");
          return Nada("RollDay de hoy no reconocido: '" + t.CambioD + "'");
        }
        if (r == Ranura::Salida1Ayer || r == Ranura::Entrada2Ayer || r == Ranura::Entrada2AyerTarde ||
            r == Ranura::Salida2Ayer)
          return DeAyer(r, y);
        return Hoy(r, t);
      }
      default:
        return Nada("RollDay de ayer no reconocido: " + std::to_string(*cambio));
    }
  }

  Ayer LeeAyer() {
    const db::Recordset& fila = Consulta(kRsTurnoAyer, kTurnoDia, {turno_, Value{std::string(SinBlancos(ayer_))}});
    const db::Recordset& tol =
        Consulta(kRsToleranciaAyer, kToleranciaDia, {turno_, Value{std::string(SinBlancos(ayer_))}});
    return Ayer{CeldaDe(fila, "HS1"), CeldaDe(fila, "HE2"),  CeldaDe(fila, "HS2"), CeldaDe(tol, "TAS1"),
                CeldaDe(tol, "TAE2"), CeldaDe(tol, "TDE2"), CeldaDe(tol, "TAS2")};
  }

  // A first punch that starts today's record (or fits nothing).
  Resultado Hoy(Ranura r, const Turno& t) {
    const Value guion{std::string("-")};
    const Value hora{std::string(hora_)};
    const Value fecha{fecha_};
    const auto inserta = [&](Value c1, Value c2, Value c3, Value c4, std::string diferencia) {
      bases_.cn.Execute(kInsertaChequeo, {fecha, id_, std::move(c1), std::move(c2), std::move(c3), std::move(c4),
                                          Value{std::move(diferencia)}});
    };
    switch (r) {
      case Ranura::Entrada1:
        inserta(hora, guion, guion, guion, "00:00");
        return {Destino::C1, Quita(Etiqueta(r))};
      case Ranura::Entrada1Tarde: {
        std::string retardo = Saca_Diferencia(hora_, t.Entrada1, "00:00");
        inserta(hora, guion, guion, guion, retardo);
        return {Destino::C1, Quita(Etiqueta(r)) + ", retardo " + retardo};
      }
      case Ranura::Entrada2:
        inserta(guion, guion, hora, guion, "00:00");
        return {Destino::C3, Quita(Etiqueta(r))};
      case Ranura::Entrada2Tarde: {
        std::string retardo = Saca_Diferencia(hora_, t.Entrada2, "00:00");
        inserta(guion, guion, hora, guion, retardo);
        return {Destino::C3, Quita(Etiqueta(r)) + ", retardo " + retardo};
      }
      case Ranura::Salida1:
        inserta(guion, hora, guion, guion, "00:00");
        return {Destino::C2, Quita(Etiqueta(r))};
      case Ranura::Salida2:
        inserta(guion, guion, guion, hora, "00:00");
        return {Destino::C4, Quita(Etiqueta(r))};
      case Ranura::Adicional: return Extra();
      case Ranura::Nada: break;
      default: break;
    }
    return Nada("RollDay de hoy no reconocido: '" + t.CambioD + "'");
  }

  // A first punch that belongs to the rest of yesterday's shift.
  Resultado DeAyer(Ranura r, const Ayer& y) {
    const auto anterior = common::DiaAnterior(fecha_);
    if (!anterior) throw RuntimeError(13, "No coinciden los tipos ('" + fecha_ + "' no es una fecha)");
    const Value fechaAyer{*anterior};
    if (Consulta(kRsChequeo, kChequeo, {id_, fechaAyer}).RecordCount() < 1) {
      const Value guion{std::string("-")};
      bases_.cn.Execute(kInsertaChequeo, {fechaAyer, id_, guion, guion, guion, guion, Value{std::string("00:00")}});
    }
    bases_.Rs(kRsChequeo).Close();
    const db::Recordset& registro = Consulta(kRsChequeo, kChequeo, {id_, fechaAyer});
    const std::string_view columna =
        r == Ranura::Salida1Ayer ? "C2" : r == Ranura::Salida2Ayer ? "C4" : "C3";
    const std::string etiqueta = Quita(Etiqueta(r));
    if (db::AsText(registro.Field(columna)) != "-")
      return Extra("CHECADA ADICIONAL (" + etiqueta + " ya registrada)");
    const Value hora{std::string(hora_)};
    const std::string sufijo = " (" + *anterior + ")";
    switch (r) {
      case Ranura::Salida1Ayer:
        bases_.cn.Execute(kPoneC2, {hora, fechaAyer, id_});
        return {Destino::C2Ayer, etiqueta + sufijo};
      case Ranura::Entrada2Ayer:
        bases_.cn.Execute(kPoneC3, {hora, fechaAyer, id_});
        return {Destino::C3Ayer, etiqueta + sufijo};
      case Ranura::Entrada2AyerTarde: {
        std::string retardo = Saca_Diferencia(hora_, y.HE2.Lee(), Texto(Columna(registro, "Diferencia")));
        bases_.cn.Execute(kPoneC3Tarde, {hora, Value{retardo}, fechaAyer, id_});
        return {Destino::C3Ayer, etiqueta + sufijo + ", retardo " + retardo};
      }
      default:
        bases_.cn.Execute(kPoneC4, {hora, fechaAyer, id_});
        return {Destino::C4Ayer, etiqueta + sufijo};
    }
  }

  // A punch of a day whose record exists.
  Resultado Posterior() {
    if (hoy_.empty()) return Nada("día de la semana no reconocido en '" + fecha_ + "'");
    ConsultaHoy();
    if (bases_.Rs(kRsTurnoHoy).RecordCount() < 1) return Extra("CHECADA ADICIONAL (sin turno hoy)");
    const Turno t = TurnoDeHoy();
    const db::Recordset& hoy = bases_.Rs(kRsChequeo);
    const Registro registro{db::AsText(hoy.Field("C2")), db::AsText(hoy.Field("C3")), db::AsText(hoy.Field("C4"))};
    const Ranura r = ventanas_.Demas(t, hora_, registro);
    const Value hora{std::string(hora_)};
    const Value fecha{fecha_};
    const std::string etiqueta = Quita(Etiqueta(r));
    switch (r) {
      case Ranura::Salida1:
        bases_.cn.Execute(kPoneC2, {hora, fecha, id_});
        return {Destino::C2, etiqueta};
      case Ranura::Entrada2:
        bases_.cn.Execute(kPoneC3, {hora, fecha, id_});
        return {Destino::C3, etiqueta};
      case Ranura::Entrada2Tarde: {
        std::string retardo = Saca_Diferencia(hora_, t.Entrada2, Texto(Columna(hoy, "Diferencia")));
        bases_.cn.Execute(kPoneC3Tarde, {hora, Value{retardo}, fecha, id_});
        return {Destino::C3, etiqueta + ", retardo " + retardo};
      }
      case Ranura::Salida2:
        bases_.cn.Execute(kPoneC4, {hora, fecha, id_});
        return {Destino::C4, etiqueta};
      case Ranura::Adicional: return Extra();
      default: break;
    }
    return Nada("RollDay de hoy no reconocido: '" + t.CambioD + "'");
  }

  common::Bases& bases_;
  const std::string fecha_;
  const std::string_view hora_;
  Value id_;
  Value turno_;
  std::string hoy_;
  std::string ayer_;
  Ventanas ventanas_;
};

}  // namespace

Resultado Busca_Empleado(common::Bases& bases, std::string_view EnrollName, std::string_view Fecha,
                         std::string_view Hora) {
  if (!bases.cn.IsOpen() || bases.rs.size() < kRecordsets)
    db::Throw(db::errc::kObjectClosed);
  const std::int64_t clave = ClaveEmpleado(EnrollName);
  auto transaccion = bases.cn.Begin();
  Resultado r = Clasificacion(bases, Fecha, Hora).Corre(clave);
  transaccion.Commit();
  return r;
}

std::string_view NombreDestino(Resultado::Destino destino) {
  switch (destino) {
    case Destino::Nada: return "NADA";
    case Destino::C1: return "C1";
    case Destino::C2: return "C2";
    case Destino::C3: return "C3";
    case Destino::C4: return "C4";
    case Destino::C2Ayer: return "C2 AYER";
    case Destino::C3Ayer: return "C3 AYER";
    case Destino::C4Ayer: return "C4 AYER";
    case Destino::Extra: return "EXTRA";
    case Destino::Flexible: return "FLEXIBLE";
  }
  return "NADA";
}

}  // namespace orvo::classify
