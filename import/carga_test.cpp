#include "import/carga.h"

#include <gtest/gtest.h>

#include "import/archivo_poleo.h"
#include "import/archivo_usb.h"
#include "import/base_de_prueba.h"

namespace orvo::importer {
namespace {

using common::Checada;
using common::Lectura;

using prueba::BaseDePrueba;
using prueba::Fila;

std::vector<Checada> Poleo(std::string_view contenido) {
  Lectura l = LeePoleo(contenido);
  EXPECT_FALSE(l.error);
  return l.checadas;
}

// Every notice, as a window would show it.
struct Avisos {
  std::vector<std::string> vistos;
  Avance avance{[this](std::string_view e) { vistos.emplace_back(e); }, std::chrono::milliseconds(0)};
};

TEST(CargaPoleoTest, ArchivesEveryPunchAndQueuesOnlyRegisteredActiveEmployees) {
  BaseDePrueba b;
  b.Empleado(1, "00125", "S");                              // stored with zeros: not found as 125
  b.Empleado(2, "7", "S", "Ana", std::nullopt, "López");    // a Null part shows empty
  b.Empleado(3, "8", "N");                                  // inactive
  b.Empleado(4, "9", "s", "Luis", "Mora", "Paz");           // text compares without letter case
  Avisos avisos;
  const Resumen r = CargaPoleo(b.bases,
                               Poleo("2010 05 03,00125,07:58:10\r\n"
                                     "2010 05 03,7,07:58\r\n"
                                     "2010 05 03,8,08:00:00\r\n"
                                     "2010 05 03,9,08:01:00\r\n"
                                     "2010 05 03,4,08:02:00\r\n"),  // 4 is an Id, not a number
                               avisos.avance);
  EXPECT_EQ(b.Filas("Listado1"), (std::vector<Fila>{{"2010 05 03", 125, "07:58:10"},
                                                    {"2010 05 03", 7, "07:58:00"},
                                                    {"2010 05 03", 8, "08:00:00"},
                                                    {"2010 05 03", 9, "08:01:00"},
                                                    {"2010 05 03", 4, "08:02:00"}}));
  EXPECT_EQ(b.Filas("Checadas"), (std::vector<Fila>{{"2010 05 03", 7, "07:58:00"}, {"2010 05 03", 9, "08:01:00"}}));
  EXPECT_EQ(avisos.vistos, (std::vector<std::string>{"Empleado NO DADO DE ALTA", "Ana  López",
                                                     "Empleado NO DADO DE ALTA", "Luis Mora Paz",
                                                     "Empleado NO DADO DE ALTA"}));
  EXPECT_EQ(r.archivadas, 5);
  EXPECT_EQ(r.encoladas, 2);
  EXPECT_EQ(r.sinAlta, 3);
}

TEST(CargaPoleoTest, ArchivesEachPunchBeforeItsLookupAndQueue) {
  BaseDePrueba b;
  b.Empleado(1, "1", "S");
  b.RegistraOrden();
  CargaPoleo(b.bases, Poleo("2010 05 03,1,07:00:00\n2010 05 03,2,07:01:00\n2010 05 03,1,07:02:00\n"));
  EXPECT_EQ(b.Orden(), (std::vector<std::string>{"L 1", "C 1", "L 2", "L 1", "C 1"}));
}

TEST(CargaPoleoTest, StoresQuotesAndOtherTextAsItStands) {
  BaseDePrueba b;
  b.Empleado(1, "1", "S", "O'Brien", "D'Arcy", "");
  Avisos avisos;
  CargaPoleo(b.bases, Poleo("2010'05'03,1,07'58');\r\n3 f\xE9vr. 10,1,07:58:10\r\n"), avisos.avance);
  EXPECT_EQ(b.Filas("Listado1"),
            (std::vector<Fila>{{"2010'05'03", 1, "07'58');"}, {"3 févr. 10", 1, "07:58:10"}}));
  EXPECT_EQ(b.Filas("Checadas"), b.Filas("Listado1"));
  EXPECT_EQ(avisos.vistos.front(), "O'Brien D'Arcy ");
}

TEST(CargaPoleoTest, DatabaseErrorMidFileLeavesNothingOfIt) {
  BaseDePrueba b;
  b.Empleado(1, "1", "S");
  b.bases.cn.Execute("INSERT INTO Listado1 VALUES('2010 05 02', 1, '06:00:00')");  // an earlier import
  b.bases.cn.Execute(
      "CREATE TRIGGER Falla BEFORE INSERT ON Checadas WHEN NEW.Hora = '07:02:00' BEGIN "
      "SELECT RAISE(ABORT, 'disco lleno'); END");
  EXPECT_THROW(CargaPoleo(b.bases, Poleo("2010 05 03,1,07:00:00\n2010 05 03,1,07:01:00\n2010 05 03,1,07:02:00\n")),
               db::Error);
  EXPECT_EQ(b.Filas("Listado1"), (std::vector<Fila>{{"2010 05 02", 1, "06:00:00"}}));
  EXPECT_TRUE(b.Filas("Checadas").empty());
  // The connection is usable again: the next file goes in.
  CargaPoleo(b.bases, Poleo("2010 05 04,1,07:00:00\n"));
  EXPECT_EQ(b.Filas("Checadas"), (std::vector<Fila>{{"2010 05 04", 1, "07:00:00"}}));
}

TEST(CargaPoleoTest, NoticesComeAtTheFirstPunchAndThenNoMoreOftenThanAsked) {
  BaseDePrueba b;
  std::string archivo;
  for (int i = 0; i < 200; ++i) archivo += "2010 05 03," + std::to_string(i) + ",07:00:00\r\n";
  int avisos = 0;
  CargaPoleo(b.bases, Poleo(archivo), Avance{[&](std::string_view) { ++avisos; }, std::chrono::hours(1)});
  EXPECT_EQ(avisos, 1);
  EXPECT_EQ(b.Filas("Listado1").size(), 200u);
  CargaPoleo(b.bases, Poleo(""), Avance{[&](std::string_view) { ++avisos; }, std::chrono::hours(1)});
  EXPECT_EQ(avisos, 1);  // an empty file has nothing to tell
}

TEST(CargaUsbTest, QueuesThenArchivesEveryPunchWithoutLookup) {
  BaseDePrueba b;
  b.Empleado(1, "125", "N");
  b.RegistraOrden();
  Avisos avisos;
  const Lectura l = LeeUsb("000000125 2010 05 03 07:58:10\r\n000000999 2010 05 03 07:59:00\r\n");
  ASSERT_FALSE(l.error);
  const Resumen r = CargaUsb(b.bases, l.checadas, avisos.avance);
  const std::vector<Fila> filas{{"2010 05 03", 125, "07:58:10"}, {"2010 05 03", 999, "07:59:00"}};
  EXPECT_EQ(b.Filas("Checadas"), filas);
  EXPECT_EQ(b.Filas("Listado1"), filas);
  EXPECT_EQ(b.Orden(), (std::vector<std::string>{"C 125", "L 125", "C 999", "L 999"}));
  EXPECT_EQ(avisos.vistos, (std::vector<std::string>{"", ""}));  // nothing to show per punch
  EXPECT_EQ(r.archivadas, 2);
  EXPECT_EQ(r.encoladas, 2);
  EXPECT_EQ(r.sinAlta, 0);
}

}  // namespace
}  // namespace orvo::importer
