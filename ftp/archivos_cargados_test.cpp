// The record of loaded files in the main database, over a real database file,
// and two real processes loading one file.
#include "ftp/archivos_cargados.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "common/arranque.h"
#include "common/carga_checadas.h"
#include "ftp/filas_de_prueba.h"
#include "ftp/poleo_internet.h"
#include "platform/db/recordset.h"
#include "platform/error.h"
#include "platform/testsupport/child.h"
#include "platform/testsupport/second_process.h"
#include "platform/testsupport/temp_drive.h"
#include "schema/nueva_base.h"

namespace orvo::ftp {
namespace {

using ::testing::HasSubstr;
namespace fs = std::filesystem;

constexpr const char* kTres = "2010 05 03,125,07:58:10\r\n2010 05 03,125,14:01:00\r\n2010 05 03,7,18:00:00\r\n";

struct ArchivosCargadosTest : ::testing::Test {
  ArchivosCargadosTest() {
    schema::CreaBasePrincipal("Empresa de prueba");
    cn.OpenFile(common::kBasePrincipal, common::kClavePrincipal);
  }
  // Fetchpurge's load of a downloaded file, through the record.
  ResultadoCarga Carga(std::string_view nombre, std::string_view bytes) {
    const common::Lectura l = LeePoleoInternet(bytes);
    return CargaUnaVez(cn, Huella(nombre, bytes), [&] {
      if (l.error) return false;
      common::CargaChecadas(cn, l.checadas);
      return true;
    });
  }
  std::vector<std::string> Registro() {
    db::Recordset rs(cn);
    rs.Open("SELECT Archivo, Tamano, Sha256, Cargado FROM ArchivosCargados ORDER BY rowid");
    std::vector<std::string> filas;
    for (; !rs.Eof(); rs.MoveNext())
      filas.push_back(db::AsText(rs.Field("Archivo")) + "|" + db::AsText(rs.Field("Tamano")) + "|" +
                      db::AsText(rs.Field("Sha256")).substr(0, 8) + "|" +
                      (db::IsNull(rs.Field("Cargado")) ? "Null" : "fecha"));
    return filas;
  }
  std::size_t Filas() { return prueba::Filas(cn, "Listado1").size(); }
  bool HayTabla() {
    const auto t = cn.TableNames();
    return std::find(t.begin(), t.end(), kTablaCargados) != t.end();
  }

  orvo::testing::TempDrive c;
  db::Connection cn;
};

TEST_F(ArchivosCargadosTest, TheSameNameSizeAndDigestIsLoadedOnceWithItsRowInTheSameTransaction) {
  const HuellaArchivo abc = Huella("a.dat", "abc");
  EXPECT_EQ(abc.tamano, 3u);
  EXPECT_EQ(abc.sha256, "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");

  PreparaRegistro(cn);
  ASSERT_TRUE(HayTabla());
  EXPECT_EQ(Carga("a.dat", kTres), ResultadoCarga::Cargado);
  EXPECT_EQ(Filas(), 3u);
  EXPECT_EQ(Carga("a.dat", kTres), ResultadoCarga::YaCargado);
  EXPECT_EQ(Filas(), 3u);
  // More punches written into the same name, the same bytes under other names.
  const std::string mas = std::string(kTres) + "2010 05 04,7,07:00:00\r\n";
  EXPECT_EQ(Carga("a.dat", mas), ResultadoCarga::Cargado);
  EXPECT_EQ(Carga("b.dat", kTres), ResultadoCarga::Cargado);
  EXPECT_EQ(Carga("A.DAT", kTres), ResultadoCarga::Cargado);
  EXPECT_EQ(Filas(), 3u + 4u + 3u + 3u);
  const std::vector<std::string> registro = Registro();
  ASSERT_EQ(registro.size(), 4u);
  EXPECT_EQ(registro[0], "a.dat|" + std::to_string(std::string_view(kTres).size()) + "|" +
                             Huella("", kTres).sha256.substr(0, 8) + "|fecha");

  // A bad line: neither punches nor record.
  EXPECT_EQ(Carga("c.dat", "2010 05 03,1,07:00:00\r\n2010 05 03,x,07:01:00\r\n"), ResultadoCarga::Rechazado);
  EXPECT_EQ(Filas(), 13u);
  EXPECT_EQ(Registro().size(), 4u);

  // An error of the engine after the punches: neither punches nor record.
  cn.Execute("CREATE TRIGGER Falla BEFORE INSERT ON ArchivosCargados BEGIN SELECT RAISE(ABORT, 'falla'); END");
  EXPECT_THROW(Carga("d.dat", kTres), std::exception);
  cn.Execute("DROP TRIGGER Falla");
  EXPECT_EQ(Filas(), 13u);
  EXPECT_EQ(Carga("d.dat", kTres), ResultadoCarga::Cargado);
}

TEST_F(ArchivosCargadosTest, ATableThatWentWithAnOlderSetIsMadeAgainEmpty) {
  PreparaRegistro(cn);
  ASSERT_EQ(Carga("a.dat", kTres), ResultadoCarga::Cargado);
  // As a set from before the record restores it: no punches, no record.
  cn.Execute("DELETE FROM Listado1");
  cn.Execute("DELETE FROM Checadas");
  cn.Execute("DROP TABLE ArchivosCargados");
  EXPECT_EQ(Carga("a.dat", kTres), ResultadoCarga::Cargado);
  EXPECT_EQ(Filas(), 3u);
  EXPECT_EQ(Carga("a.dat", kTres), ResultadoCarga::YaCargado);
}

TEST_F(ArchivosCargadosTest, AnEarlierTextRecordIsReadOnceIntoTheTableAndRemoved) {
  const fs::path anterior = c.Path("Quiravel/poleosInternet/cargados.txt");
  const HuellaArchivo a = Huella("a.dat", kTres), b = Huella("ñandú.dat", "x"), z = Huella("z.dat", "z");
  // A Ctrl-Z, garbage and a line cut short hide none of the lines after them.
  orvo::testing::WriteFile(anterior, a.nombre + "\t" + std::to_string(a.tamano) + "\t" + a.sha256 + "\r\n\x1A" +
                                         "basura\r\nb.dat\t3\tba78\r\n" + b.nombre + "\t1\t" + b.sha256 + "\r\n" +
                                         z.nombre + "\t1\t" + z.sha256);
  PreparaRegistro(cn);
  EXPECT_FALSE(fs::exists(anterior));
  EXPECT_EQ(Registro(), (std::vector<std::string>{"a.dat|" + std::to_string(a.tamano) + "|" + a.sha256.substr(0, 8) +
                                                      "|Null",
                                                  "ñandú.dat|1|" + b.sha256.substr(0, 8) + "|Null",
                                                  "z.dat|1|" + z.sha256.substr(0, 8) + "|Null"}));
  EXPECT_EQ(Carga("a.dat", kTres), ResultadoCarga::YaCargado);
  EXPECT_EQ(Filas(), 0u);

  // Read only when the table is made.
  orvo::testing::WriteFile(anterior, "c.dat\t1\t" + Huella("", "c").sha256 + "\r\n");
  PreparaRegistro(cn);
  EXPECT_EQ(Registro().size(), 3u);
  EXPECT_TRUE(fs::exists(anterior));
}

TEST_F(ArchivosCargadosTest, AnEarlierRecordThatCannotBeReadIsNamedAndNothingIsMade) {
  fs::create_directories(c.Path("Quiravel/poleosInternet/cargados.txt"));  // a folder in its place
  try {
    PreparaRegistro(cn);
    ADD_FAILURE() << "no error";
  } catch (const RuntimeError& e) {
    EXPECT_THAT(e.what(), HasSubstr("C:\\Quiravel\\poleosInternet\\cargados.txt"));
  }
  EXPECT_FALSE(HayTabla());
}

// The copy a second process loads, and the start signal for it.
struct Copia {
  fs::path archivo, salida;
};
Copia Prepara(const orvo::testing::TempDrive& c, const std::string& bytes) {
  Copia copia{c.Path("copia.dat"), c.Path("salida")};
  orvo::testing::WriteFile(copia.archivo, bytes);
  return copia;
}

TEST_F(ArchivosCargadosTest, AProgramKilledBetweenThePunchesAndTheRecordLeavesNeither) {
  PreparaRegistro(cn);
  const Copia copia = Prepara(c, kTres);
  orvo::testing::WriteFile(copia.salida, "");
  const fs::path marca = c.Path("marca");
  auto hijo = orvo::testing::Start(ORVO_CARGADOS_CHILD,
                                   {copia.archivo.string(), "a.dat", copia.salida.string(), marca.string()});
  ASSERT_EQ(orvo::testing::KillAtMarker(hijo, marca), orvo::testing::kKilled);
  EXPECT_EQ(Filas(), 0u);
  EXPECT_TRUE(Registro().empty());
  // The next download loads it, once.
  EXPECT_EQ(Carga("a.dat", kTres), ResultadoCarga::Cargado);
  EXPECT_EQ(Carga("a.dat", kTres), ResultadoCarga::YaCargado);
  EXPECT_EQ(Filas(), 3u);
}

TEST_F(ArchivosCargadosTest, TwoProgramsLoadingOneFileAtOnceLoadItOnce) {
  PreparaRegistro(cn);
  std::string grande;
  for (int i = 0; i < 20000; ++i) grande += "2010 05 03," + std::to_string(i % 500) + ",07:58:10\r\n";
  const Copia copia = Prepara(c, grande);
  const std::vector<std::string> args = {copia.archivo.string(), "a.dat", copia.salida.string()};
  auto uno = orvo::testing::Start(ORVO_CARGADOS_CHILD, args);
  auto otro = orvo::testing::Start(ORVO_CARGADOS_CHILD, args);
  orvo::testing::WriteFile(copia.salida, "");
  std::vector<int> estados = {orvo::testing::WaitForEnd(uno), orvo::testing::WaitForEnd(otro)};
  std::sort(estados.begin(), estados.end());
  EXPECT_EQ(estados, (std::vector<int>{10, 11}));  // one loaded it, the other found it loaded
  EXPECT_EQ(Filas(), 20000u);
  EXPECT_EQ(Registro().size(), 1u);
}

}  // namespace
}  // namespace orvo::ftp
