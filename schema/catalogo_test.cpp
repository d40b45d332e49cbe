#include "schema/catalogo.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "platform/text/nocase.h"

namespace orvo::schema {
namespace {

std::vector<Columna> Lista(Base base, std::string_view tabla, unsigned lista) {
  std::vector<Columna> r;
  for (const Columna& c : Catalogo())
    if (c.base == base && c.tabla == tabla && (c.listas & lista)) r.push_back(c);
  return r;
}

std::optional<Columna> Busca(Base base, std::string_view tabla, std::string_view nombre,
                             unsigned lista) {
  for (const Columna& c : Lista(base, tabla, lista))
    if (c.nombre == nombre) return c;
  return std::nullopt;
}

int Cuenta(Base base, unsigned lista, std::string_view excepto = "") {
  int n = 0;
  for (const Columna& c : Catalogo())
    if (c.base == base && (c.listas & lista) && c.tabla != excepto) ++n;
  return n;
}

TEST(Catalogo, TableListsHaveTheirOrderAndSize) {
  auto p = TablasPrincipal();
  ASSERT_EQ(p.size(), 35u);
  EXPECT_EQ(p[0].nombre, "Empresarial");
  EXPECT_EQ(p[6].nombre, "eliminados");
  EXPECT_EQ(p[6].creador, "");
  EXPECT_EQ(p[27].nombre, "planTurno");
  EXPECT_EQ(p[33].nombre, "personalRet");
  EXPECT_EQ(p[34].nombre, "Listado1");
  EXPECT_EQ(p[34].creador, "Crea_Listado1");

  auto a = TablasAuxiliar();
  ASSERT_EQ(a.size(), 15u);
  EXPECT_EQ(a[0].nombre, "ChequeoExtra");
  EXPECT_EQ(a[14].nombre, "Cheq_Mod");
  for (const Tabla& t : p) EXPECT_EQ(t.base, Base::Principal) << t.nombre;
  for (const Tabla& t : a) EXPECT_EQ(t.base, Base::Auxiliar) << t.nombre;
}

TEST(Catalogo, TableTestsSkipOnlyPlanTurnosCompanions) {
  auto p = TablasPrincipal();
  std::vector<std::string_view> sinPrueba;
  int pruebas = 0;
  for (std::size_t i = 0; i < 34; ++i) {
    if (TienePruebaPropia(p[i])) ++pruebas;
    else sinPrueba.push_back(p[i].nombre);
  }
  EXPECT_EQ(pruebas, 30);
  EXPECT_EQ(sinPrueba, (std::vector<std::string_view>{"planTurnoEmpleados", "planesElegibles",
                                                      "confPT", "turnosFechas"}));
  for (std::size_t i = 28; i < 32; ++i) EXPECT_EQ(p[i].creador, "Crea_planTurno");
  for (const Tabla& t : TablasAuxiliar()) EXPECT_TRUE(TienePruebaPropia(t)) << t.nombre;
}

TEST(Catalogo, CountsOfTheLists) {
  EXPECT_EQ(Cuenta(Base::Principal, Actualizacion, "Listado1"), 153);
  EXPECT_EQ(Cuenta(Base::Auxiliar, Actualizacion), 91);
  EXPECT_EQ(Cuenta(Base::Auxiliar, Masivo), 88);
  EXPECT_EQ(Cuenta(Base::Principal, Masivo), 0);

  std::set<std::string_view> masivas;
  int textoConFlag = 0, textoSinFlag = 0, numerosEnCero = 0;
  for (const Columna& c : Catalogo()) {
    if (!(c.listas & Masivo)) continue;
    masivas.insert(c.tabla);
    if (c.tipo == Tipo::Text) (c.zero ? textoConFlag : textoSinFlag)++;
    if ((c.tipo == Tipo::Long || c.tipo == Tipo::Integer) && c.defa == 0) ++numerosEnCero;
  }
  EXPECT_EQ(masivas.size(), 14u);
  EXPECT_FALSE(masivas.contains("ChequeoExtra"));
  EXPECT_EQ(textoConFlag, 71);
  EXPECT_EQ(textoSinFlag, 1);
  EXPECT_EQ(numerosEnCero, 16);
}

TEST(Catalogo, ColumnsPerTableAndList) {
  struct Caso {
    Base base;
    std::string_view tabla;
    int creador, actualizacion, masivo;
  };
  const Caso casos[] = {
      {Base::Principal, "Bita_Cheq", 15, 15, 0},
      {Base::Principal, "eliminados", 0, 1, 0},
      {Base::Principal, "Personal", 10, 11, 0},
      {Base::Principal, "confTE", 1, 3, 0},
      {Base::Principal, "confRET", 16, 16, 0},
      {Base::Principal, "planTurno", 6, 6, 0},
      {Base::Principal, "turnosFechas", 6, 6, 0},
      {Base::Principal, "Listado1", 3, 3, 0},
      {Base::Auxiliar, "ChequeoExtra", 3, 3, 0},
      {Base::Auxiliar, "Faltas", 6, 5, 6},
      {Base::Auxiliar, "Extra_Det", 5, 5, 4},
      {Base::Auxiliar, "R_Turn", 12, 12, 12},
      {Base::Auxiliar, "Cheq_Mod", 16, 16, 16},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(std::string(c.tabla));
    EXPECT_EQ(Lista(c.base, c.tabla, Creador).size(), std::size_t(c.creador));
    EXPECT_EQ(Lista(c.base, c.tabla, Actualizacion).size(), std::size_t(c.actualizacion));
    EXPECT_EQ(Lista(c.base, c.tabla, Masivo).size(), std::size_t(c.masivo));
  }
  // Every table but eliminados has a creator that makes at least one column.
  for (const Tabla& t : TablasPrincipal()) {
    if (!t.creador.empty()) {
      EXPECT_FALSE(Lista(t.base, t.nombre, Creador).empty()) << t.nombre;
    }
  }
}

TEST(Catalogo, CausaDiffersBetweenCreatorAndUpgradeList) {
  auto creador = Busca(Base::Principal, "Bita_Cheq", "Causa", Creador);
  auto lista = Busca(Base::Principal, "Bita_Cheq", "Causa", Actualizacion);
  ASSERT_TRUE(creador && lista);
  EXPECT_EQ(creador->tam, "250");
  EXPECT_EQ(lista->tam, "255");
  EXPECT_EQ(creador->listas, unsigned(Creador));
  EXPECT_EQ(lista->listas, unsigned(Actualizacion));
  EXPECT_TRUE(lista->zero);
  EXPECT_EQ(lista->defa, kSinDefecto);
  EXPECT_EQ(Lista(Base::Principal, "Bita_Cheq", Actualizacion).back().nombre, "Causa");
}

TEST(Catalogo, UpgradeOnlyColumnsComeLastInTheirList) {
  struct Caso {
    std::string_view tabla;
    std::vector<std::string_view> finales;
  };
  const Caso casos[] = {
      {"Personal", {"Fecha_Ingreso"}},
      {"confTE", {"tmaxd", "tmaxs"}},
      {"eliminados", {"Fecha_Ingreso"}},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(std::string(c.tabla));
    auto lista = Lista(Base::Principal, c.tabla, Actualizacion);
    ASSERT_GE(lista.size(), c.finales.size());
    for (std::size_t i = 0; i < c.finales.size(); ++i) {
      const Columna& col = lista[lista.size() - c.finales.size() + i];
      EXPECT_EQ(col.nombre, c.finales[i]);
      EXPECT_EQ(col.listas, unsigned(Actualizacion));
      EXPECT_EQ(col.tipo, Tipo::Text);
      EXPECT_EQ(col.tam, "10");
      EXPECT_TRUE(col.zero);
      EXPECT_EQ(col.defa, kSinDefecto);
    }
  }
}

TEST(Catalogo, SpotValues) {
  auto turno = Busca(Base::Auxiliar, "Faltas", "turno", Creador);
  ASSERT_TRUE(turno);
  EXPECT_FALSE(turno->zero);
  EXPECT_EQ(turno->defa, kSinDefecto);
  EXPECT_EQ(turno->tam, "25");
  EXPECT_EQ(turno->listas, unsigned(Creador | Masivo));

  auto cuando = Busca(Base::Auxiliar, "Extra_Det", "cuando", Creador);
  ASSERT_TRUE(cuando);
  EXPECT_EQ(cuando->listas, unsigned(Creador | Actualizacion));

  auto listado = Lista(Base::Principal, "Listado1", Creador);
  ASSERT_EQ(listado.size(), 3u);
  auto forma = [](const Columna& c) {
    return std::tuple(c.nombre, c.tipo, c.tam, c.zero, c.defa, c.listas);
  };
  for (std::size_t i = 0; i < 3; ++i)
    EXPECT_EQ(forma(listado[i]), forma(Lista(Base::Principal, "Checadas", Creador)[i]));
  EXPECT_EQ(listado[1].nombre, "Empleado");
  EXPECT_EQ(listado[1].tipo, Tipo::Long);
  EXPECT_EQ(listado[1].defa, 0);

  EXPECT_EQ(Busca(Base::Principal, "confRET", "id", Creador)->defa, 1);
  EXPECT_EQ(Busca(Base::Principal, "confPT", "aplica", Creador)->defa, kDefectoNO);
  EXPECT_EQ(Busca(Base::Principal, "paseSalida", "duracion", Creador)->tipo, Tipo::Date);
  EXPECT_TRUE(Busca(Base::Principal, "Usuarios", "Contraseña", Creador));
  EXPECT_EQ(CtipoDe(Tipo::LongBinary), "dbLongBinary");
  EXPECT_EQ(CtipoDe(Tipo::Text), "dbText");
}

TEST(Catalogo, EntriesAreWellFormedAndGroupedInTableOrder) {
  std::map<std::pair<Base, std::string_view>, std::size_t> posicion;
  for (auto tablas : {TablasPrincipal(), TablasAuxiliar()})
    for (std::size_t i = 0; i < tablas.size(); ++i)
      posicion[{tablas[i].base, tablas[i].nombre}] = i + (tablas[i].base == Base::Auxiliar ? 100 : 0);

  std::size_t anterior = 0;
  for (const Columna& c : Catalogo()) {
    SCOPED_TRACE(std::string(c.tabla) + "." + std::string(c.nombre));
    auto it = posicion.find({c.base, c.tabla});
    ASSERT_NE(it, posicion.end());
    EXPECT_GE(it->second, anterior);
    anterior = it->second;
    EXPECT_NE(c.listas, 0u);
    EXPECT_EQ((c.listas & ~unsigned(Creador | Actualizacion | Masivo)), 0u);
    const bool texto = c.tipo == Tipo::Text;
    EXPECT_EQ(c.tam.empty(), !texto);
    EXPECT_TRUE(std::all_of(c.tam.begin(), c.tam.end(), [](char ch) { return ch >= '0' && ch <= '9'; }));
    if (c.tipo != Tipo::Text && c.tipo != Tipo::Memo) {
      EXPECT_FALSE(c.zero);
    }
    EXPECT_TRUE(c.defa == kSinDefecto || c.defa == kDefectoNO || c.defa == 0 || c.defa == 1);
  }
}

TEST(Catalogo, NoTableNamesAColumnTwiceInOneList) {
  // The engine sees names without regard to case, so neither may a list.
  for (unsigned lista : {unsigned(Creador), unsigned(Actualizacion), unsigned(Masivo)}) {
    std::set<std::tuple<Base, std::string, std::string>> vistos;
    for (const Columna& c : Catalogo()) {
      if (!(c.listas & lista)) continue;
      EXPECT_TRUE(vistos.insert({c.base, text::FoldCase(c.tabla), text::FoldCase(c.nombre)}).second)
          << c.tabla << "." << c.nombre << " in list " << lista;
    }
  }
}

}  // namespace
}  // namespace orvo::schema
