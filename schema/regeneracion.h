// The steps of the regeneration run, in the order the run calls them:
//
//   ReubicaArchivos();            legacy punch files moved under C:\Quiravel
//   DepuraPersonal(bases);        inactive employees moved into eliminados
//   ActualizaEstructura(bases);   main tables created or completed, TFirma
//                                 filled, the auxiliary file rebuilt
//   bases.Conecta(kArranque);     reconnect
//   CompletaDatos(bases);         three default settings
//   Faltantes(esperado);          what the databases still lack, if anything
//
// `bases` is the program's shared connection with its three optimistic
// recordsets. Failures that the steps do not absorb are thrown to the run.
#pragma once

#include <string>
#include <vector>

#include "common/arranque.h"

namespace orvo::schema {

// The start-up of the regeneration program: no file test, three recordsets
// with optimistic locking.
inline const common::Arranque kArranque{false, 3, db::LockType::Optimistic};

inline constexpr const char* kFirma = "Acepto la veracidad de la información contenida en este reporte";

// What the pass made or checked, to be verified once the run is over.
struct Esperado {
  struct Item {
    bool auxiliar;
    std::string tabla;
    std::string columna;  // empty: the table itself
  };
  std::vector<Item> items;
};

void ReubicaArchivos();
void DepuraPersonal(common::Bases& bases);
Esperado ActualizaEstructura(common::Bases& bases);
void CompletaDatos(common::Bases& bases);

// Items of `esperado` missing from the databases, as "Tabla" or "Tabla.Columna",
// with "(auxiliar)" after those of the auxiliary database.
std::vector<std::string> Faltantes(const Esperado& esperado);

}  // namespace orvo::schema
