// screenshots: renders every window of the programs on the offscreen platform
// over sample data and writes one PNG file per window into the folder given.
//
//   QT_QPA_PLATFORM=offscreen screenshots docs/screenshots
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <filesystem>
#include <fstream>
#include <iostream>

#include "backup/snapload.h"
#include "backup/snapmake.h"
#include "ftp/fetchpurge.h"
#include "ftp/linkset.h"
#include "ftp/marcador_conexion.h"
#include "import/principal.h"
#include "import/programa.h"
#include "maintenance/divovavav_adicionales.h"
#include "maintenance/huerfanos.h"
#include "maintenance/programa.h"
#include "maintenance/relevo.h"
#include "platform/forms/application.h"
#include "platform/forms/runtime.h"
#include "platform/forms/scripted_dialogs.h"
#include "platform/testsupport/ftp_server.h"
#include "schema/regenera.h"
#include "tools/screenshots/muestra.h"
#include "tools/screenshots/retrato.h"

namespace {

namespace fs = std::filesystem;
using namespace orvo;

// What one program has while it runs: its boxes (answered at once), its
// run-time boundary (which only records an end) and its connection.
struct Programa {
  explicit Programa(const char* nombre) : runtime(boxes, nombre, [](int) {}) {}
  forms::ScriptedDialogs boxes;
  forms::Runtime runtime;
  common::Bases bases;
};

void Clic(QWidget* control) { QTest::mouseClick(control, Qt::LeftButton); }

// The import window with a file chosen and, when `envia`, loaded: the status
// line then keeps the last employee's name.
void Importador(importer::Variante variante, const fs::path& archivo, bool envia, const fs::path& png) {
  Programa p(importer::NombrePrograma(variante));
  importer::Arranca(p.bases, p.boxes);
  importer::Principal w(p.bases, p.boxes, p.runtime, variante);
  w.Open();
  p.boxes.File(archivo.string());
  Clic(w.Find("Command1"));
  if (envia) Clic(w.Find("Command2"));
  screenshots::Retrata(w, png);
}

void Importadores(const screenshots::Muestra& m, const fs::path& salida) {
  Importador(importer::Variante::Poleo, m.ArchivoPoleo(), true, salida / "pollimport.png");
  Importador(importer::Variante::Usb, m.ArchivoUsb(), false, salida / "stickimport.png");
}

void Regeneracion(const fs::path& salida) {
  Programa p("Varurarodi");
  auto w = schema::Inicio(p.bases, p.boxes, p.runtime);
  if (!w) throw std::runtime_error("Varurarodi no abrió su ventana");
  screenshots::Retrata(*w, salida / "Varurarodi.png");
  if (auto* espera = w->findChild<schema::aviso*>()) screenshots::Retrata(*espera, salida / "Varurarodi-aviso.png");
}

void Mantenimiento(const screenshots::Muestra& m, const fs::path& salida) {
  {
    Programa p("diVovavav");
    maintenance::Arranca(p.bases, 3, p.boxes);
    maintenance::diVovavavAdicionales w(p.bases, p.boxes, p.runtime);
    w.Open();
    Clic(w.Find("Opt2"));  // one employee: the list and the name show
    screenshots::Retrata(w, salida / "diVovavav.png");
  }
  {
    Programa p("Strayfix");
    maintenance::Arranca(p.bases, 2, p.boxes);
    maintenance::Huerfanos w(p.bases, p.boxes, p.runtime);
    w.Open();
    screenshots::Retrata(w, salida / "Strayfix.png");
  }
  {
    Programa p("Relevo");
    maintenance::Arranca(p.bases, 2, p.boxes);
    maintenance::Relevo w(p.bases, p.boxes, p.runtime, m.CarpetaPrograma());
    if (!w.Open()) throw std::runtime_error("Relevo no encontró su marcador de inicio");
    screenshots::Retrata(w, salida / "Relevo.png");
    Clic(w.Find("Command5"));
    if (w.Vista() == nullptr) throw std::runtime_error("Relevo no mostró su reporte");
    screenshots::Retrata(*w.Vista(), salida / "Relevo-reporte.png");
  }
}

void Ftp(const screenshots::Muestra& m, const fs::path& salida) {
  // The punch files of two internet clocks on a loopback server, and the
  // settings that point Fetchpurge there.
  const fs::path remoto = m.Raiz() / "ServidorFtp";
  fs::create_directories(remoto / "poleos");
  for (const char* nombre : {"Centro_050510_180000.ipl", "Norte_050510_181500.ipl"}) {
    std::ofstream(remoto / "poleos" / nombre, std::ios::binary) << "2010 05 05,125,17:02:11\r\n";
  }
  testing::FtpServer servidor(remoto);
  fs::create_directories(m.Raiz() / "Windows");
  std::ofstream(m.Raiz() / "Windows" / "ftpcnf.dll", std::ios::binary)
      << "127.0.0.1:" << servidor.Port() << "\r\n" << servidor.User() << "\r\n" << servidor.Password()
      << "\r\npoleos\r\nCentro\r\n";
  {
    Programa p("Fetchpurge");
    common::Inicia(p.bases, {.pruebaArchivo = false, .recordsets = 0}, p.boxes);
    ftp::MarcadorConexion marcador(m.CarpetaPrograma());
    ftp::Fetchpurge w(p.bases, p.boxes, p.runtime, marcador);
    if (!w.Open()) throw std::runtime_error("Fetchpurge no pudo listar el servidor FTP");
    w.Find<QListWidget>("List1")->setCurrentRow(0);
    screenshots::Retrata(w, salida / "Fetchpurge.png");
  }
  {
    Programa p("Linkset");
    ftp::Linkset w(p.boxes, p.runtime, m.CarpetaPrograma());
    if (!w.Open()) throw std::runtime_error("Linkset no encontró su marcador de inicio");
    for (const auto& [campo, valor] : {std::pair{"txt_servidor", "ftp.relojes.example"}, std::pair{"txt_Usuario", "reloj"},
                                       std::pair{"txt_Password", "clave"}, std::pair{"txt_Path", "poleos"},
                                       std::pair{"plaza", "Centro"}}) {
      w.Find<QLineEdit>(campo)->setText(QString::fromUtf8(valor));
    }
    screenshots::Retrata(w, salida / "Linkset.png");
  }
}

// Snapmake before its run; then, once it has made a set, Snapload with that
// set chosen.
void Respaldo(const screenshots::Muestra& m, const fs::path& salida) {
  {
    Programa p("Snapmake");
    common::Inicia(p.bases, {.pruebaArchivo = false, .recordsets = 0}, p.boxes);
    backup::Snapmake w(p.bases, p.boxes, p.runtime, m.CarpetaPrograma());
    if (!w.Open()) throw std::runtime_error("Snapmake no encontró su marcador de inicio");
    screenshots::Retrata(w, salida / "Snapmake.png");
    w.crea_Click();
  }
  Programa p("Snapload");
  backup::Snapload w(p.boxes, p.runtime, m.CarpetaPrograma());
  if (!w.Open()) throw std::runtime_error("Snapload no encontró su marcador de inicio");
  auto* lista = w.Find<QListWidget>("File1");
  if (lista->count() == 0) throw std::runtime_error("Snapmake no dejó ningún respaldo");
  lista->setCurrentRow(0);
  w.File1_Click();
  screenshots::Retrata(w, salida / "Snapload.png");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "Uso: screenshots CARPETA\n";
    return 2;
  }
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  // Qt's own texts (the report preview's) in Spanish, as in the programs.
  forms::Application app(argc, argv);
  try {
    const fs::path salida = argv[1];
    fs::create_directories(salida);
    screenshots::Muestra muestra;
    Regeneracion(salida);
    Importadores(muestra, salida);
    Mantenimiento(muestra, salida);
    Ftp(muestra, salida);
    Respaldo(muestra, salida);
  } catch (const std::exception& e) {
    std::cerr << "screenshots: " << e.what() << "\n";
    return 1;
  }
  return 0;
}
