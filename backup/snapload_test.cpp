#include "backup/snapload.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <cstdlib>
#include <optional>

#include "backup/respaldo_prueba.h"
#include "backup/nombres_respaldo.h"
#include "common/lanzamiento.h"
#include "platform/forms/runtime.h"
#include "platform/forms/scripted_dialogs.h"
#include "platform/process/process.h"
#include "platform/testsupport/child.h"
#include "platform/testsupport/commands.h"
#include "platform/testsupport/sqlite_session.h"

namespace orvo::backup {
namespace {

namespace fs = std::filesystem;
using orvo::testing::ReadFile;
using orvo::testing::WriteFile;

// Whether another process holds a lock on `archivo` that an exclusive one
// would meet.
bool BloqueadoPorOtro(const fs::path& archivo) {
  const int fd = ::open(archivo.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool libre = ::flock(fd, LOCK_EX | LOCK_NB) == 0;
  ::close(fd);
  return !libre;
}

struct SnaploadTest : ::testing::Test {
  SnaploadTest() { p.Llena(); }

  Snapload& Ventana(bool conMarcador = true) {
    if (conMarcador) common::CreaMarcador(p.programa, common::kMarcadorSnapload);
    ventana = std::make_unique<Snapload>(boxes, runtime, p.programa);
    abierta = ventana->Open();
    return *ventana;
  }

  // Makes a set of the data as it stands now with the real Snapmake; its name.
  std::string Respaldo() {
    p.InstalaSnapmake();
    const std::string nombre = p.NuevoRespaldo();
    if (nombre.empty()) {
      ADD_FAILURE() << "no set was made";
    }
    return nombre;
  }

  void Elige(Snapload& w, const std::string& nombre) {
    auto* lista = w.Find<QListWidget>("File1");
    const auto items = lista->findItems(QString::fromStdString(nombre), Qt::MatchExactly);
    ASSERT_EQ(items.size(), 1) << nombre;
    lista->setCurrentItem(items[0]);
    w.File1_Click();
  }

  // The error path's message: number, blank, handler, blank, description.
  void EsperaError(int numero) {
    ASSERT_FALSE(boxes.shown.empty());
    const std::string inicio = std::to_string(numero) + " Form1::cmdUnZip_Click ";
    EXPECT_EQ(boxes.shown.back().text.substr(0, inicio.size()), inicio) << boxes.shown.back().text;
    EXPECT_EQ(p.Crtd(), "err\r\n");
    EXPECT_EQ(fin, -1);
    EXPECT_FALSE(ventana->Unloaded());
    EXPECT_FALSE(ventana->Find<QLabel>("espere")->isVisible());
  }

  prueba::Prueba p;
  forms::ScriptedDialogs boxes;
  int fin = -1;
  forms::Runtime runtime{boxes, "Snapload", [this](int status) { fin = status; }};
  std::unique_ptr<Snapload> ventana;
  bool abierta = false;
};

TEST_F(SnaploadTest, WindowListsOnlyMainArchives) {
  const std::string set = Respaldo();
  WriteFile(p.Respaldo() / "QR2_010101_000000.ZIP", "otro");
  WriteFile(p.Respaldo() / "leame.txt", "x");
  WriteFile(p.Respaldo() / "qr1_nota.txt", "x");
  Snapload& w = Ventana();
  ASSERT_TRUE(abierta);
  EXPECT_EQ(w.windowTitle().toStdString(), "Restauración de Respaldo de Base de Datos");
  EXPECT_EQ(w.Find<QLabel>("Label2")->text().toStdString(), "Elija el respaldo: (ddmmaa_hhmmss)");
  EXPECT_EQ(w.Find<QLabel>("lblTempDir")->text().toStdString(), "C:\\Quiravel");
  EXPECT_EQ(w.Find<QLabel>("lblCurDir")->text().toStdString(), "C:\\Quiravel");
  auto* lista = w.Find<QListWidget>("File1");
  ASSERT_EQ(lista->count(), 2);
  EXPECT_EQ(lista->item(0)->text().toStdString(), set);
  EXPECT_EQ(lista->item(1)->text().toStdString(), "qr1_nota.txt");
  EXPECT_FALSE(fs::exists(p.programa / "RevSnapload"));
  Elige(w, set);
  EXPECT_EQ(w.Find<QLineEdit>("archRes")->text().toStdString(), set);
}

TEST_F(SnaploadTest, WithoutMarkerRefusesWithSalir) {
  Ventana(false);
  EXPECT_FALSE(abierta);
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].text, "Este Modulo solo se ejecuta desde Orvo Rivuvurazozer");
  EXPECT_EQ(p.Crtd(), "salir\r\n");
}

TEST_F(SnaploadTest, NoBackupsEndsWithSalir) {
  Ventana();
  EXPECT_FALSE(abierta);
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].text, "No existen respaldos");
  EXPECT_EQ(boxes.shown[0].title, "");
  EXPECT_EQ(p.Crtd(), "salir\r\n");
  EXPECT_EQ(fin, 0);
}

TEST_F(SnaploadTest, InterruptedRestoreThatCannotBePutRightStopsTheStart) {
  Respaldo();
  WriteFile(p.Respaldo() / "~restaura_a1B2c3/diario", "orvo intercambio 1\nfase intercambio\nR\t");
  Ventana();
  EXPECT_FALSE(abierta);
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].text, "3343 El diario de restauración C:\\Quiravel\\orvoBackup\\~restaura_a1B2c3\\diario "
                                 "está dañado");
  EXPECT_EQ(p.Crtd(), "err\r\n");
  EXPECT_EQ(fin, 1);
  // Left for the next start, or for whoever mends it.
  EXPECT_TRUE(fs::exists(p.Respaldo() / "~restaura_a1B2c3/diario"));
}

TEST_F(SnaploadTest, RoundTripPutsBackTheDataOfTheSet) {
  const std::string set = Respaldo();
  const auto alRespaldar = p.Captura();
  // Everything changes afterwards: rows, files, new files, a lost file.
  p.Cambia();
  fs::remove(p.c.Path("Windows/ftpcnf.dll"));
  // Stale companions of the old database.
  WriteFile(p.c.Path("Quiravel/Quiravel.mdb-shm"), "viejo");
  ASSERT_NE(p.Captura(), alRespaldar);

  Snapload& w = Ventana();
  Elige(w, set);
  w.Command5_Click();
  EXPECT_TRUE(boxes.shown.empty()) << boxes.shown[0].text;
  EXPECT_EQ(p.Crtd(), "ok\r\n");
  EXPECT_EQ(fin, 0);
  EXPECT_FALSE(fs::exists(p.c.Path("Quiravel/Quiravel.mdb-shm")));
  EXPECT_FALSE(fs::exists(p.c.Path("Quiravel/Quiravel.mdb-wal")));
  auto despues = p.Captura();
  // Files of subfolders that no set holds stay where they are.
  EXPECT_EQ(despues.count("Quiravel/Res/sub/dentro.txt"), 1u);
  EXPECT_EQ(despues, alRespaldar);
  // The fresh backup taken before the restore is there for the next time.
  const auto respaldos = p.Respaldos();
  EXPECT_EQ(std::count_if(respaldos.begin(), respaldos.end(), [](const std::string& n) { return EsArchivoPrincipal(n); }),
            2);
  // Nothing of the staging is left in the backup folder.
  for (const auto& e : fs::directory_iterator(p.Respaldo())) EXPECT_TRUE(e.is_regular_file()) << e.path();
}

// The sqlite3 command line opens the file at once and takes no lock until
// its first statement, so nothing can tell it is there: the restore puts the
// set's data into the file it holds, and its first write afterwards lands in
// a sound database beside the restored rows.
TEST_F(SnaploadTest, SessionOpenedBeforeTheRestoreAndIdleWritesIntoTheRestoredData) {
  const std::string set = Respaldo();
  const long enElRespaldo = p.Filas("Checadas");
  p.Cambia();
  ASSERT_NE(p.Filas("Checadas"), enElRespaldo);
  orvo::testing::SqliteSession sesion(p.c.Path("Quiravel/Quiravel.mdb"));
  sesion.Send(".print abierta");

  Snapload& w = Ventana();
  Elige(w, set);
  w.Command5_Click();
  ASSERT_EQ(p.Crtd(), "ok\r\n") << (boxes.shown.empty() ? "" : boxes.shown.back().text);
  sesion.Send("INSERT INTO Checadas VALUES ('2010 05 04', 2, '09:00:00');");
  sesion.Send("SELECT count(*) FROM Checadas;");
  EXPECT_EQ(sesion.End(), 0) << sesion.Output();
  EXPECT_EQ(sesion.Output().find("malformed"), std::string::npos) << sesion.Output();
  EXPECT_NE(sesion.Output().find("\n" + std::to_string(enElRespaldo + 1) + "\n"), std::string::npos) << sesion.Output();
  EXPECT_EQ(p.Integridad(), "ok");
  EXPECT_EQ(p.Filas("Checadas"), enElRespaldo + 1);
  EXPECT_EQ(p.Filas("Checadas WHERE Fecha = '2010 05 04' AND Empleado = 2"), 1);
}

// A punch stored after Snapmake's snapshot of the current data and before the
// restored data stand is in neither; it must wait for the restore and land
// after it. The real Snapmake runs, then a writer starts before Snapload may
// go on to the swap.
TEST_F(SnaploadTest, RowStoredBetweenTheBackupAndTheSwapWaitsAndIsKept) {
  const std::string set = Respaldo();
  const long enElRespaldo = p.Filas("Checadas");
  p.Cambia();
  fs::rename(p.programa / "Snapmake", p.programa / "Snapmake.real");
  const fs::path estado = p.programa / "escritor";
  p.FalsoSnapmake("d=\"$(dirname \"$0\")\"\n"
                  "ORVO_SNAPLOAD_ESPERA=$$ \"$d/Snapmake.real\" \"$@\"; r=$?\n"
                  "( sqlite3 -batch -cmd '.timeout 120000' " +
                  orvo::testing::Quote(p.c.Path("Quiravel/Quiravel.mdb")) +
                  " \"INSERT INTO Checadas VALUES ('2026 02 05', 300, '09:00:00')\"; echo $? > \"$d/escritor.tmp\"; "
                  "mv \"$d/escritor.tmp\" \"$d/escritor\" ) > /dev/null 2>&1 &\n"
                  "exit $r");
  Snapload& w = Ventana();
  Elige(w, set);
  w.Command5_Click();
  ASSERT_EQ(p.Crtd(), "ok\r\n") << (boxes.shown.empty() ? "" : boxes.shown.back().text);
  for (int i = 0; i < 12000 && !fs::exists(estado); ++i) process::Sleep(std::chrono::milliseconds(10));
  ASSERT_TRUE(fs::exists(estado)) << "the writer did not end";
  EXPECT_EQ(ReadFile(estado), "0\n");
  EXPECT_EQ(p.Filas("Checadas WHERE Empleado = 300"), 1);
  EXPECT_EQ(p.Filas("Checadas"), enElRespaldo + 1);
  EXPECT_EQ(p.Integridad(), "ok");
}

// Installed where the user may not write, the programs lie in one folder and
// their markers and results in another ($ORVO_PROGRAM_FOLDER here): Snapmake
// is started from beside the programs and answers in the program folder.
TEST_F(SnaploadTest, SnapmakeBesideTheProgramsAnswersInTheProgramFolder) {
  const std::string set = Respaldo();
  const fs::path bin = p.programa / "bin";
  fs::create_directories(bin);
  fs::rename(p.programa / "Snapmake", bin / "Snapmake");
  const char* antes = std::getenv("ORVO_PROGRAM_FOLDER");
  const std::optional<std::string> previo = antes ? std::optional<std::string>(antes) : std::nullopt;
  setenv("ORVO_PROGRAM_FOLDER", p.programa.c_str(), 1);

  common::CreaMarcador(p.programa, common::kMarcadorSnapload);
  ventana = std::make_unique<Snapload>(boxes, runtime, p.programa, bin);
  ASSERT_TRUE(ventana->Open());
  Elige(*ventana, set);
  ventana->Command5_Click();
  if (previo) setenv("ORVO_PROGRAM_FOLDER", previo->c_str(), 1); else unsetenv("ORVO_PROGRAM_FOLDER");

  EXPECT_TRUE(boxes.shown.empty()) << boxes.shown[0].text;
  EXPECT_EQ(p.Crtd(), "ok\r\n");
  EXPECT_FALSE(fs::exists(p.programa / "RevSnapmake")) << "Snapmake found its marker there";
  EXPECT_FALSE(fs::exists(bin / "crtd"));
}

// What the backup does not take, the restore does not remove.
TEST_F(SnaploadTest, HiddenFilesAtTheTopStayThroughARestore) {
  const std::string set = Respaldo();
  WriteFile(p.c.Path("Quiravel/.oculto.txt"), "nota");
  Snapload& w = Ventana();
  Elige(w, set);
  w.Command5_Click();
  ASSERT_EQ(p.Crtd(), "ok\r\n") << (boxes.shown.empty() ? "" : boxes.shown.back().text);
  EXPECT_EQ(ReadFile(p.c.Path("Quiravel/.oculto.txt")), "nota");
  // Nor was it in the backup made before the restore.
  for (const std::string& nombre : p.Respaldos()) {
    for (const std::string& entrada : p.Entradas(p.Respaldo() / nombre)) EXPECT_EQ(entrada.find(".oculto"), std::string::npos);
  }
}

TEST_F(SnaploadTest, MainArchiveAloneRestoresOnlyItsOwnFiles) {
  const std::string set = Respaldo();
  const std::string sello(LeeNombre(set)->sello);
  for (const char* prefijo : {"QR2_", "FT1_", "POL_"}) fs::remove(p.Respaldo() / (prefijo + sello));
  // A companion of another stamp belongs to another set.
  const fs::path ajeno = p.programa / "ajeno";
  WriteFile(ajeno / "q.txt", "de otro respaldo");
  ASSERT_EQ(orvo::testing::RunCommand("cd " + orvo::testing::Quote(ajeno) + " && zip -q " +
                                      orvo::testing::Quote(p.Respaldo() / "QR2_010101_000000.ZIP") + " q.txt"),
            0);
  WriteFile(p.c.Path("Quiravel/Quira/q.txt"), "q cambiado");
  WriteFile(p.c.Path("Quiravel/notas.txt"), "cambiadas");

  Snapload& w = Ventana();
  Elige(w, set);
  w.Command5_Click();
  EXPECT_EQ(p.Crtd(), "ok\r\n");
  EXPECT_EQ(ReadFile(p.c.Path("Quiravel/notas.txt")), "notas\r\n");
  EXPECT_EQ(ReadFile(p.c.Path("Quiravel/Quira/q.txt")), "q cambiado");
}

TEST_F(SnaploadTest, NothingChosenIsAnErrorWithNumberZero) {
  Respaldo();
  Snapload& w = Ventana();
  w.Command5_Click();
  ASSERT_NO_FATAL_FAILURE(EsperaError(0));
  EXPECT_EQ(boxes.shown.back().text, "0 Form1::cmdUnZip_Click ");
  // A later exit replaces "err".
  w.salir_Click();
  EXPECT_EQ(p.Crtd(), "salir\r\n");
}

// Each failure leaves the data as it was and starts no restore.
struct FallaTest : SnaploadTest {
  void SetUp() override {
    set = Respaldo();
    antes = p.Captura();
    respaldosAntes = p.Respaldos();
  }
  void SinCambios() {
    EXPECT_EQ(p.Captura(), antes);
    for (const auto& e : fs::directory_iterator(p.Respaldo())) EXPECT_TRUE(e.is_regular_file()) << e.path();
  }
  // The restore of the set, as the user asks for it.
  void Restaura() {
    Snapload& w = Ventana();
    Elige(w, set);
    w.Command5_Click();
  }
  // A main archive made by Info-ZIP of `carpeta` (which holds "Quiravel"),
  // restored as the user asks for it.
  void RestauraOtro(const fs::path& carpeta) {
    ASSERT_EQ(orvo::testing::RunCommand("cd " + orvo::testing::Quote(carpeta) + " && zip -qr " +
                                        orvo::testing::Quote(p.Respaldo() / kOtro) + " Quiravel"),
              0);
    Snapload& w = Ventana();
    Elige(w, kOtro);
    w.Command5_Click();
  }
  const std::string kOtro = "QR1_010199_101010.ZIP";
  std::string set;
  prueba::Prueba::Estado antes;
  std::vector<std::string> respaldosAntes;
};

TEST_F(FallaTest, DamagedArchive) {
  std::string bytes = ReadFile(p.Respaldo() / set);
  for (std::size_t i = bytes.size() / 3; i < bytes.size() / 3 + 64; ++i) bytes[i] = static_cast<char>(~bytes[i]);
  WriteFile(p.Respaldo() / set, bytes);
  Restaura();
  ASSERT_NO_FATAL_FAILURE(EsperaError(3343));
  SinCambios();
  EXPECT_EQ(p.Respaldos(), respaldosAntes);  // no backup was made for nothing
}

TEST_F(FallaTest, SetWhoseDatabaseIsNoDatabase) {
  const fs::path otra = p.programa / "falso";
  WriteFile(otra / "Quiravel/Quiravel.mdb", "esto no es una base de datos");
  RestauraOtro(otra);
  ASSERT_NO_FATAL_FAILURE(EsperaError(3343));
  // Named by the C: path it would take, never by a path of this system.
  EXPECT_EQ(boxes.shown.back().text, "3343 Form1::cmdUnZip_Click La base de datos C:\\Quiravel\\Quiravel.mdb del respaldo " +
                                         kOtro + " está dañada: no es una base de datos válida");
  SinCambios();
}

TEST_F(FallaTest, SetWhoseDatabaseIsDamagedSaysWhichFileInOneLine) {
  const fs::path otra = p.programa / "danado";
  fs::create_directories(otra / "Quiravel");
  const fs::path copia = otra / "Quiravel/Quiravel.mdb";
  ASSERT_EQ(orvo::testing::RunCommand("sqlite3 " + orvo::testing::Quote(p.c.Path("Quiravel/Quiravel.mdb")) + " " +
                                      orvo::testing::Quote(".backup " + copia.string())),
            0);
  ASSERT_EQ(orvo::testing::RunCommand("sqlite3 " + orvo::testing::Quote(copia) +
                                      " 'CREATE INDEX ix_prueba ON Checadas (Fecha)' 'PRAGMA journal_mode = DELETE'"),
            0);
  orvo::testing::EmptyIndex(copia, "ix_prueba");
  RestauraOtro(otra);
  ASSERT_NO_FATAL_FAILURE(EsperaError(3343));
  const std::string& texto = boxes.shown.back().text;
  const std::string inicio = "3343 Form1::cmdUnZip_Click La base de datos C:\\Quiravel\\Quiravel.mdb del respaldo " +
                             kOtro + " está dañada: ";
  EXPECT_EQ(texto.substr(0, inicio.size()), inicio) << texto;
  EXPECT_NE(texto.find("ix_prueba"), std::string::npos) << texto;
  EXPECT_EQ(texto.find('\n'), std::string::npos) << texto;
  SinCambios();
}

TEST_F(FallaTest, SnapmakeMissing) {
  fs::remove(p.programa / "Snapmake");
  WriteFile(p.programa / "crtd", "ok\r\n");
  Restaura();
  ASSERT_FALSE(boxes.shown.empty());
  EXPECT_EQ(boxes.shown.back().text, "No se encuentra " + (p.programa / "Snapmake").string());
  EXPECT_EQ(boxes.shown.back().title, "Orvo");
  EXPECT_EQ(boxes.shown.back().icon, forms::Icon::Exclamation);
  EXPECT_EQ(p.Crtd(), "err\r\n");
  EXPECT_EQ(fin, 0);
  EXPECT_FALSE(fs::exists(p.programa / "RevSnapmake"));
  SinCambios();
}

TEST_F(FallaTest, SnapmakeThatCannotRun) {
  p.FalsoSnapmake("exit 0");
  fs::permissions(p.programa / "Snapmake", fs::perms::owner_read | fs::perms::owner_write);
  Restaura();
  ASSERT_NO_FATAL_FAILURE(EsperaError(70));
  EXPECT_FALSE(fs::exists(p.programa / "RevSnapmake"));
  SinCambios();
}

TEST_F(FallaTest, SnapmakeEndingWithoutResult) {
  p.FalsoSnapmake("exit 0");
  Restaura();
  ASSERT_NO_FATAL_FAILURE(EsperaError(17));
  SinCambios();
}

TEST_F(FallaTest, SnapmakeReportingFailure) {
  p.FalsoSnapmake(": > \"$(dirname \"$0\")/crtd.snapmake\"; sleep 2");
  Restaura();
  ASSERT_NO_FATAL_FAILURE(EsperaError(17));
  SinCambios();
}

TEST_F(FallaTest, StaleResultDoesNotEndTheWait) {
  WriteFile(p.programa / "crtd", "ok\r\n");
  p.FalsoSnapmake("test -e \"$(dirname \"$0\")/RevSnapmake\" || exit 1; exit 0");
  Restaura();
  ASSERT_NO_FATAL_FAILURE(EsperaError(17));
  SinCambios();
}

TEST_F(FallaTest, CancelledWaitStopsSnapmakeAndRestoresNothing) {
  p.FalsoSnapmake("exec sleep 60");
  Snapload& w = Ventana();
  Elige(w, set);
  bool respondio = false;
  // The window answers while Snapmake runs: a timer fires, and the cancel button works.
  QTimer::singleShot(200, [&] {
    respondio = true;
    EXPECT_TRUE(w.Find<QLabel>("espere")->isVisible());
    w.Find<QPushButton>("cancelar")->click();
  });
  w.Command5_Click();
  EXPECT_TRUE(respondio);
  ASSERT_NO_FATAL_FAILURE(EsperaError(18));
  SinCambios();
}

TEST_F(FallaTest, DatabaseHeldOpenByAnotherProgram) {
  // A second program holding the main database as a connection holds it.
  // Without forking, so that stopping it releases the lock at once.
  orvo::testing::Child otro =
      orvo::testing::Start("/usr/bin/flock", {"-s", "-F", p.c.Path("Quiravel/Quiravel.ldb").string(), "sleep", "60"});
  // Until the lock is held: the file exists a moment before.
  const auto limite = std::chrono::steady_clock::now() + std::chrono::minutes(1);
  while (!BloqueadoPorOtro(p.c.Path("Quiravel/Quiravel.ldb")) && otro.Running() &&
         std::chrono::steady_clock::now() < limite)
    process::Sleep(std::chrono::milliseconds(10));
  ASSERT_TRUE(BloqueadoPorOtro(p.c.Path("Quiravel/Quiravel.ldb")));
  Snapload& w = Ventana();
  Elige(w, set);
  w.Command5_Click();
  ::kill(otro.Pid(), SIGTERM);
  otro.Wait(std::chrono::seconds(5));
  ASSERT_NO_FATAL_FAILURE(EsperaError(3045));
  EXPECT_NE(boxes.shown.back().text.find("C:\\Quiravel\\Quiravel.mdb"), std::string::npos) << boxes.shown.back().text;
  SinCambios();
  EXPECT_EQ(p.Respaldos(), respaldosAntes);
}

// A user looking inside with the sqlite3 command line, idle between two
// statements: the restore is refused, and the session's next statement lands
// in the database that stays in place.
TEST_F(FallaTest, DatabaseOpenInAnIdleSqliteSession) {
  orvo::testing::SqliteSession sesion(p.c.Path("Quiravel/Quiravel.mdb"));
  sesion.Send("SELECT count(*) FROM Checadas;");
  Restaura();
  ASSERT_NO_FATAL_FAILURE(EsperaError(3045));
  EXPECT_EQ(boxes.shown.back().text,
            "3045 Form1::cmdUnZip_Click No se pudo usar 'C:\\Quiravel\\Quiravel.mdb'; el archivo está en uso por otro "
            "programa.");
  SinCambios();
  EXPECT_EQ(p.Respaldos(), respaldosAntes);
  const long checadas = p.Filas("Checadas");
  sesion.Send("INSERT INTO Checadas VALUES ('2010 05 04', 2, '09:00:00');");
  EXPECT_EQ(sesion.End(), 0) << sesion.Output();
  EXPECT_EQ(p.Filas("Checadas"), checadas + 1);
}

TEST_F(FallaTest, FailureInTheMiddleOfTheSwapPutsEverythingBack) {
  // After the set was made, a folder took the place of one of its files.
  fs::remove(p.c.Path("Quiravel/Res/foto.jpg"));
  WriteFile(p.c.Path("Quiravel/Res/foto.jpg/dentro.txt"), "una carpeta");
  p.Sql("INSERT INTO Checadas VALUES ('2026 02 05', 127, '09:00:00')");
  antes = p.Captura();
  Restaura();
  ASSERT_NO_FATAL_FAILURE(EsperaError(75));
  SinCambios();
}

TEST_F(FallaTest, NameNotOfTheList) {
  Snapload& w = Ventana();
  w.Find<QLineEdit>("archRes")->setText("QR1_010101_000000.ZIP");
  w.Command5_Click();
  ASSERT_NO_FATAL_FAILURE(EsperaError(52));
  EXPECT_EQ(boxes.shown.back().text,
            "52 Form1::cmdUnZip_Click Nombre de respaldo no válido: \"QR1_010101_000000.ZIP\"");
  SinCambios();
}

}  // namespace
}  // namespace orvo::backup
