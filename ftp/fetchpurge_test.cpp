// The window Fetchpurge on the offscreen platform, its boxes scripted, over a
// real main database and a real FTP server on loopback.
#include "ftp/fetchpurge.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <chrono>
#include <memory>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include "common/arranque.h"
#include "ftp/filas_de_prueba.h"
#include "platform/forms/scripted_dialogs.h"
#include "platform/testsupport/ftp_server.h"
#include "platform/testsupport/temp_drive.h"
#include "platform/db/recordset.h"
#include "schema/nueva_base.h"
#include "schema/regenera.h"

namespace orvo::ftp {
namespace {

using forms::Buttons;
using forms::Icon;
using forms::ScriptedDialogs;
using ::testing::Contains;
using ::testing::HasSubstr;
using ::testing::Not;
using Shown = ScriptedDialogs::Shown;
namespace fs = std::filesystem;

constexpr const char* kDescargado = " Archivo Descargado del Servidor";
constexpr const char* kNoDisponible = "El servidor FTP no esta diponible en este momento, intente mas tarde";
constexpr const char* kBueno = "2010 05 03,00125,07:58:10\r\n2010 05 03,7,08:00:00\r\n";

// One Fetchpurge: drive C: with its database, the remote folder "poleos" on a
// loopback server, the settings file pointing there, boxes and recorded ends.
struct Programa {
  explicit Programa(const orvo::testing::FtpBehaviour& servidor = {}) {
    fs::create_directories(c.Path("remoto/poleos"));
    fs::create_directories(c.Path("programa"));
    ftp = std::make_unique<orvo::testing::FtpServer>(c.Path("remoto"), servidor);
    // A bare host: the routines add the prefix.
    Configura("127.0.0.1:" + std::to_string(ftp->Port()), ftp->User(), ftp->Password(), "poleos");
    schema::CreaBasePrincipal("Empresa de prueba");
    Arranca();
  }
  // The program started (again): its connection and its window.
  void Arranca() {
    common::Inicia(bases, {.pruebaArchivo = false, .recordsets = 0}, boxes);
    w = std::make_unique<Fetchpurge>(bases, boxes, runtime, marcador);
  }
  // The program started again against a server of other ways, on the same folder.
  void Servidor(const orvo::testing::FtpBehaviour& servidor) {
    ftp = std::make_unique<orvo::testing::FtpServer>(c.Path("remoto"), servidor);
    Configura(ftp->Url(), ftp->User(), ftp->Password(), "poleos");
  }
  void Configura(const std::string& servidor, const std::string& usuario, const std::string& password,
                 const std::string& path) {
    orvo::testing::WriteFile(c.Path("Windows/ftpcnf.dll"),
                             servidor + "\r\n" + usuario + "\r\n" + password + "\r\n" + path + "\r\nCentro\r\n");
  }
  void Remoto(const std::string& nombre, const std::string& bytes) {
    orvo::testing::WriteFile(c.Path("remoto/poleos/" + nombre), bytes);
  }
  bool EnServidor(const std::string& nombre) { return fs::exists(c.Path("remoto/poleos/" + nombre)); }
  std::vector<std::string> Lista() {
    std::vector<std::string> nombres;
    auto* lista = w->Find<QListWidget>("List1");
    for (int i = 0; i < lista->count(); ++i) nombres.push_back(lista->item(i)->text().toStdString());
    return nombres;
  }
  void Elige(int fila) { w->Find<QListWidget>("List1")->setCurrentRow(fila); }
  std::string Archivo() { return w->Find<QLineEdit>("txt_archivo")->text().toStdString(); }
  void Descarga() { QTest::mouseClick(w->Find("Command1"), Qt::LeftButton); }
  std::vector<std::string> Filas(const std::string& tabla) { return prueba::Filas(bases.cn, tabla); }
  std::vector<std::string> Textos() {
    std::vector<std::string> textos;
    for (const Shown& s : boxes.shown) textos.push_back(s.text);
    return textos;
  }
  bool Marcador() { return fs::exists(c.Path("programa/cnctd")); }
  long Veces(const std::string& comando) {
    const auto log = ftp->Log();
    return std::count(log.begin(), log.end(), comando);
  }

  orvo::testing::TempDrive c;
  std::unique_ptr<orvo::testing::FtpServer> ftp;
  common::Bases bases;
  ScriptedDialogs boxes;
  std::vector<int> ends;
  forms::Runtime runtime{boxes, "Fetchpurge", [this](int s) { ends.push_back(s); }};
  MarcadorConexion marcador{c.Path("programa")};
  std::unique_ptr<Fetchpurge> w;
};

void EsperaCaja(const Shown& caja, const std::string& texto, Icon icono, const std::string& titulo) {
  EXPECT_EQ(caja.kind, Shown::Message);
  EXPECT_EQ(caja.text, texto);
  EXPECT_EQ(caja.icon, icono);
  EXPECT_EQ(caja.title, titulo);
  EXPECT_EQ(caja.buttons, Buttons::Ok);
}

struct FetchpurgeTest : ::testing::Test {};

TEST_F(FetchpurgeTest, LoadListsTheRemoteFolderAndLeavesTheMarker) {
  Programa p;
  p.Remoto("b.dat", kBueno);
  p.Remoto("a.dat", kBueno);
  ASSERT_TRUE(p.w->Open());
  EXPECT_TRUE(p.boxes.shown.empty()) << p.Textos().front();
  EXPECT_EQ(p.Lista(), (std::vector<std::string>{"a.dat", "b.dat"}));
  EXPECT_EQ(p.Archivo(), "");
  EXPECT_TRUE(p.Marcador());
  EXPECT_TRUE(fs::is_directory(p.c.Path("Quiravel/poleosInternet")));
  EXPECT_EQ(p.w->windowTitle().toStdString(), "Descargar poleos desde Internet");
  EXPECT_EQ(p.w->Find<QLabel>("Label2")->text().toStdString(), "Seleccione el archivo del Servidor FTP");
  EXPECT_EQ(p.w->Find<QLabel>("Label1")->text().toStdString(), "Archivo a Descargar");
  EXPECT_EQ(p.w->Find<QLabel>("Label3")->text().toStdString(), "V 3.5 +");
  EXPECT_EQ(p.Veces("CWD poleos"), 1);
  EXPECT_EQ(p.Veces("PASS ****"), 1);

  p.Elige(1);
  EXPECT_EQ(p.Archivo(), "b.dat");
  QTest::mouseClick(p.w->Find("Command2"), Qt::LeftButton);
  EXPECT_FALSE(p.Marcador());
  EXPECT_TRUE(p.w->Unloaded());
}

TEST_F(FetchpurgeTest, AGoodFileIsLoadedThenDeletedOnTheServer) {
  Programa p;
  p.Remoto("a.dat", kBueno);
  p.Remoto("b.dat", "2010 05 04,1,09:00:00\r\n");
  ASSERT_TRUE(p.w->Open());
  p.Elige(0);
  p.Descarga();

  ASSERT_EQ(p.boxes.shown.size(), 1u) << p.Textos().front();
  EsperaCaja(p.boxes.shown[0], kDescargado, Icon::None, "");
  const std::vector<std::string> filas = {"2010 05 03|125|07:58:10", "2010 05 03|7|08:00:00"};
  EXPECT_EQ(p.Filas("Checadas"), filas);
  EXPECT_EQ(p.Filas("Listado1"), filas);
  EXPECT_FALSE(p.EnServidor("a.dat"));
  EXPECT_TRUE(p.EnServidor("b.dat"));
  EXPECT_EQ(orvo::testing::ReadFile(p.c.Path("Quiravel/poleosInternet/a.dat")), kBueno);
  EXPECT_EQ(p.Lista(), std::vector<std::string>{"b.dat"});  // listed afresh
  EXPECT_EQ(p.Archivo(), "");
  EXPECT_TRUE(p.Marcador());
  EXPECT_TRUE(p.w->Find("Command1")->isEnabled());
  const auto log = p.ftp->Log();
  const auto retr = std::find(log.begin(), log.end(), "RETR a.dat");
  const auto dele = std::find(log.begin(), log.end(), "DELE a.dat");
  ASSERT_NE(retr, log.end());
  ASSERT_NE(dele, log.end());
  EXPECT_LT(retr, dele);
}

TEST_F(FetchpurgeTest, ABadLineLoadsNothingAndLeavesTheFileOnTheServer) {
  Programa p;
  p.Remoto("a.dat", "2010 05 03,1,07:00:00\r\n2010 05 03,x,07:01:00\r\n");
  ASSERT_TRUE(p.w->Open());
  p.Elige(0);
  p.Descarga();
  ASSERT_EQ(p.boxes.shown.size(), 1u);
  EXPECT_EQ(p.boxes.shown[0].icon, Icon::Critical);
  EXPECT_EQ(p.boxes.shown[0].title, "Fetchpurge");
  EXPECT_THAT(p.boxes.shown[0].text, HasSubstr("La línea 2 del archivo a.dat"));
  EXPECT_THAT(p.boxes.shown[0].text, HasSubstr("2010 05 03,x,07:01:00"));
  EXPECT_THAT(p.boxes.shown[0].text, HasSubstr("sigue en el servidor FTP"));
  EXPECT_TRUE(p.Filas("Checadas").empty());
  EXPECT_TRUE(p.Filas("Listado1").empty());
  EXPECT_TRUE(p.EnServidor("a.dat"));
  EXPECT_EQ(p.Veces("DELE a.dat"), 0);
  EXPECT_TRUE(p.w->Find("Command1")->isEnabled());
  EXPECT_TRUE(p.ends.empty());
}

TEST_F(FetchpurgeTest, ARefusedDeletionSaysTheFileWasLoadedButStaysOnTheServer) {
  Programa p({.allowDelete = false});
  p.Remoto("a.dat", kBueno);
  ASSERT_TRUE(p.w->Open());
  p.Elige(0);
  p.Descarga();
  ASSERT_EQ(p.boxes.shown.size(), 2u);
  EXPECT_EQ(p.boxes.shown[0].icon, Icon::Critical);
  EXPECT_THAT(p.boxes.shown[0].text, HasSubstr("550"));
  EXPECT_EQ(p.boxes.shown[1].icon, Icon::Exclamation);
  EXPECT_THAT(p.boxes.shown[1].text, HasSubstr("se cargó en la base de datos, pero sigue en el servidor FTP. Si lo "
                                               "vuelve a descargar no se cargará otra vez"));
  EXPECT_THAT(p.Textos(), Not(Contains(kDescargado)));
  EXPECT_EQ(p.Filas("Checadas").size(), 2u);
  EXPECT_TRUE(p.EnServidor("a.dat"));
  EXPECT_EQ(p.Lista(), std::vector<std::string>{"a.dat"});
}

TEST_F(FetchpurgeTest, AServerThatCannotBeListedEndsTheProgramWithoutItsMarker) {
  struct Caso {
    const char* nombre;
    std::function<void(Programa&)> prepara;
    std::string error;
  };
  orvo::testing::SilentServer mudo;
  const orvo::testing::ClosedPort cerrado;
  const Caso casos[] = {
      {"wrong password", [](Programa& p) { p.Configura(p.ftp->Url(), p.ftp->User(), "otra", "poleos"); }, "530"},
      {"missing folder", [](Programa& p) { p.Configura(p.ftp->Url(), p.ftp->User(), p.ftp->Password(), "no_existe"); },
       "550"},
      {"closed port", [&](Programa& p) { p.Configura(cerrado.Url(), "u", "p", "poleos"); }, "No se puede conectar"},
      {"silent server", [&](Programa& p) { p.Configura(mudo.Url(), "u", "p", "poleos"); }, "tiempo de espera"},
  };
  for (const Caso& caso : casos) {
    SCOPED_TRACE(caso.nombre);
    Programa p;
      caso.prepara(p);
    // Only the silent server waits for the time-out; the real ones answer,
    // however loaded the machine.
    if (caso.error == std::string("tiempo de espera")) p.w->inet_FTP.RequestTimeout = std::chrono::seconds(1);
    EXPECT_FALSE(p.w->Open());
    ASSERT_EQ(p.boxes.shown.size(), 2u);
    EXPECT_EQ(p.boxes.shown[0].icon, Icon::Critical);
    EXPECT_EQ(p.boxes.shown[0].title, "Fetchpurge");
    EXPECT_THAT(p.boxes.shown[0].text, HasSubstr(caso.error));
    EXPECT_THAT(p.boxes.shown[0].text, Not(HasSubstr("otra")));
    EsperaCaja(p.boxes.shown[1], kNoDisponible, Icon::None, "");
    EXPECT_TRUE(p.w->Unloaded());
    EXPECT_FALSE(p.Marcador());
  }
}

TEST_F(FetchpurgeTest, MissingOrShortSettingsEndWithAMessage) {
  {
    Programa p;
    fs::remove(p.c.Path("Windows/ftpcnf.dll"));
    EXPECT_FALSE(p.w->Open());
    ASSERT_EQ(p.boxes.shown.size(), 1u);
    EsperaCaja(p.boxes.shown[0], "Primero configure el FTP en el Menu Terminales", Icon::None, "");
    EXPECT_FALSE(p.Marcador());
    EXPECT_TRUE(p.ftp->Log().empty());
  }
  {
    Programa p;
    orvo::testing::WriteFile(p.c.Path("Windows/ftpcnf.dll"), "127.0.0.1\r\nreloj\r\n");
    EXPECT_FALSE(p.w->Open());
    ASSERT_EQ(p.boxes.shown.size(), 1u);
    EXPECT_EQ(p.boxes.shown[0].icon, Icon::Critical);
    EXPECT_THAT(p.boxes.shown[0].text, HasSubstr("C:\\Windows\\ftpcnf.dll"));
    EXPECT_TRUE(p.ends.empty());
  }
}

TEST_F(FetchpurgeTest, NoNameOrABadNameIsRefusedBeforeAnythingIsSent) {
  Programa p;
  p.Remoto("a.dat", kBueno);
  ASSERT_TRUE(p.w->Open());
  p.Descarga();
  ASSERT_EQ(p.boxes.shown.size(), 1u);
  EsperaCaja(p.boxes.shown[0], "No hay seleccionado archivo para subir", Icon::None, "");

  for (const char* malo : {"../Quiravel.mdb", "..", "a/b.dat", "a\\b.dat"}) {
    p.boxes.shown.clear();
    p.w->Find<QLineEdit>("txt_archivo")->setText(QString::fromUtf8(malo));
    p.Descarga();
    ASSERT_EQ(p.boxes.shown.size(), 1u) << malo;
    EXPECT_EQ(p.boxes.shown[0].icon, Icon::Critical);
    EXPECT_THAT(p.boxes.shown[0].text, HasSubstr("El nombre de archivo no es válido"));
  }
  for (const std::string& l : p.ftp->Log()) EXPECT_FALSE(l.starts_with("RETR") || l.starts_with("DELE")) << l;
  EXPECT_FALSE(fs::exists(p.c.Path("Quiravel/Quiravel.mdb.part")));
}

TEST_F(FetchpurgeTest, ASecondClickDuringATransferDoesNothing) {
  Programa p;
  p.Remoto("a.dat", kBueno);
  ASSERT_TRUE(p.w->Open());
  p.Elige(0);
  bool habilitado = true;
  QTimer::singleShot(0, p.w.get(), [&] {
    habilitado = p.w->Find("Command1")->isEnabled();
    p.w->Command1_Click();
  });
  p.Descarga();
  EXPECT_FALSE(habilitado);
  EXPECT_EQ(p.Veces("RETR a.dat"), 1);
  EXPECT_EQ(p.Filas("Listado1").size(), 2u);
  EXPECT_FALSE(p.w->Unloaded());
  EXPECT_THAT(p.Textos(), Contains(kDescargado));
}

TEST_F(FetchpurgeTest, OddNamesAndAServerWithItsPrefix) {
  Programa p;
  p.Configura("FTP://127.0.0.1:" + std::to_string(p.ftp->Port()), p.ftp->User(), p.ftp->Password(), "/poleos");
  p.Remoto("con espacio.dat", kBueno);
  p.Remoto("\xC3\xB1" "and\xC3\xBA.dat", kBueno);
  ASSERT_TRUE(p.w->Open());
  EXPECT_EQ(p.Lista(), (std::vector<std::string>{"con espacio.dat", "ñandú.dat"}));
  for (int i = 0; i < 2; ++i) {
    p.Elige(0);
    p.Descarga();
  }
  EXPECT_THAT(p.Textos(), (std::vector<std::string>{kDescargado, kDescargado}));
  EXPECT_TRUE(p.Lista().empty());
  EXPECT_EQ(p.Filas("Checadas").size(), 4u);
  EXPECT_TRUE(fs::exists(p.c.Path("Quiravel/poleosInternet/ñandú.dat")));
}

// A name near the system's limit: the partial download beside it is named
// shortly, and the file is downloaded and loaded as any other.
TEST_F(FetchpurgeTest, ARemoteNameNearTheLimitIsDownloadedAndLoaded) {
  Programa p;
  const std::string largo = std::string(246, 'l') + ".dat";
  p.Remoto(largo, kBueno);
  ASSERT_TRUE(p.w->Open());
  ASSERT_EQ(p.Lista(), std::vector<std::string>{largo});
  p.Elige(0);
  p.Descarga();
  EXPECT_THAT(p.Textos(), (std::vector<std::string>{kDescargado}));
  EXPECT_EQ(p.Filas("Checadas").size(), 2u);
  EXPECT_FALSE(p.EnServidor(largo));
  const fs::path carpeta = p.c.Path("Quiravel/poleosInternet");
  EXPECT_EQ(orvo::testing::ReadFile(carpeta / largo), kBueno);
  for (const auto& e : fs::directory_iterator(carpeta))
    EXPECT_FALSE(e.path().filename().string().ends_with(".part")) << e.path();
}

TEST_F(FetchpurgeTest, ADatabaseErrorLoadsNothingAndLeavesTheFileOnTheServer) {
  Programa p;
  p.Remoto("a.dat", kBueno);
  p.bases.cn.Execute(
      "CREATE TRIGGER Falla BEFORE INSERT ON Listado1 WHEN NEW.Empleado = 7 BEGIN "
      "SELECT RAISE(ABORT, 'falla de prueba'); END");
  ASSERT_TRUE(p.w->Open());
  p.Elige(0);
  p.Descarga();  // through the run-time error boundary, as in the program
  EXPECT_EQ(p.ends, std::vector<int>{1});
  ASSERT_EQ(p.boxes.shown.size(), 1u);
  EXPECT_EQ(p.boxes.shown[0].icon, Icon::Critical);
  EXPECT_TRUE(p.Filas("Checadas").empty());
  EXPECT_TRUE(p.Filas("Listado1").empty());
  EXPECT_TRUE(p.EnServidor("a.dat"));
  EXPECT_EQ(p.Veces("DELE a.dat"), 0);
}

TEST_F(FetchpurgeTest, AFileLoadedButNotDeletedIsNotLoadedAgainOnlyItsDeletionIsRetried) {
  Programa p({.allowDelete = false});
  p.Remoto("a.dat", kBueno);
  ASSERT_TRUE(p.w->Open());
  p.Elige(0);
  p.Descarga();  // loaded; the deletion refused
  ASSERT_EQ(p.Filas("Listado1").size(), 2u);
  ASSERT_TRUE(p.EnServidor("a.dat"));

  p.boxes.shown.clear();
  p.Elige(0);
  p.Descarga();  // the same file again
  ASSERT_EQ(p.boxes.shown.size(), 2u) << p.Textos().back();
  EXPECT_THAT(p.boxes.shown[0].text, HasSubstr("no borró el archivo a.dat"));
  EsperaCaja(p.boxes.shown[1],
             "El archivo a.dat ya estaba cargado en la base de datos, así que no se volvió a cargar; sigue en el "
             "servidor FTP porque no se pudo borrar.",
             Icon::Exclamation, "Fetchpurge");
  EXPECT_EQ(p.Filas("Checadas").size(), 2u);
  EXPECT_EQ(p.Filas("Listado1").size(), 2u);
  EXPECT_EQ(p.Veces("RETR a.dat"), 2);
  EXPECT_EQ(p.Veces("DELE a.dat"), 2);

  // Started again against a server that lets it delete: the deletion is all that is left.
  p.ftp = std::make_unique<orvo::testing::FtpServer>(p.c.Path("remoto"));
  p.Configura(p.ftp->Url(), p.ftp->User(), p.ftp->Password(), "poleos");
  p.w = std::make_unique<Fetchpurge>(p.bases, p.boxes, p.runtime, p.marcador);
  p.boxes.shown.clear();
  ASSERT_TRUE(p.w->Open());
  p.Elige(0);
  p.Descarga();
  ASSERT_EQ(p.boxes.shown.size(), 1u) << p.Textos().front();
  EsperaCaja(p.boxes.shown[0],
             "El archivo a.dat ya estaba cargado en la base de datos, así que no se volvió a cargar; se borró del "
             "servidor FTP.",
             Icon::Information, "Fetchpurge");
  EXPECT_FALSE(p.EnServidor("a.dat"));
  EXPECT_EQ(p.Filas("Checadas").size(), 2u);
  EXPECT_EQ(p.Filas("Listado1").size(), 2u);
  EXPECT_TRUE(p.Lista().empty());
}

TEST_F(FetchpurgeTest, TheExitDuringASlowDownloadAbandonsItAndLoadsNothing) {
  std::string grande;
  while (grande.size() < 200000) grande += kBueno;
  struct Caso {
    const char* nombre;
    std::function<void(Fetchpurge&)> sale;
  };
  const Caso casos[] = {
      {"exit button", [](Fetchpurge& w) { QTest::mouseClick(w.Find("Command2"), Qt::LeftButton); }},
      {"window closed", [](Fetchpurge& w) { w.close(); }},
  };
  for (const Caso& caso : casos) {
    SCOPED_TRACE(caso.nombre);
    Programa p({.bytesPerSecond = 2000});  // 100 seconds for the whole file
    p.Remoto("a.dat", grande);
    ASSERT_TRUE(p.w->Open());
    p.Elige(0);
    const fs::path carpeta = p.c.Path("Quiravel/poleosInternet");
    bool llegando = false, habilitada = false;
    QTimer vigia;
    QObject::connect(&vigia, &QTimer::timeout, [&] {
      // Once bytes of the file have arrived.
      for (const auto& e : fs::directory_iterator(carpeta))
        if (e.path().filename().string().ends_with(".part") && e.file_size() > 0 && !llegando) {
          llegando = true;
          habilitada = p.w->Find("Command2")->isEnabled();
          caso.sale(*p.w);
        }
    });
    vigia.start(20);
    const auto inicio = std::chrono::steady_clock::now();
    p.Descarga();
    vigia.stop();
    EXPECT_LT(std::chrono::steady_clock::now() - inicio, std::chrono::seconds(60));
    EXPECT_TRUE(llegando);
    EXPECT_TRUE(habilitada);
    EXPECT_TRUE(p.w->Unloaded());
    EXPECT_FALSE(p.Marcador());
    EXPECT_TRUE(p.boxes.shown.empty()) << p.Textos().front();
    EXPECT_TRUE(p.Filas("Checadas").empty());
    EXPECT_TRUE(p.Filas("Listado1").empty());
    EXPECT_TRUE(fs::is_empty(carpeta));  // no partial file, no copy
    EXPECT_TRUE(p.EnServidor("a.dat"));
    EXPECT_EQ(p.Veces("DELE a.dat"), 0);
  }
}

TEST_F(FetchpurgeTest, AnEmptyFolderListedWith550IsAnEmptyList) {
  Programa p({.emptyListingIs550 = true});
  p.Remoto("a.dat", kBueno);
  ASSERT_TRUE(p.w->Open());
  p.Elige(0);
  p.Descarga();  // the last file: the listing afterwards is the server's 550
  EXPECT_THAT(p.Textos(), (std::vector<std::string>{kDescargado}));
  EXPECT_TRUE(p.Lista().empty());
  EXPECT_FALSE(p.w->Unloaded());

  Programa vacio({.emptyListingIs550 = true});
  EXPECT_TRUE(vacio.w->Open());
  EXPECT_TRUE(vacio.boxes.shown.empty()) << vacio.Textos().front();
  EXPECT_TRUE(vacio.Lista().empty());
  EXPECT_THAT(vacio.ftp->Log(), Contains("NLST"));
}

TEST_F(FetchpurgeTest, ADownloadCutShortIsToldInSpanishAndLoadsNothing) {
  Programa p({.cutAfter = 30});
  p.Remoto("a.dat", kBueno);
  ASSERT_TRUE(p.w->Open());
  p.Elige(0);
  p.Descarga();
  ASSERT_EQ(p.boxes.shown.size(), 1u);
  EsperaCaja(p.boxes.shown[0],
             "Se recibió solo una parte del archivo a.dat del servidor FTP " + p.ftp->Url() +
                 ": la transferencia se cortó antes de terminar.",
             Icon::Critical, "Fetchpurge");
  EXPECT_TRUE(p.Filas("Listado1").empty());
  EXPECT_TRUE(fs::is_empty(p.c.Path("Quiravel/poleosInternet")));
  EXPECT_TRUE(p.EnServidor("a.dat"));
}

TEST_F(FetchpurgeTest, TheServerIsReadWithoutTheBlanksAroundItAndCtrlZEndsAFile) {
  Programa p;
  p.Configura(" 127.0.0.1:" + std::to_string(p.ftp->Port()) + " \t", p.ftp->User(), p.ftp->Password(), "poleos");
  p.Remoto("a.dat", std::string(kBueno) + "\x1A");
  ASSERT_TRUE(p.w->Open());
  EXPECT_TRUE(p.boxes.shown.empty()) << p.Textos().front();
  p.Elige(0);
  p.Descarga();
  EXPECT_THAT(p.Textos(), (std::vector<std::string>{kDescargado}));
  EXPECT_EQ(p.Filas("Checadas"), (std::vector<std::string>{"2010 05 03|125|07:58:10", "2010 05 03|7|08:00:00"}));
}

TEST_F(FetchpurgeTest, LeftoversOfKilledRunsGoAtStart) {
  Programa p;
  const pid_t muerto = ::fork();
  ASSERT_GE(muerto, 0);
  if (muerto == 0) ::_exit(0);
  ASSERT_EQ(::waitpid(muerto, nullptr, 0), muerto);
  const fs::path resto = p.c.Path("Quiravel/poleosInternet/.a.dat." + std::to_string(muerto) + ".0.part");
  orvo::testing::WriteFile(resto, "2010 05");
  // The name of the earlier version's record is a punch file like any other now.
  p.Remoto("Cargados.TXT", kBueno);
  ASSERT_TRUE(p.w->Open());
  EXPECT_FALSE(fs::exists(resto));

  p.Elige(0);
  p.Descarga();
  EXPECT_THAT(p.Textos(), (std::vector<std::string>{kDescargado}));
  EXPECT_EQ(p.Filas("Listado1").size(), 2u);
  EXPECT_FALSE(p.EnServidor("Cargados.TXT"));
}

// What the record of loaded files holds, as "name|size".
std::vector<std::string> Registro(db::Connection& cn) {
  db::Recordset rs(cn);
  rs.Open("SELECT Archivo, Tamano FROM ArchivosCargados ORDER BY rowid");
  std::vector<std::string> filas;
  for (; !rs.Eof(); rs.MoveNext()) filas.push_back(db::AsText(rs.Field("Archivo")) + "|" + db::AsText(rs.Field("Tamano")));
  return filas;
}

TEST_F(FetchpurgeTest, AnOlderSetRestoredGetsItsPunchesBackOnceAndOnlyThenIsTheFileDeleted) {
  Programa p({.allowDelete = false});
  p.Remoto("a.dat", kBueno);
  // A backup set from before the record existed.
  const fs::path juego = p.c.Path("juego.mdb");
  p.bases.cn.Snapshot(juego.string());
  ASSERT_TRUE(p.w->Open());
  p.Elige(0);
  p.Descarga();  // loaded; the deletion refused
  ASSERT_EQ(p.Filas("Listado1").size(), 2u);
  ASSERT_TRUE(p.EnServidor("a.dat"));

  // The set restored while no program has the database open.
  p.w.reset();
  p.bases.cn.Close();
  fs::copy_file(juego, p.c.Path("Quiravel/Quiravel.mdb"), fs::copy_options::overwrite_existing);
  p.Servidor({});
  p.Arranca();
  ASSERT_TRUE(p.Filas("Listado1").empty());
  p.boxes.shown.clear();
  ASSERT_TRUE(p.w->Open());
  p.Elige(0);
  p.Descarga();
  EXPECT_THAT(p.Textos(), (std::vector<std::string>{kDescargado}));
  EXPECT_EQ(p.Filas("Checadas").size(), 2u);
  EXPECT_EQ(p.Filas("Listado1").size(), 2u);
  EXPECT_FALSE(p.EnServidor("a.dat"));
  EXPECT_EQ(Registro(p.bases.cn), std::vector<std::string>{"a.dat|" + std::to_string(std::string_view(kBueno).size())});
}

TEST_F(FetchpurgeTest, RegenerationLeavesTheRecordOfLoadedFilesAlone) {
  Programa p({.allowDelete = false});
  p.Remoto("a.dat", kBueno);
  ASSERT_TRUE(p.w->Open());
  p.Elige(0);
  p.Descarga();
  ASSERT_EQ(p.Filas("Listado1").size(), 2u);
  {
    // Varurarodi's run, while Fetchpurge stays open.
    ScriptedDialogs d;
    int fin = -1;
    forms::Runtime rt(d, "Varurarodi", [&](int status) { fin = status; });
    common::Bases bases;
    auto regenera = schema::Inicio(bases, d, rt);
    ASSERT_TRUE(regenera);
    QTest::mouseClick(regenera->Find("Command5"), Qt::LeftButton);
    ASSERT_EQ(d.shown.size(), 1u);
    EXPECT_EQ(d.shown[0].text, "Regeneración finalizada con exito");
  }
  EXPECT_EQ(Registro(p.bases.cn).size(), 1u);
  p.boxes.shown.clear();
  p.Elige(0);
  p.Descarga();
  ASSERT_EQ(p.boxes.shown.size(), 2u);
  EXPECT_EQ(p.boxes.shown[1].text,
            "El archivo a.dat ya estaba cargado en la base de datos, así que no se volvió a cargar; sigue en el "
            "servidor FTP porque no se pudo borrar.");
  EXPECT_EQ(p.Filas("Listado1").size(), 2u);
}

TEST_F(FetchpurgeTest, TwoWindowsLoadOneFileOnceAndTheSecondSaysItIsNoLongerOnTheServer) {
  std::string archivo;
  // Beyond what the slow server sends in its first piece: the download takes seconds.
  while (archivo.size() < 10000) archivo += kBueno;
  const std::size_t lineas = archivo.size() / std::string_view(kBueno).size() * 2;
  Programa p({.bytesPerSecond = 2000});
  p.w->inet_FTP.RequestTimeout = std::chrono::seconds(60);
  p.Remoto("a.dat", archivo);
  // A second Fetchpurge on the same database, with its own connection.
  ScriptedDialogs boxes2;
  forms::Runtime runtime2{boxes2, "Fetchpurge", [](int) {}};
  fs::create_directories(p.c.Path("programa2"));
  MarcadorConexion marcador2{p.c.Path("programa2")};
  common::Bases bases2;
  common::Inicia(bases2, {.pruebaArchivo = false, .recordsets = 0}, boxes2);
  Fetchpurge w2(bases2, boxes2, runtime2, marcador2);
  w2.inet_FTP.RequestTimeout = std::chrono::seconds(60);
  ASSERT_TRUE(p.w->Open());
  ASSERT_TRUE(w2.Open());
  p.Elige(0);
  w2.Find<QListWidget>("List1")->setCurrentRow(0);

  // Once the first window's download is under way, the second downloads,
  // loads and deletes the same file; then the first's download ends.
  const fs::path carpeta = p.c.Path("Quiravel/poleosInternet");
  bool segunda = false;
  QTimer vigia;
  QObject::connect(&vigia, &QTimer::timeout, [&] {
    for (const auto& e : fs::directory_iterator(carpeta))
      if (e.path().filename().string().ends_with(".part") && e.file_size() > 0 && !segunda) {
        segunda = true;
        QTest::mouseClick(w2.Find("Command1"), Qt::LeftButton);
      }
  });
  vigia.start(20);
  p.Descarga();
  vigia.stop();
  ASSERT_TRUE(segunda);

  ASSERT_EQ(boxes2.shown.size(), 1u);
  EXPECT_EQ(boxes2.shown[0].text, kDescargado);
  ASSERT_EQ(p.boxes.shown.size(), 2u) << p.Textos().front();
  EXPECT_THAT(p.boxes.shown[0].text, HasSubstr("550"));  // the server's answer to the deletion
  EsperaCaja(p.boxes.shown[1],
             "El archivo a.dat ya estaba cargado en la base de datos, así que no se volvió a cargar; ya no está en "
             "el servidor FTP.",
             Icon::Information, "Fetchpurge");
  EXPECT_EQ(p.Filas("Checadas").size(), lineas);
  EXPECT_EQ(p.Filas("Listado1").size(), lineas);
  EXPECT_EQ(Registro(p.bases.cn).size(), 1u);
  EXPECT_FALSE(p.EnServidor("a.dat"));
}

TEST_F(FetchpurgeTest, ACtrlZInTheMiddleOfAFileRefusesItAndTheFileStaysOnTheServer) {
  Programa p;
  p.Remoto("a.dat", "2010 05 03,125,07:58:10\r\n\x1A" "2010 05 03,125,14:01:00\r\n2010 05 03,125,18:00:00\r\n");
  ASSERT_TRUE(p.w->Open());
  p.Elige(0);
  p.Descarga();
  ASSERT_EQ(p.boxes.shown.size(), 1u);
  EsperaCaja(p.boxes.shown[0],
             "La línea 2 del archivo a.dat no tiene el formato apropiado (hay un fin de archivo (Ctrl-Z) antes del "
             "final del archivo):\n\n\u241A" "2010 05 03,125,14:01:00\n\nNo se cargó ningún registro del archivo, "
             "que sigue en el servidor FTP.",
             Icon::Critical, "Fetchpurge");
  EXPECT_TRUE(p.Filas("Listado1").empty());
  EXPECT_TRUE(p.EnServidor("a.dat"));
  EXPECT_EQ(p.Veces("DELE a.dat"), 0);
}

TEST_F(FetchpurgeTest, ANameListedInWindows1252IsSentBackAsItCameShownAndKeptDecoded) {
  Programa p({.windows1252Names = true});
  p.Remoto("peña.dat", kBueno);  // the server lists it as "pe\xF1a.dat"
  p.Remoto("b.dat", kBueno);
  ASSERT_TRUE(p.w->Open());
  EXPECT_EQ(p.Lista(), (std::vector<std::string>{"b.dat", "peña.dat"}));
  p.Elige(1);
  EXPECT_EQ(p.Archivo(), "peña.dat");
  p.Descarga();
  EXPECT_THAT(p.Textos(), (std::vector<std::string>{kDescargado}));
  // The server read back the bytes it sent: Windows-1252 decoded there.
  EXPECT_EQ(p.Veces("RETR peña.dat"), 1);
  EXPECT_EQ(p.Veces("DELE peña.dat"), 1);
  EXPECT_FALSE(p.EnServidor("peña.dat"));
  EXPECT_EQ(orvo::testing::ReadFile(p.c.Path("Quiravel/poleosInternet/peña.dat")), kBueno);
  EXPECT_EQ(p.Filas("Listado1").size(), 2u);
  EXPECT_EQ(Registro(p.bases.cn), std::vector<std::string>{"peña.dat|" + std::to_string(std::string_view(kBueno).size())});
  EXPECT_EQ(p.Lista(), std::vector<std::string>{"b.dat"});
}

TEST_F(FetchpurgeTest, ASignalThatEndsTheProgramDuringADownloadTakesItsPartialFile) {
  Programa p({.bytesPerSecond = 2000});
  std::string grande;
  while (grande.size() < 200000) grande += kBueno;
  p.Remoto("a.dat", grande);
  const fs::path carpeta = p.c.Path("Quiravel/poleosInternet");
  fs::create_directories(carpeta);
  const pid_t hijo = ::fork();
  ASSERT_GE(hijo, 0);
  if (hijo == 0) {
    // As Fetchpurge runs its download: the marker stands, the transfer goes on.
    p.marcador.Crea();
    inet::InternetTransfer t;
    t.URL = p.ftp->Url();
    t.UserName = p.ftp->User();
    t.Password = p.ftp->Password();
    try {
      t.Cd("poleos");
      while (t.StillExecuting()) {
      }
      t.Recv("a.dat", carpeta / "a.dat");
      while (t.StillExecuting()) {
      }
    } catch (...) {
    }
    ::_exit(3);
  }
  const fs::path parcial = carpeta / (".a.dat." + std::to_string(hijo) + ".0.part");
  std::error_code ec;
  for (int i = 0; i < 1000 && fs::file_size(parcial, ec) == 0; ++i) ::usleep(20000);
  EXPECT_GT(fs::file_size(parcial, ec), 0u);
  ::kill(hijo, SIGTERM);
  int estado = 0;
  ASSERT_EQ(::waitpid(hijo, &estado, 0), hijo);
  EXPECT_TRUE(WIFSIGNALED(estado) && WTERMSIG(estado) == SIGTERM) << estado;
  EXPECT_TRUE(fs::is_empty(carpeta));
  EXPECT_FALSE(p.Marcador());
}

}  // namespace
}  // namespace orvo::ftp
