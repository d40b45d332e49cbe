#include "backup/snapmake.h"

#include <fcntl.h>
#include <gtest/gtest.h>

#include <fstream>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCheckBox>
#include <chrono>
#include <csignal>
#include <functional>

#include "backup/borra_tablas.h"
#include "backup/respaldo_prueba.h"
#include "backup/nombres_respaldo.h"
#include "common/lanzamiento.h"
#include "platform/db/connection.h"
#include "platform/forms/runtime.h"
#include "platform/forms/scripted_dialogs.h"
#include "platform/process/process.h"
#include "platform/testsupport/child.h"
#include "platform/testsupport/commands.h"
#include "platform/testsupport/sqlite_session.h"

namespace orvo::backup {
namespace {

namespace fs = std::filesystem;
using forms::Answer;
using orvo::testing::WriteFile;

struct SnapmakeTest : ::testing::Test {
  SnapmakeTest() {
    p.Llena();
    bases.cn.Open(common::kCadenaConexion);
  }

  // The window as the program loads it, with its marker in place.
  Snapmake& Ventana(bool conMarcador = true) {
    if (conMarcador) common::CreaMarcador(p.programa, common::kMarcadorSnapmake);
    ventana = std::make_unique<Snapmake>(bases, boxes, runtime, p.programa);
    abierta = ventana->Open();
    return *ventana;
  }

  std::string Prefijo(const std::string& nombre) { return nombre.substr(0, 4); }

  prueba::Prueba p;
  common::Bases bases;
  forms::ScriptedDialogs boxes;
  int fin = -1;
  forms::Runtime runtime{boxes, "Snapmake", [this](int status) { fin = status; }};
  std::unique_ptr<Snapmake> ventana;
  bool abierta = false;
};

TEST_F(SnapmakeTest, WindowAndControls) {
  Snapmake& w = Ventana();
  EXPECT_TRUE(abierta);
  EXPECT_EQ(w.windowTitle().toStdString(), "Creacion de Respaldo de la Base de Datos");
  EXPECT_EQ(w.Find<QLabel>("Label1")->text().toStdString(), "  Crear Respaldo de la Base de Datos ");
  EXPECT_EQ(w.Find<QCheckBox>("chkBorrar")->text().toStdString(), "¿Borrar toda la Base de Datos ahora?");
  EXPECT_FALSE(w.Find<QCheckBox>("chkBorrar")->isChecked());
  EXPECT_NE(w.Find("crea"), nullptr);
  EXPECT_NE(w.Find("Command1"), nullptr);
  EXPECT_FALSE(fs::exists(p.programa / "RevSnapmake"));
  EXPECT_TRUE(fs::is_directory(p.Respaldo()));
}

TEST_F(SnapmakeTest, WithoutMarkerRefusesAndLeavesAnEmptyResult) {
  Ventana(false);
  EXPECT_FALSE(abierta);
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].text, "Este Modulo solo se ejecuta desde Orvo Rivuvurazozer");
  EXPECT_EQ(boxes.shown[0].title, "Orvo");
  EXPECT_EQ(p.Crtd(), "");
  EXPECT_EQ(fin, 0);
}

TEST_F(SnapmakeTest, BackupSetHoldsFourArchivesOfOneStampWithTheirFiles) {
  Snapmake& w = Ventana();
  w.crea_Click();
  EXPECT_EQ(p.Crtd(), "ok\r\n");
  EXPECT_EQ(fin, 0);
  EXPECT_TRUE(boxes.shown.empty()) << boxes.shown[0].text;
  const auto respaldos = p.Respaldos();
  ASSERT_EQ(respaldos.size(), 4u);
  const std::string sello(LeeNombre(respaldos[0])->sello);
  EXPECT_TRUE(EsSello(sello));
  std::map<std::string, std::vector<std::string>> entradas;
  for (const std::string& nombre : respaldos) {
    EXPECT_EQ(LeeNombre(nombre)->sello, sello);
    entradas[Prefijo(nombre)] = p.Entradas(p.Respaldo() / nombre);
  }
  // The databases are copies of their own: no log, index or lock file beside them.
  EXPECT_EQ(entradas["QR1_"], (std::vector<std::string>{"Quiravel/Auxiliar.mdb", "Quiravel/Quiravel.mdb", "Quiravel/Res/foto.jpg",
                                                        "Quiravel/notas.txt", "Quiravel/poleosInternet/p1.txt"}));
  EXPECT_EQ(entradas["QR2_"], (std::vector<std::string>{"Quiravel/Quira/q.txt"}));
  EXPECT_EQ(entradas["FT1_"], (std::vector<std::string>{"Windows/ftpcnf.dll"}));
  EXPECT_EQ(entradas["POL_"], (std::vector<std::string>{"Quiravel/Windows_poleos/w.txt"}));
  // Nothing of the staging is left, and Info-ZIP finds every archive sound.
  EXPECT_EQ(orvo::testing::RunCommand("unzip -tq " + orvo::testing::Quote(p.Respaldo() / respaldos[0])), 0);
}

TEST_F(SnapmakeTest, DatabaseWrittenByAnotherProgramIsArchivedConsistently) {
  // A second program keeps adding punches, each in a transaction of its own,
  // while the set is made.
  const std::string base = orvo::testing::Quote(p.c.Path("Quiravel/Quiravel.mdb"));
  orvo::testing::Child escritor = orvo::testing::Start(
      "/bin/sh", {"-c", "while :; do sqlite3 -cmd '.timeout 60000' " + base +
                            " \"BEGIN; INSERT INTO Checadas SELECT '2026 02 04', 200, '08:00:00' FROM "
                            "(WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i+1 FROM n WHERE i<200) SELECT i FROM n); "
                            "COMMIT;\" || exit 1; done"});
  while (p.Filas("Checadas") < 1000 && escritor.Running()) process::Sleep(std::chrono::milliseconds(10));
  ASSERT_GE(p.Filas("Checadas"), 1000) << "the other program stopped writing";
  Ventana().crea_Click();
  ::kill(escritor.Pid(), SIGTERM);
  escritor.Wait(std::chrono::seconds(10));
  ASSERT_EQ(p.Crtd(), "ok\r\n");

  std::string qr1;
  for (const std::string& nombre : p.Respaldos()) {
    if (EsArchivoPrincipal(nombre)) qr1 = nombre;
  }
  const fs::path salida = p.programa / "salida";
  ASSERT_EQ(orvo::testing::RunCommand("unzip -q " + orvo::testing::Quote(p.Respaldo() / qr1) + " -d " +
                                      orvo::testing::Quote(salida)),
            0);
  std::string revision;
  const std::string copia = orvo::testing::Quote(salida / "Quiravel/Quiravel.mdb");
  ASSERT_EQ(orvo::testing::RunCommand("sqlite3 " + copia + " 'PRAGMA integrity_check' "
                                      "'SELECT count(*) % 200 FROM Checadas WHERE Empleado = 200'",
                                      &revision),
            0);
  // Whole transactions only: every one added 200 rows.
  EXPECT_EQ(revision, "ok\n0\n");
}

TEST_F(SnapmakeTest, MissingSourcesLeaveTheirArchivesOut) {
  fs::remove_all(p.c.Path("Quiravel/Quira"));
  fs::remove(p.c.Path("Windows/ftpcnf.dll"));
  WriteFile(p.c.Path("Quiravel/Windows_poleos/.oculto"), "no cuenta");
  fs::remove(p.c.Path("Quiravel/Windows_poleos/w.txt"));
  // An empty extra folder adds nothing and stops nothing.
  fs::remove_all(p.c.Path("Quiravel/Res"));
  fs::create_directories(p.c.Path("Quiravel/Res"));
  Ventana().crea_Click();
  EXPECT_EQ(p.Crtd(), "ok\r\n");
  EXPECT_TRUE(boxes.shown.empty()) << boxes.shown[0].text;
  const auto respaldos = p.Respaldos();
  ASSERT_EQ(respaldos.size(), 1u);
  EXPECT_EQ(Prefijo(respaldos[0]), "QR1_");
  EXPECT_EQ(p.Entradas(p.Respaldo() / respaldos[0]),
            (std::vector<std::string>{"Quiravel/Auxiliar.mdb", "Quiravel/Quiravel.mdb", "Quiravel/notas.txt",
                                      "Quiravel/poleosInternet/p1.txt"}));
}

TEST_F(SnapmakeTest, TwoRunsInOneSecondMakeTwoSets) {
  Snapmake& w = Ventana();
  w.crea_Click();
  w.crea_Click();
  EXPECT_EQ(fin, 0);
  EXPECT_TRUE(boxes.shown.empty());
  EXPECT_EQ(p.Respaldos().size(), 8u);
}

TEST_F(SnapmakeTest, WipeAnsweredNoDoesNothing) {
  Snapmake& w = Ventana();
  w.Find<QCheckBox>("chkBorrar")->setChecked(true);
  boxes.Answer(Answer::No);
  w.crea_Click();
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].text,
            "Se borrarán todos los chequeos, permisos y bitacoras, solo podra recuperarlos al cargar un respaldo, "
            "esta seguro de Continuar?");
  EXPECT_EQ(boxes.shown[0].title, "!! Advertencia !!");
  EXPECT_EQ(boxes.shown[0].icon, forms::Icon::Question);
  EXPECT_FALSE(p.Crtd());
  EXPECT_TRUE(p.Respaldos().empty());
  EXPECT_EQ(p.Filas("Checadas"), 1);
  EXPECT_EQ(fin, -1);
}

TEST_F(SnapmakeTest, WipeEmptiesTheTablesThatExistAfterTheSet) {
  p.Sql("DROP TABLE Huerfanos");
  p.Sql("INSERT INTO Permisos DEFAULT VALUES");
  // Fetchpurge's record of loaded files: its punches went into the set, not away.
  p.Sql("CREATE TABLE ArchivosCargados (Archivo VARCHAR(255), Tamano INTEGER, Sha256 VARCHAR(64), Cargado DATETIME)");
  p.Sql("INSERT INTO ArchivosCargados VALUES ('a.dat', 3, 'ba78', NULL)");
  Snapmake& w = Ventana();
  w.Find<QCheckBox>("chkBorrar")->setChecked(true);
  boxes.Answer(Answer::Yes);
  w.crea_Click();
  EXPECT_EQ(p.Crtd(), "ok\r\n");
  for (std::string_view tabla : kTablasBorradas) {
    if (tabla != "Huerfanos") {
      EXPECT_EQ(p.Filas(std::string(tabla)), 0) << tabla;
    }
  }
  EXPECT_EQ(p.Filas("Listado1"), 1);
  EXPECT_EQ(p.Filas("Personal"), 1);
  EXPECT_EQ(p.Filas("ArchivosCargados"), 1);
  EXPECT_FALSE(TableExists(common::kBasePrincipal, "Huerfanos"));
  EXPECT_TRUE(TableExists(common::kBasePrincipal, "checadas"));
}

TEST_F(SnapmakeTest, FullDiskLeavesAnEmptyResultNoSetAndTheTablesWhole) {
  Snapmake& w = Ventana();
  w.Find<QCheckBox>("chkBorrar")->setChecked(true);
  boxes.Answer(Answer::Yes);
  // A file may not grow past 2 KB while the run writes: the database copy
  // and the archives hit the limit as they would a full disk.
  rlimit antes{};
  ::getrlimit(RLIMIT_FSIZE, &antes);
  const auto previa = std::signal(SIGXFSZ, SIG_IGN);
  rlimit limite = antes;
  limite.rlim_cur = 2048;
  ::setrlimit(RLIMIT_FSIZE, &limite);
  w.crea_Click();
  ::setrlimit(RLIMIT_FSIZE, &antes);
  std::signal(SIGXFSZ, previa);

  EXPECT_EQ(p.Crtd(), "");
  EXPECT_EQ(fin, -1);  // the window stays open
  ASSERT_FALSE(boxes.shown.empty());
  EXPECT_NE(boxes.shown.back().text.find(" Form1::cmdZip_Click "), std::string::npos) << boxes.shown.back().text;
  EXPECT_TRUE(p.Respaldos().empty());
  EXPECT_EQ(std::distance(fs::directory_iterator(p.Respaldo()), fs::directory_iterator()), 0);
  EXPECT_EQ(p.Filas("Checadas"), 1);
  EXPECT_EQ(p.Filas("Chequeo"), 1);
}

TEST_F(SnapmakeTest, ExitLeavesAnEmptyResult) {
  Snapmake& w = Ventana();
  w.Command1_Click();
  EXPECT_EQ(p.Crtd(), "");
  EXPECT_TRUE(w.Unloaded());
}

// The program itself, started as Snapload starts it.
TEST(SnapmakeProgramaTest, UnattendedRunWritesOkAndConsumesItsMarker) {
  prueba::Prueba p;
  p.Llena();
  p.InstalaSnapmake();
  EXPECT_EQ(p.RespaldoDesatendido(), 0);
  EXPECT_EQ(p.Crtd(), "ok\r\n");
  EXPECT_FALSE(fs::exists(p.programa / "RevSnapmake"));
  EXPECT_EQ(p.Respaldos().size(), 4u);
  // Its connection was closed on the way out.
  EXPECT_FALSE(fs::exists(p.c.Path("Quiravel/Quiravel.mdb-wal")));
}

// The installed Snapmake run unattended ("1") under env's `entorno`, its
// standard error into a file read once it has ended: its status and that text.
std::pair<std::optional<int>, std::string> Desatendido(prueba::Prueba& p, const std::string& entorno) {
  const fs::path errores = p.programa / "errores";
  auto hijo = orvo::testing::Start("/bin/sh", {"-c", "exec env " + entorno + " \"$0\" 1 2>\"$1\"",
                                               (p.programa / "Snapmake").string(), errores.string()});
  const std::optional<int> estado = hijo.Wait(std::chrono::minutes(1));
  return {estado, orvo::testing::ReadFile(errores)};
}

// An unattended run from a scheduled job or an ssh session: no display at
// all. It ends within seconds on its own, with its message on standard error
// and a non-zero status when it made no set, never waiting on a box.
TEST(SnapmakeProgramaTest, UnattendedRunWithNoDisplayEndsWithItsMessageOnStandardError) {
  const struct {
    const char* nombre;
    std::function<void(prueba::Prueba&)> prepara;
    int estado;
    const char* resultado;
    const char* mensaje;  // how standard error begins: the program's own words only
    std::function<void(prueba::Prueba&)> deshace = [](prueba::Prueba&) {};
  } casos[] = {
      {"backup", [](prueba::Prueba&) {}, 0, "ok\r\n", ""},
      {"no marker", [](prueba::Prueba& p) { fs::remove(p.programa / "RevSnapmake"); }, 1, "",
       "Snapmake: Este Modulo solo se ejecuta desde Orvo Rivuvurazozer\n"},
      {"no database", [](prueba::Prueba& p) { fs::remove(p.c.Path("Quiravel/Quiravel.mdb")); }, 1, "",
       "Snapmake: Se ha producido el error '"},
      // What the restore would refuse, the backup does not call ok.
      {"text named as a database", [](prueba::Prueba& p) { WriteFile(p.c.Path("Quiravel/Notas.mdb"), "notas\r\n"); },
       1, "",
       "Snapmake: 3343 Form1::cmdZip_Click La base de datos C:\\Quiravel\\Notas.mdb está dañada: no es una base de "
       "datos válida\n"},
      {"damaged auxiliary database",
       [](prueba::Prueba& p) {
         std::fstream f(p.c.Path("Quiravel/Auxiliar.mdb"), std::ios::in | std::ios::out | std::ios::binary);
         f.write("dañado, sin cabecera", 20);
       },
       1, "",
       "Snapmake: 3343 Form1::cmdZip_Click La base de datos C:\\Quiravel\\Auxiliar.mdb está dañada: no es una base "
       "de datos válida\n"},
      // Read-only even for the superuser, who may write a folder of mode 555.
      {"read-only backup folder",
       [](prueba::Prueba& p) {
         fs::create_directories(p.Respaldo());
         if (orvo::testing::RunCommand("chattr +i " + orvo::testing::Quote(p.Respaldo()) + " 2>/dev/null") != 0) {
           fs::permissions(p.Respaldo(), fs::perms::owner_read | fs::perms::owner_exec);
         }
       },
       1, "", "Snapmake: 70 Form1::cmdZip_Click Permiso denegado: 'C:\\Quiravel\\orvoBackup'\n",
       [](prueba::Prueba& p) {
         orvo::testing::RunCommand("chattr -i " + orvo::testing::Quote(p.Respaldo()) + " 2>/dev/null");
         fs::permissions(p.Respaldo(), fs::perms::owner_all);
       }},
  };
  for (const auto& caso : casos) {
    SCOPED_TRACE(caso.nombre);
    prueba::Prueba p;
    p.Llena();
    p.InstalaSnapmake();
    common::CreaMarcador(p.programa, common::kMarcadorSnapmake);
    caso.prepara(p);
    const auto [estado, dicho] = Desatendido(p, "-u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM");
    EXPECT_EQ(estado, caso.estado);
    EXPECT_EQ(p.Crtd(), caso.resultado);
    EXPECT_TRUE(dicho.starts_with(caso.mensaje)) << dicho;
    if (caso.estado == 0) {
      EXPECT_EQ(dicho, "");
      EXPECT_EQ(p.Respaldos().size(), 4u);
    } else {
      EXPECT_TRUE(p.Respaldos().empty());
    }
    caso.deshace(p);
  }
}

// A scheduled job that chose the offscreen platform itself, with no session
// folder: its mail carries the program's own Spanish lines and nothing of
// Qt's English notes (the runtime folder, what the plugin does not support).
TEST(SnapmakeProgramaTest, ScheduledRunWritesOnlyItsOwnMessagesOnStandardError) {
  const struct {
    const char* nombre;
    std::function<void(prueba::Prueba&)> prepara;
    int estado;
    const char* errores;  // the whole of standard error
  } casos[] = {
      {"backup", [](prueba::Prueba&) {}, 0, ""},
      {"no marker", [](prueba::Prueba& p) { fs::remove(p.programa / "RevSnapmake"); }, 1,
       "Snapmake: Este Modulo solo se ejecuta desde Orvo Rivuvurazozer\n"},
  };
  for (const auto& caso : casos) {
    SCOPED_TRACE(caso.nombre);
    prueba::Prueba p;
    p.Llena();
    p.InstalaSnapmake();
    common::CreaMarcador(p.programa, common::kMarcadorSnapmake);
    caso.prepara(p);
    const auto [estado, dicho] = Desatendido(p, "-u XDG_RUNTIME_DIR -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=offscreen");
    EXPECT_EQ(estado, caso.estado);
    EXPECT_EQ(dicho, caso.errores);
  }
}

// Snapmake's failure answered by its caller (Snapload writes "err" as soon
// as it reads the empty result) while the failure is still being told: the
// end of Snapmake leaves the caller's result alone. Its standard error is a
// full pipe, so the message waits until the caller has answered.
TEST(SnapmakeProgramaTest, ResultThatItsCallerWroteSinceStaysWhenItEnds) {
  prueba::Prueba p;
  p.InstalaSnapmake();
  // A file where the backup folder belongs: the window's load fails.
  WriteFile(p.Respaldo(), "no es una carpeta");
  common::CreaMarcador(p.programa, common::kMarcadorSnapmake);
  const fs::path tubo = p.programa / "tubo";
  ASSERT_EQ(::mkfifo(tubo.c_str(), 0600), 0);
  const int lector = ::open(tubo.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  ASSERT_GE(lector, 0);
  {
    const int escritor = ::open(tubo.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(escritor, 0);
    const std::string relleno(4096, '.');
    while (::write(escritor, relleno.data(), relleno.size()) > 0) {
    }
    ::close(escritor);
  }
  // Qt's own note on a missing runtime folder would come first otherwise.
  const fs::path runtime = p.programa / "runtime";
  fs::create_directory(runtime);
  fs::permissions(runtime, fs::perms::owner_all);
  auto hijo = orvo::testing::Start(
      "/bin/sh", {"-c", "XDG_RUNTIME_DIR=\"$2\" exec \"$0\" 1 2>\"$1\"", (p.programa / "Snapmake").string(),
                  tubo.string(), runtime.string()});
  const auto limite = std::chrono::steady_clock::now() + std::chrono::minutes(1);
  while (!p.Crtd() && std::chrono::steady_clock::now() < limite) process::Sleep(std::chrono::milliseconds(10));
  ASSERT_EQ(p.Crtd(), "");
  common::EscribeResultado(p.programa, common::Resultado::Err);
  std::string dicho;
  char bloque[4096];
  const auto vacia = [&] {
    for (ssize_t n; (n = ::read(lector, bloque, sizeof bloque)) > 0;) dicho.append(bloque, static_cast<std::size_t>(n));
  };
  // Read while it runs, so that its message gets into the full pipe at all;
  // then once more after it ends, for what it wrote last.
  while (hijo.Running() && std::chrono::steady_clock::now() < limite) {
    vacia();
    process::Sleep(std::chrono::milliseconds(10));
  }
  EXPECT_EQ(hijo.Wait(std::chrono::seconds(10)), 1);
  vacia();
  ::close(lector);
  EXPECT_NE(dicho.find("Snapmake: Se ha producido el error '"), std::string::npos);
  EXPECT_EQ(p.Crtd(), "err\r\n");
}

}  // namespace
}  // namespace orvo::backup

namespace orvo::backup {
namespace {

namespace fs = std::filesystem;
using orvo::testing::Quote;
using orvo::testing::RunCommand;

// Other programs at work on the main database while a backup runs, each a
// real process. The site holds enough data that the run lasts while they work.
struct OtrosProgramasTest : ::testing::Test {
  OtrosProgramasTest() {
    p.Llena();
    p.InstalaSnapmake();
    // Incompressible, so that archiving it takes a while.
    EXPECT_EQ(RunCommand("head -c 100000000 /dev/urandom > " + Quote(p.c.Path("Quiravel/Windows_poleos/grande.dat"))), 0);
  }

  // Waits until the run has its main archive made (its databases copied)
  // and is busy with the last one.
  void EsperaUltimoArchivo(process::Child& hijo) {
    for (int i = 0; i < 6000 && hijo.Running(); ++i) {
      std::error_code ec;
      for (const auto& e : fs::directory_iterator(p.Respaldo(), ec)) {
        if (e.path().filename().string().starts_with("~respaldo_") && fs::exists(e.path() / "POL")) return;
      }
      process::Sleep(std::chrono::milliseconds(5));
    }
    ADD_FAILURE() << "the run never reached its last archive";
  }

  // What a query of the main database copy of the newest set gives.
  std::string EnElRespaldo(const std::string& sql) {
    std::string qr1;
    for (const std::string& n : p.Respaldos()) {
      if (EsArchivoPrincipal(n)) qr1 = n;
    }
    const fs::path salida = p.programa / "salida";
    fs::remove_all(salida);
    std::string texto;
    RunCommand("unzip -q " + Quote(p.Respaldo() / qr1) + " Quiravel/Quiravel.mdb -d " + Quote(salida), &texto);
    RunCommand("sqlite3 " + Quote(salida / "Quiravel/Quiravel.mdb") + " " + Quote(sql), &texto);
    return texto;
  }

  std::string base() const { return Quote(p.c.Path("Quiravel/Quiravel.mdb")); }

  prueba::Prueba p;
};

// A program that reads the database and closes it, then one that commits a
// punch and is killed before it closes, while Snapmake (whose connection is
// open all along) archives: the punch is in the database when Snapmake ends.
TEST_F(OtrosProgramasTest, APunchCommittedDuringABackupByAProgramKilledBeforeItClosesIsKept) {
  common::CreaMarcador(p.programa, common::kMarcadorSnapmake);
  orvo::testing::Child snapmake = orvo::testing::Start(p.programa / "Snapmake", {"1"});
  EsperaUltimoArchivo(snapmake);
  std::string salida;
  EXPECT_EQ(RunCommand("sqlite3 " + base() + " 'SELECT count(*) FROM Listado1'", &salida), 0) << salida;
  RunCommand("sqlite3 " + base() + " \"INSERT INTO Listado1 VALUES ('2026 02 05', 300, '09:00:00')\" '.shell kill -9 $PPID'",
             &salida);
  ASSERT_TRUE(snapmake.Running()) << "the run ended before the other programs did their part";
  ASSERT_EQ(snapmake.Wait(std::chrono::minutes(2)), 0);
  EXPECT_EQ(p.Crtd(), "ok\r\n");
  EXPECT_EQ(p.Filas("Listado1"), 2);
  EXPECT_EQ(p.Integridad(), "ok");
}

// With the wipe asked, a punch that another program commits after the set's
// snapshot waits for the wipe and is kept: no row that the set does not hold
// is emptied.
TEST_F(OtrosProgramasTest, ARowCommittedAfterTheSnapshotIsNotWiped) {
  orvo::testing::Child respaldo = orvo::testing::Start(ORVO_CUT_CHILD, {"respalda", p.programa.string(), "0"});
  EsperaUltimoArchivo(respaldo);
  orvo::testing::Child importador = orvo::testing::Start(
      "/usr/bin/sqlite3", {"-cmd", ".timeout 60000", p.c.Path("Quiravel/Quiravel.mdb").string(),
                           "INSERT INTO Checadas VALUES ('2026 02 05', 300, '09:00:00')"});
  ASSERT_EQ(respaldo.Wait(std::chrono::minutes(2)), 0);
  ASSERT_EQ(importador.Wait(std::chrono::minutes(1)), 0);
  EXPECT_EQ(p.Filas("Checadas WHERE Empleado = 300"), 1);
  EXPECT_EQ(p.Filas("Checadas"), 1);
  EXPECT_EQ(p.Filas("Chequeo"), 0);
  // The set holds what was wiped, and not the row that came after it.
  EXPECT_EQ(EnElRespaldo("SELECT group_concat(Empleado) FROM Checadas"), "125\n");
  EXPECT_EQ(p.Integridad(), "ok");
}

// A damaged main database gives no set, an empty result, and a message that
// names the file by its C: path in one line.
TEST_F(SnapmakeTest, DamagedDatabaseGivesNoSetAndSaysWhichFileInOneLine) {
  bases.cn.Close();
  p.Sql("CREATE INDEX ix_prueba ON Checadas (Fecha)");
  orvo::testing::EmptyIndex(p.c.Path("Quiravel/Quiravel.mdb"), "ix_prueba");
  bases.cn.Open(common::kCadenaConexion);
  Ventana().crea_Click();
  EXPECT_EQ(p.Crtd(), "");
  EXPECT_TRUE(p.Respaldos().empty());
  ASSERT_EQ(boxes.shown.size(), 1u);
  const std::string& texto = boxes.shown[0].text;
  const std::string inicio =
      "3343 Form1::cmdZip_Click La copia de la base de datos 'C:\\Quiravel\\Quiravel.mdb' está dañada: ";
  EXPECT_EQ(texto.substr(0, inicio.size()), inicio) << texto;
  EXPECT_EQ(texto.find('\n'), std::string::npos) << texto;
}

}  // namespace
}  // namespace orvo::backup
