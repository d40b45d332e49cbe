// The installation as a user makes it: `cmake --install` of this build into a
// fresh prefix, then the installed files at work on a private drive C:.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <QLabel>
#include <QTest>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "common/arranque.h"
#include "import/principal.h"
#include "import/programa.h"
#include "platform/db/connection.h"
#include "platform/db/recordset.h"
#include "platform/forms/runtime.h"
#include "platform/forms/scripted_dialogs.h"
#include "platform/testsupport/commands.h"
#include "platform/testsupport/temp_drive.h"

namespace {
namespace fs = std::filesystem;
using orvo::testing::ReadFile;
using orvo::testing::TempDrive;
using orvo::testing::WriteFile;

std::vector<std::string> Programas() {
  std::vector<std::string> nombres;
  std::string lista = ORVO_INSTALLED_PROGRAMS;
  for (std::size_t inicio = 0, fin; inicio <= lista.size(); inicio = fin + 1) {
    fin = lista.find(',', inicio);
    if (fin == std::string::npos) fin = lista.size();
    if (fin > inicio) nombres.push_back(lista.substr(inicio, fin - inicio));
  }
  return nombres;
}

using orvo::testing::Quote;

// Runs a shell command line as it stands (its own redirections hold); gives
// its exit status.
int Corre(const std::string& orden) {
  const int status = std::system(orden.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}


class InstallTest : public ::testing::Test {
 protected:
  // One installation for every test: the build is installed as it stands.
  static void SetUpTestSuite() {
    char plantilla[] = "/tmp/orvo-install-XXXXXX";
    ASSERT_NE(::mkdtemp(plantilla), nullptr);
    prefijo_ = plantilla;
    const fs::path registro = prefijo_ / "install.log";
    ASSERT_EQ(Corre(std::string(ORVO_CMAKE) + " --install " + Quote(ORVO_BUILD_DIR) + " --prefix " +
                    Quote(prefijo_ / "usr") + " >" + Quote(registro) + " 2>&1"),
              0)
        << ReadFile(registro);
  }
  static void TearDownTestSuite() { fs::remove_all(prefijo_); }

  static fs::path Bin() { return prefijo_ / "usr" / "bin"; }
  std::string Admin() const { return Quote(Bin() / "orvo-admin"); }

  TempDrive c;
  static inline fs::path prefijo_;
};

TEST_F(InstallTest, PutsTheProgramsTheLibraryAndItsHeaderUnderThePrefix) {
  const std::vector<std::string> programas = Programas();
  for (const char* siempre : {"orvo-admin", "pollimport", "stickimport", "Varurarodi"}) {
    EXPECT_NE(std::find(programas.begin(), programas.end(), siempre), programas.end()) << ORVO_INSTALLED_PROGRAMS;
  }
  for (const std::string& programa : programas) {
    const fs::path ruta = Bin() / programa;
    EXPECT_TRUE(fs::is_regular_file(ruta)) << ruta;
    EXPECT_NE(fs::status(ruta).permissions() & fs::perms::owner_exec, fs::perms::none) << ruta;
  }
  EXPECT_TRUE(fs::is_regular_file(prefijo_ / "usr" / ORVO_LIBDIR / "libHuellix.so"));
  EXPECT_TRUE(fs::is_regular_file(prefijo_ / "usr" / ORVO_INCLUDEDIR / "Huellix.h"));
}

TEST_F(InstallTest, NewdbMakesTheDatabaseAndPollimportLoadsIntoIt) {
  ASSERT_EQ(Corre(Admin() + " newdb --empresa 'Talleres Ruiz' >/dev/null"), 0);
  ASSERT_TRUE(fs::is_regular_file(c.Path("Quiravel/Quiravel.mdb")));
  {
    orvo::db::Connection cn;
    cn.Open(orvo::common::kCadenaConexion);
    cn.Execute("INSERT INTO Personal (Id, No_Empleado, Nombre, A_Paterno, A_Materno, Activo) VALUES (?,?,?,?,?,?)",
               {{std::int64_t{1}}, {"125"}, {"Ana"}, {"Ruiz"}, {"López"}, {"S"}});
  }
  WriteFile(c.Path("poleo.txt"), "2010 05 03,00125,07:58:10\r\n2010 05 03,7,08:01:00\r\n");

  // pollimport's window over the database the installed orvo-admin made.
  orvo::forms::ScriptedDialogs boxes;
  orvo::forms::Runtime runtime(boxes, "pollimport", [](int) {});
  orvo::common::Bases bases;
  ASSERT_TRUE(orvo::importer::Arranca(bases, boxes));
  orvo::importer::Principal w(bases, boxes, runtime, orvo::importer::Variante::Poleo);
  w.Open();
  boxes.File(c.Path("poleo.txt").string());
  QTest::mouseClick(w.Find("Command1"), Qt::LeftButton);
  QTest::mouseClick(w.Find("Command2"), Qt::LeftButton);
  ASSERT_FALSE(boxes.shown.empty());
  EXPECT_EQ(boxes.shown.back().text, "Se terminó de cargar con éxito");

  orvo::db::Recordset archivo, cola;
  archivo.Open(bases.cn, "SELECT Fecha, Empleado, Hora FROM Listado1 ORDER BY rowid");
  EXPECT_EQ(archivo.RecordCount(), 2);
  cola.Open(bases.cn, "SELECT Fecha, Empleado, Hora FROM Checadas ORDER BY rowid");
  ASSERT_EQ(cola.RecordCount(), 1) << "employee 7 is not registered";
  EXPECT_EQ(orvo::db::AsText(cola.Field("Hora")), "07:58:10");
}

// orvo-admin finds a program beside itself and leaves its start marker in that
// program's folder: the executable's, or $ORVO_PROGRAM_FOLDER when set.
TEST_F(InstallTest, LaunchFindsTheProgramBesideItselfAndLeavesItsMarkerInItsFolder) {
  // A stand-in for Relevo that tells what its program folder holds.
  const fs::path copia = prefijo_ / "copia";
  fs::remove_all(copia);
  fs::create_directories(copia);
  fs::copy_file(Bin() / "orvo-admin", copia / "orvo-admin");
  WriteFile(copia / "Relevo", "#!/bin/sh\nls \"${ORVO_PROGRAM_FOLDER:-$(dirname \"$0\")}\" >\"$ORVO_DRIVE_C/visto\"\n");
  fs::permissions(copia / "Relevo", fs::perms::owner_all);

  EXPECT_EQ(Corre("env -u ORVO_PROGRAM_FOLDER " + Quote(copia / "orvo-admin") + " launch Relevo"), 0);
  EXPECT_NE(ReadFile(c.Path("visto")).find("RevTI"), std::string::npos) << ReadFile(c.Path("visto"));

  const std::string enCarpeta = "env ORVO_PROGRAM_FOLDER=" + Quote(c.Path("carpeta")) + " ";
  EXPECT_EQ(Corre(enCarpeta + Quote(copia / "orvo-admin") + " launch Relevo"), 0);
  EXPECT_EQ(ReadFile(c.Path("visto")), "RevTI\n");

  EXPECT_EQ(Corre(Quote(copia / "orvo-admin") + " launch Strayfix 2>" + Quote(c.Path("err"))), 1)
      << "only what lies beside it";
  EXPECT_EQ(ReadFile(c.Path("err")), "No se encuentra el programa Strayfix\n");
}

// The C example of the README, compiled against the installed header and
// library exactly as it stands there, so the guide cannot drift from the
// interface.
std::string EjemploDelReadme() {
  const std::string readme = ReadFile(fs::path(ORVO_SOURCE_DIR) / "README.md");
  const std::string marca = "<!-- compiled by tools/install/install_test -->";
  std::size_t inicio = readme.find(marca);
  if (inicio == std::string::npos) return {};
  inicio = readme.find("```c\n", inicio);
  if (inicio == std::string::npos) return {};
  inicio += 5;
  const std::size_t fin = readme.find("```", inicio);
  return fin == std::string::npos ? std::string() : readme.substr(inicio, fin - inicio);
}

// Built as the README says, with the installed pkg-config file (no -I, -L or
// LD_LIBRARY_PATH of its own), and run on the installed sample template.
TEST_F(InstallTest, TheReadmesFingerprintExampleBuildsAndFindsItsFinger) {
  const std::string ejemplo = EjemploDelReadme();
  ASSERT_FALSE(ejemplo.empty()) << "the README's example is marked and fenced as ```c";
  WriteFile(c.Path("ejemplo.c"), ejemplo);
  const fs::path usr = prefijo_ / "usr";
  const fs::path muestra = usr / "share" / "huellix" / "muestra.fpt";
  ASSERT_TRUE(fs::is_regular_file(muestra));
  EXPECT_EQ(fs::file_size(muestra), 400u);

  const std::string pkgConfig = "env PKG_CONFIG_PATH=" + Quote(usr / ORVO_LIBDIR / "pkgconfig") + " pkg-config";
  ASSERT_EQ(Corre(pkgConfig + " --cflags --libs huellix >" + Quote(c.Path("pc.log")) + " 2>&1"), 0)
      << ReadFile(c.Path("pc.log"));
  EXPECT_NE(ReadFile(c.Path("pc.log")).find("-I" + (usr / ORVO_INCLUDEDIR).string()), std::string::npos)
      << ReadFile(c.Path("pc.log"));
  ASSERT_EQ(Corre(std::string(ORVO_C_COMPILER) + " " + ORVO_EXAMPLE_FLAGS + " -std=c11 -Wall -Wextra -Werror " +
                  Quote(c.Path("ejemplo.c")) + " $(" + pkgConfig + " --cflags --libs huellix) -o " +
                  Quote(c.Path("ejemplo")) + " 2>" + Quote(c.Path("cc.log"))),
            0)
      << ReadFile(c.Path("cc.log"));
  ASSERT_EQ(Corre("cd " + Quote(c.Root()) + " && env -u LD_LIBRARY_PATH ./ejemplo " + Quote(muestra) + " >" +
                  Quote(c.Path("salida"))),
            0);
  const std::string salida = ReadFile(c.Path("salida"));
  int usuario = -1, dedo = -1, nivel = -1;
  EXPECT_EQ(std::sscanf(salida.c_str(), "user %d finger %d level %d", &usuario, &dedo, &nivel), 3) << salida;
  EXPECT_EQ(usuario, 42) << salida;
  EXPECT_EQ(dedo, 1) << salida;
  EXPECT_GE(nivel, 1) << salida;
  EXPECT_TRUE(fs::is_regular_file(c.Path("huellas.db")));
}

#ifdef ORVO_HAS_SNAPMAKE
TEST_F(InstallTest, TheInstalledSnapmakeMakesABackupSet) {
  ASSERT_EQ(Corre(Admin() + " newdb >/dev/null"), 0);
  const std::string entorno = "env QT_QPA_PLATFORM=offscreen ORVO_PROGRAM_FOLDER=" + Quote(c.Path("programa")) + " ";
  ASSERT_EQ(Corre(entorno + Admin() + " launch Snapmake 1"), 0);
  EXPECT_EQ(ReadFile(c.Path("programa/crtd")), "ok\r\n");
  std::vector<std::string> juego;
  for (const auto& e : fs::directory_iterator(c.Path("Quiravel/orvoBackup"))) juego.push_back(e.path().filename());
  ASSERT_FALSE(juego.empty());
  EXPECT_TRUE(std::any_of(juego.begin(), juego.end(), [](const std::string& n) { return n.starts_with("QR1_"); }));
  EXPECT_FALSE(fs::exists(c.Path("programa/RevSnapmake"))) << "the marker is used up";
}
#endif

}  // namespace
