#include "classify/ventanas.h"

#include "platform/db/error.h"
#include "platform/error.h"

namespace orvo::classify {

namespace {

constexpr std::string_view kSinSegmento = "00:00";

}  // namespace

std::string_view Etiqueta(Ranura r) {
  switch (r) {
    case Ranura::Nada: return "";
    case Ranura::Adicional: return " CHECADA ADICIONAL";
    case Ranura::Entrada1: return " ENTRADA 1";
    case Ranura::Entrada1Tarde: return " ENTRADA 1 TARDE";
    case Ranura::Entrada2: return " ENTRADA 2";
    case Ranura::Entrada2Tarde: return " ENTRADA 2 TARDE";
    case Ranura::Salida1: return " SALIDA 1";
    case Ranura::Salida2: return " SALIDA 2";
    case Ranura::Salida1Ayer: return " SALIDA 1 AYER";
    case Ranura::Entrada2Ayer: return " ENTRADA 2 AYER";
    case Ranura::Entrada2AyerTarde: return " ENTRADA 2 AYER TARDE";
    case Ranura::Salida2Ayer: return " SALIDA 2 AYER";
  }
  return "";
}

Turno Turno::SinTurno() {
  return Turno{"00:00", "00:00", "00:00", "00:00", "0", "0", "0", "0", "0", "0", "0", "0"};
}

const std::optional<std::string>& Celda::Valor() const {
  if (!fila) db::Throw(db::errc::kNoCurrentRecord);
  return valor;
}

const std::string& Celda::Lee() const { return Texto(Valor()); }

// The slots of one classifier in test order (position k is window k), which
// of them get a window, and which late window runs to the end of the day
// because the segment crosses midnight.
struct Ventanas::Plan {
  std::array<Ranura, 8> ranuras{};
  std::array<bool, 8> puesta{};
  int n = 0;
  bool entrada1TardeAlFin = false;
  bool entrada2TardeAlFin = false;

  Plan& Agrega(Ranura r, bool poner = true) {
    ranuras[static_cast<std::size_t>(n)] = r;
    puesta[static_cast<std::size_t>(n)] = poner;
    ++n;
    return *this;
  }
  Ranura En(int k) const { return ranuras[static_cast<std::size_t>(k - 1)]; }
};

namespace {

// Lower and upper bound of a slot's window. The exits' windows run up to the
// minute before the next slot's window starts, or to the end of the day when
// nothing follows them.
class Limites {
 public:
  Limites(const Turno& t, const Ayer* y, bool e1AlFin, bool e2AlFin)
      : t_(t), y_(y), e1AlFin_(e1AlFin), e2AlFin_(e2AlFin) {}

  Minutos Inferior(Ranura r) const {
    switch (r) {
      case Ranura::Entrada1: return Resta(Minuto(t_.Entrada1), EnteroCorto(t_.TolAE1));
      case Ranura::Entrada1Tarde: return Suma(Suma(Minuto(t_.Entrada1), EnteroCorto(t_.TolDE1)), 1);
      case Ranura::Entrada2: return Resta(Minuto(t_.Entrada2), EnteroCorto(t_.TolAE2));
      case Ranura::Entrada2Tarde: return Suma(Suma(Minuto(t_.Entrada2), EnteroCorto(t_.TolDE2)), 1);
      case Ranura::Salida1: return Resta(Minuto(t_.Salida1), EnteroCorto(t_.TolAS1));
      case Ranura::Salida2: return Resta(Minuto(t_.Salida2), EnteroCorto(t_.TolAS2));
      case Ranura::Salida1Ayer: return Resta(Minuto(y_->HS1.Lee()), EnteroCorto(y_->TAS1.Lee()));
      case Ranura::Entrada2Ayer: return Resta(Minuto(y_->HE2.Lee()), EnteroCorto(y_->TAE2.Lee()));
      case Ranura::Entrada2AyerTarde:
        return Suma(Suma(Minuto(y_->HE2.Lee()), EnteroCorto(y_->TDE2.Lee())), 1);
      case Ranura::Salida2Ayer: return Resta(Minuto(y_->HS2.Lee()), EnteroCorto(y_->TAS2.Lee()));
      case Ranura::Nada:
      case Ranura::Adicional: break;
    }
    return -1;
  }

  Minutos Superior(Ranura r, std::optional<Ranura> siguiente) const {
    switch (r) {
      case Ranura::Entrada1: return Suma(Minuto(t_.Entrada1), EnteroCorto(t_.TolDE1));
      case Ranura::Entrada1Tarde:
        if (e1AlFin_) return kFinDelDia;
        return Resta(Resta(Minuto(t_.Salida1), EnteroCorto(t_.TolAS1)), 1);
      case Ranura::Entrada2: return Suma(Minuto(t_.Entrada2), EnteroCorto(t_.TolDE2));
      case Ranura::Entrada2Tarde:
        if (e2AlFin_) return kFinDelDia;
        return Resta(Resta(Minuto(t_.Salida2), EnteroCorto(t_.TolAS2)), 1);
      case Ranura::Entrada2Ayer: return Suma(Minuto(y_->HE2.Lee()), EnteroCorto(y_->TDE2.Lee()));
      case Ranura::Entrada2AyerTarde:
        return Resta(Resta(Minuto(y_->HS2.Lee()), EnteroCorto(y_->TAS2.Lee())), 1);
      case Ranura::Salida1:
      case Ranura::Salida2:
      case Ranura::Salida1Ayer:
      case Ranura::Salida2Ayer:
        if (!siguiente) return kFinDelDia;
        return Resta(Inferior(*siguiente), 1);
      case Ranura::Nada:
      case Ranura::Adicional: break;
    }
    return -1;
  }

 private:
  const Turno& t_;
  const Ayer* y_;
  bool e1AlFin_, e2AlFin_;
};

}  // namespace

Ventanas::Ventanas() {
  Lim_Inferior.fill(-1);
  Lim_Superior.fill(-1);
}

void Ventanas::Reinicia(int hasta) {
  for (int k = 1; k <= hasta; ++k) {
    Lim_Inferior[static_cast<std::size_t>(k)] = -1;
    Lim_Superior[static_cast<std::size_t>(k)] = -1;
  }
}

int Ventanas::Elige(const Plan& plan, const Turno& t, const Ayer* y, std::string_view Hora) {
  const Limites limites(t, y, plan.entrada1TardeAlFin, plan.entrada2TardeAlFin);
  for (int k = 1; k <= plan.n; ++k) {
    if (!plan.puesta[static_cast<std::size_t>(k - 1)]) continue;
    std::optional<Ranura> siguiente;
    if (k < plan.n) siguiente = plan.En(k + 1);
    const auto i = static_cast<std::size_t>(k);
    Lim_Inferior[i] = limites.Inferior(plan.En(k));
    Lim_Superior[i] = limites.Superior(plan.En(k), siguiente);
  }
  const Minutos p = Minuto(Hora);
  int elegida = -1;
  for (int k = 1; k <= plan.n; ++k) {
    const auto i = static_cast<std::size_t>(k);
    if (Lim_Inferior[i] <= p && p <= Lim_Superior[i]) elegida = k;
  }
  return elegida;
}

Ranura Ventanas::Primera(const Turno& t, std::string_view Hora) {
  Reinicia(4);
  const bool conEntrada1 = t.Entrada1 != kSinSegmento;
  Plan plan;
  plan.Agrega(Ranura::Entrada1, conEntrada1).Agrega(Ranura::Entrada1Tarde, conEntrada1);
  if (t.CambioD == "0") {
    const bool dosSegmentos = t.Entrada2 != kSinSegmento;
    if (dosSegmentos) plan.Agrega(Ranura::Entrada2).Agrega(Ranura::Entrada2Tarde);
    const int k = Elige(plan, t, nullptr, Hora);
    if (k != -1) return plan.En(k);
    // A first punch past the late-entry windows is an exit.
    const Minutos p = Minuto(Hora);
    if (dosSegmentos) {
      if (p > Lim_Superior[2] && p < Lim_Superior[4]) return Ranura::Salida1;
      if (p > Lim_Superior[4]) return Ranura::Salida2;
      return Ranura::Adicional;
    }
    return p > Lim_Superior[2] ? Ranura::Salida1 : Ranura::Adicional;
  }
  if (t.CambioD == "1") {
    plan.entrada1TardeAlFin = true;
  } else if (t.CambioD == "2") {
    plan = Plan{};
    plan.Agrega(Ranura::Entrada1).Agrega(Ranura::Entrada1Tarde);
    plan.Agrega(Ranura::Entrada2).Agrega(Ranura::Entrada2Tarde);
    plan.entrada2TardeAlFin = true;
  } else {
    return Ranura::Nada;
  }
  const int k = Elige(plan, t, nullptr, Hora);
  return k == -1 ? Ranura::Adicional : plan.En(k);
}

Ranura Ventanas::Demas(const Turno& t, std::string_view Hora, const Registro& hoy) {
  Reinicia(6);
  Plan plan;
  if (t.CambioD == "0") {
    plan.Agrega(Ranura::Salida1);
    if (t.Entrada2 != kSinSegmento)
      plan.Agrega(Ranura::Entrada2).Agrega(Ranura::Entrada2Tarde).Agrega(Ranura::Salida2);
  } else if (t.CambioD == "2") {
    plan.Agrega(Ranura::Salida1).Agrega(Ranura::Entrada2).Agrega(Ranura::Entrada2Tarde);
    plan.entrada2TardeAlFin = true;
  } else if (t.CambioD != "1") {
    return Ranura::Nada;
  }
  // With "1" the exits fall on the next day: no window, every later punch is extra.
  const int k = Elige(plan, t, nullptr, Hora);
  if (k == -1) return Ranura::Adicional;
  const Ranura r = plan.En(k);
  const std::string& columna =
      r == Ranura::Salida1 ? hoy.C2 : r == Ranura::Salida2 ? hoy.C4 : hoy.C3;
  return columna == "-" ? r : Ranura::Adicional;
}

Ranura Ventanas::Primera_Roll(const Turno& t, const Ayer& y, std::string_view Hora) {
  Reinicia(7);
  const auto ayerTieneSegundo = [&]() -> std::optional<bool> {
    const auto& he2 = y.HE2.Valor();
    if (!he2) return std::nullopt;  // Null is neither "00:00" nor anything else
    return *he2 != kSinSegmento;
  };
  const auto conAyer = [&](Plan& plan, bool segundo) {
    plan.Agrega(Ranura::Salida1Ayer);
    if (segundo)
      plan.Agrega(Ranura::Entrada2Ayer).Agrega(Ranura::Entrada2AyerTarde).Agrega(Ranura::Salida2Ayer);
  };
  Plan plan;
  if (t.Entrada1 == kSinSegmento) {
    const auto segundo = ayerTieneSegundo();
    if (!segundo) return Ranura::Nada;
    conAyer(plan, *segundo);
  } else if (t.CambioD == "0" || t.CambioD == "1" || t.CambioD == "2") {
    const auto segundo = ayerTieneSegundo();
    if (!segundo) return Ranura::Nada;
    conAyer(plan, *segundo);
    plan.Agrega(Ranura::Entrada1).Agrega(Ranura::Entrada1Tarde);
    if (t.CambioD == "1") {
      plan.entrada1TardeAlFin = true;
    } else if (t.CambioD == "2") {
      plan.Agrega(Ranura::Entrada2).Agrega(Ranura::Entrada2Tarde);
      plan.entrada2TardeAlFin = true;
    } else if (t.Entrada2 != kSinSegmento) {
      plan.Agrega(Ranura::Entrada2).Agrega(Ranura::Entrada2Tarde);
    }
  } else {
    return Ranura::Nada;
  }
  const int k = Elige(plan, t, &y, Hora);
  return k == -1 ? Ranura::Adicional : plan.En(k);
}

Ranura Ventanas::Primera_Roll2(const Turno& t, const Ayer& y, std::string_view Hora) {
  Reinicia(7);
  Plan plan;
  plan.Agrega(Ranura::Salida2Ayer);
  if (t.Entrada1 == kSinSegmento) {
    // No shift today: yesterday's second exit runs to the end of the day.
  } else if (t.CambioD == "0") {
    plan.Agrega(Ranura::Entrada1).Agrega(Ranura::Entrada1Tarde);
    if (t.Entrada2 != kSinSegmento) plan.Agrega(Ranura::Entrada2).Agrega(Ranura::Entrada2Tarde);
  } else if (t.CambioD == "1") {
    plan.Agrega(Ranura::Entrada1).Agrega(Ranura::Entrada1Tarde);
    plan.entrada1TardeAlFin = true;
  } else if (t.CambioD == "2") {
    plan.Agrega(Ranura::Entrada1).Agrega(Ranura::Entrada1Tarde);
    plan.Agrega(Ranura::Entrada2).Agrega(Ranura::Entrada2Tarde);
    plan.entrada2TardeAlFin = true;
  } else {
    return Ranura::Nada;
  }
  const int k = Elige(plan, t, &y, Hora);
  return k == -1 ? Ranura::Adicional : plan.En(k);
}

}  // namespace orvo::classify
