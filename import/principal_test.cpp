// The window Principal on the offscreen platform, its boxes scripted, over a
// real main database and real punch files.
#include "import/principal.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <memory>

#include "import/base_de_prueba.h"
#include "import/programa.h"
#include "platform/forms/scripted_dialogs.h"

namespace orvo::importer {
namespace {

using forms::Buttons;
using forms::Icon;
using forms::ScriptedDialogs;
using prueba::BaseDePrueba;
using prueba::Fila;
using Shown = ScriptedDialogs::Shown;

constexpr const char* kExito = "Se terminó de cargar con éxito";
constexpr const char* kFinalizado = "Proceso finalizado correctamente";

// One program: its database, its boxes, its recorded end and its window.
struct Programa {
  explicit Programa(Variante v = Variante::Poleo)
      : runtime(boxes, NombrePrograma(v), [this](int s) { ends.push_back(s); }),
        w(b.bases, boxes, runtime, v) {
    w.Open();
  }
  QString Texto(const char* control) { return w.Find<QLabel>(control)->text(); }
  void Elige(const std::string& archivo) {
    boxes.File(archivo);
    QTest::mouseClick(w.Find("Command1"), Qt::LeftButton);
  }
  void Envia() { QTest::mouseClick(w.Find("Command2"), Qt::LeftButton); }

  BaseDePrueba b;
  ScriptedDialogs boxes;
  std::vector<int> ends;
  forms::Runtime runtime;
  Principal w;
};

void EsperaExito(const Programa& p) {
  ASSERT_FALSE(p.boxes.shown.empty());
  const Shown& box = p.boxes.shown.back();
  EXPECT_EQ(box.text, kExito);
  EXPECT_EQ(box.title, "");
  EXPECT_EQ(box.icon, Icon::None);
  EXPECT_EQ(box.buttons, Buttons::Ok);
}

TEST(PrincipalTest, ShowsItsControlsAndTexts) {
  for (auto [variante, titulo] : {std::pair{Variante::Poleo, "Extracción de archivo de Poleo BK"},
                                  std::pair{Variante::Usb, "Extracción por USB"}}) {
    SCOPED_TRACE(titulo);
    Programa p(variante);
    EXPECT_TRUE(p.w.isVisible());
    EXPECT_EQ(p.w.windowTitle(), QString::fromUtf8(titulo));
    EXPECT_EQ(p.w.Find<QPushButton>("Command2")->text(), "Enviar Archivo a BD");
    EXPECT_EQ(p.w.Find<QPushButton>("Command1")->text(), "Buscar Archivo");
    EXPECT_EQ(p.Texto("Label3"), "V. 3.5+");
    EXPECT_EQ(p.Texto("Label2"), "Archivo a extraer");
    EXPECT_EQ(p.Texto("Label1"), "");
    EXPECT_EQ(p.Texto("lblArch"), "");
    ASSERT_NE(p.w.Find<forms::Picture>("Image3"), nullptr);
    for (const char* control : {"Command2", "Command1", "Label3", "Label1", "Label2", "lblArch"})
      EXPECT_EQ(p.w.Find(control)->font().family(), "Verdana") << control;
    EXPECT_DOUBLE_EQ(p.w.Find("Label1")->font().pointSizeF(), 14.25);
  }
}

TEST(PrincipalTest, BrowseShowsTheChosenPathAndKeepsItWhenCancelled) {
  Programa p;
  p.Elige("/media/usb/POLEO 1.DAT");
  ASSERT_EQ(p.boxes.shown.size(), 1u);
  EXPECT_EQ(p.boxes.shown[0].kind, Shown::File);
  EXPECT_EQ(p.boxes.shown[0].title, "Seleccione el archivo a extraer");
  EXPECT_EQ(p.boxes.shown[0].filter, "");
  EXPECT_EQ(p.boxes.shown[0].startFolder, "");
  EXPECT_EQ(p.Texto("lblArch"), "/media/usb/POLEO 1.DAT");
  QTest::mouseClick(p.w.Find("Command1"), Qt::LeftButton);  // cancelled
  EXPECT_EQ(p.Texto("lblArch"), "/media/usb/POLEO 1.DAT");
}

TEST(PrincipalTest, SendWithoutAFileAsksForOneAndWritesNothing) {
  for (Variante v : {Variante::Poleo, Variante::Usb}) {
    Programa p(v);
    p.Envia();
    ASSERT_EQ(p.boxes.shown.size(), 1u);
    EXPECT_EQ(p.boxes.shown[0].text,
              "Seleccione el archivo con terminación .DAT y formato apropiado para subirlo al servidor");
    EXPECT_EQ(p.boxes.shown[0].title, "");
    EXPECT_EQ(p.boxes.shown[0].icon, Icon::None);
    EXPECT_EQ(p.boxes.shown[0].buttons, Buttons::Ok);
    EXPECT_TRUE(p.b.Filas("Listado1").empty());
    EXPECT_TRUE(p.ends.empty());
  }
}

TEST(PrincipalTest, PollFileGoesToTheArchiveAndItsActiveEmployeesToTheQueue) {
  Programa p;
  p.b.Empleado(1, "00125", "S");
  p.b.Empleado(2, "7", "S", "Ana", "Ruiz", "López");
  p.b.Empleado(3, "8", "N");
  p.Elige(p.b.Archivo("ejemplos.dat",
                      "2010 05 03,00125,07:58:10\r\n"     // stored as 00125: not found
                      "2010 05 03,7,07:58:10.999\r\n"     // cut to 8
                      "2010 05 03,8,07:59:00\r\n"         // inactive: archived, not queued
                      "2010 05 04,7,07:58\r\n"            // 07:58:00
                      "\r\n"));                           // the usual last blank line
  p.Envia();
  EXPECT_EQ(p.b.Filas("Listado1"), (std::vector<Fila>{{"2010 05 03", 125, "07:58:10"},
                                                      {"2010 05 03", 7, "07:58:10"},
                                                      {"2010 05 03", 8, "07:59:00"},
                                                      {"2010 05 04", 7, "07:58:00"}}));
  EXPECT_EQ(p.b.Filas("Checadas"),
            (std::vector<Fila>{{"2010 05 03", 7, "07:58:10"}, {"2010 05 04", 7, "07:58:00"}}));
  EXPECT_EQ(p.Texto("Label1"), kFinalizado);
  ASSERT_EQ(p.boxes.shown.size(), 2u);  // the file dialog, then the end
  EsperaExito(p);
  EXPECT_EQ(p.w.Fecha, "2010 05 04");
  EXPECT_EQ(p.w.Hora, "07:58:00");
  EXPECT_TRUE(p.w.Find("Command2")->isEnabled());
  EXPECT_TRUE(p.ends.empty());
}

TEST(PrincipalTest, EmptyFileWritesNothingAndEndsAsUsual) {
  for (Variante v : {Variante::Poleo, Variante::Usb}) {
    Programa p(v);
    p.Elige(p.b.Archivo("vacio.dat", ""));
    p.Envia();
    EXPECT_TRUE(p.b.Filas("Listado1").empty());
    EXPECT_TRUE(p.b.Filas("Checadas").empty());
    EXPECT_EQ(p.Texto("Label1"), kFinalizado);
    EsperaExito(p);
  }
}

TEST(PrincipalTest, BadLineInTheMiddleImportsNothingNamesItAndTheMendedFileGoesIn) {
  Programa p;
  p.b.Empleado(1, "1", "S");
  const std::string bien = "2010 05 03,1,07:00:00\r\n";
  const std::string archivo = p.b.Archivo("poleo.dat", bien + "2010 05 03,1 07:01:00\r\n" + bien);
  p.Elige(archivo);
  p.Envia();
  ASSERT_EQ(p.boxes.shown.size(), 2u);
  const Shown& box = p.boxes.shown[1];
  EXPECT_EQ(box.text,
            "La línea 2 del archivo no tiene el formato apropiado (faltan comas entre fecha, empleado y hora):\n\n"
            "2010 05 03,1 07:01:00\n\nNo se cargó ningún registro del archivo.");
  EXPECT_EQ(box.icon, Icon::Critical);
  EXPECT_EQ(box.buttons, Buttons::Ok);
  EXPECT_EQ(box.title, "pollimport");
  EXPECT_TRUE(p.b.Filas("Listado1").empty());
  EXPECT_TRUE(p.b.Filas("Checadas").empty());
  EXPECT_EQ(p.Texto("Label1"), "");
  EXPECT_TRUE(p.ends.empty());
  EXPECT_TRUE(p.w.isVisible());

  orvo::testing::WriteFile(archivo, bien + "2010 05 03,1,07:01:00\r\n" + bien);
  p.Envia();
  EXPECT_EQ(p.b.Filas("Listado1").size(), 3u);
  EXPECT_EQ(p.b.Filas("Checadas").size(), 3u);
  EsperaExito(p);
}

TEST(PrincipalTest, ARefusedFileAfterAGoodSendLeavesTheStatusLineEmpty) {
  const struct {
    Variante variante;
    const char* bien;
    const char* mal;  // nullptr: a file that is not there
  } casos[] = {
      {Variante::Poleo, "2010 05 03,1,07:00:00\r\n", "2010 05 03,1 07:01:00\r\n"},
      {Variante::Poleo, "2010 05 03,1,07:00:00\r\n", nullptr},
      {Variante::Usb, "000000001 2010 05 03 07:00:00\r\n", "000000001\r\n"},
      {Variante::Usb, "000000001 2010 05 03 07:00:00\r\n", nullptr},
  };
  for (const auto& c : casos) {
    SCOPED_TRACE(std::string(NombrePrograma(c.variante)) + (c.mal ? ": bad line" : ": missing file"));
    Programa p(c.variante);
    p.b.Empleado(1, "1", "S");
    p.Elige(p.b.Archivo("bien.dat", c.bien));
    p.Envia();
    ASSERT_EQ(p.Texto("Label1"), kFinalizado);
    p.Elige(c.mal ? p.b.Archivo("mal.dat", c.mal) : p.b.c.Path("no está.dat").string());
    p.Envia();
    EXPECT_EQ(p.boxes.shown.back().icon, Icon::Critical);
    EXPECT_EQ(p.Texto("Label1"), "");
    EXPECT_EQ(p.b.Filas("Listado1").size(), 1u);
  }
}

TEST(PrincipalTest, EachSendStartsFromAnEmptyStatusLine) {
  Programa p(Variante::Usb);  // shows nothing while it loads
  p.Elige(p.b.Archivo("USB.DAT", "000000001 2010 05 03 07:00:00\r\n"));
  p.Envia();
  ASSERT_EQ(p.Texto("Label1"), kFinalizado);
  QString durante = "no visto";
  QTimer::singleShot(0, &p.w, [&] { durante = p.Texto("Label1"); });
  p.Envia();
  EXPECT_EQ(durante, "");
  EXPECT_EQ(p.Texto("Label1"), kFinalizado);
}

TEST(PrincipalTest, SameFileSentTwiceIsInsertedTwice) {
  Programa p;
  p.b.Empleado(1, "1", "S");
  p.Elige(p.b.Archivo("poleo.dat", "2010 05 03,1,07:00:00\r\n2010 05 03,2,07:01:00\r\n"));
  p.Envia();
  p.Envia();
  const std::vector<Fila> archivo{{"2010 05 03", 1, "07:00:00"}, {"2010 05 03", 2, "07:01:00"}};
  std::vector<Fila> dos = archivo;
  dos.insert(dos.end(), archivo.begin(), archivo.end());
  EXPECT_EQ(p.b.Filas("Listado1"), dos);
  EXPECT_EQ(p.b.Filas("Checadas"), (std::vector<Fila>{{"2010 05 03", 1, "07:00:00"}, {"2010 05 03", 1, "07:00:00"}}));
  ASSERT_EQ(p.boxes.shown.size(), 3u);
  EXPECT_EQ(p.boxes.shown[1].text, kExito);
  EXPECT_EQ(p.boxes.shown[2].text, kExito);
}

TEST(PrincipalTest, FileThatCannotBeOpenedIsNamedAndTheProgramGoesOn) {
  Programa p;
  const std::string falta = p.b.c.Path("Poleo/no está.dat").string();
  p.Elige(falta);
  p.Envia();
  ASSERT_EQ(p.boxes.shown.size(), 2u);
  EXPECT_EQ(p.boxes.shown[1].text, "No se pudo abrir el archivo:\n\n" + falta);
  EXPECT_EQ(p.boxes.shown[1].icon, Icon::Critical);
  EXPECT_EQ(p.boxes.shown[1].title, "pollimport");
  EXPECT_TRUE(p.ends.empty());
  EXPECT_TRUE(p.w.isVisible());
}

TEST(PrincipalTest, WindowHandlesEventsDuringALoadButHoldsItsButtonsAndClosing) {
  Programa p;
  p.b.Empleado(1, "1", "S", "Ana", "Ruiz", "López");
  std::string contenido;
  for (int i = 0; i < 500; ++i) contenido += "2010 05 03,1,07:00:00\r\n";
  p.Elige(p.b.Archivo("poleo.dat", contenido));
  bool visto = false;
  QTimer::singleShot(0, &p.w, [&] {
    visto = true;
    EXPECT_EQ(p.Texto("Label1"), "Ana Ruiz López");
    for (const char* control : {"Command1", "Command2", "Image3"})
      EXPECT_FALSE(p.w.Find(control)->isEnabled()) << control;
    EXPECT_FALSE(p.w.close());
  });
  p.Envia();
  EXPECT_TRUE(visto);
  EXPECT_TRUE(p.w.isVisible());
  EXPECT_EQ(p.b.Filas("Checadas").size(), 500u);
  EXPECT_EQ(p.Texto("Label1"), kFinalizado);
  for (const char* control : {"Command1", "Command2", "Image3"}) EXPECT_TRUE(p.w.Find(control)->isEnabled());
}

TEST(PrincipalTest, StickimportQueuesThenArchivesEveryPunchFromItsColumns) {
  Programa p(Variante::Usb);
  p.b.Empleado(1, "125", "N");  // neither looked up nor shown
  p.b.RegistraOrden();
  p.Elige(p.b.Archivo("USB.DAT",
                      "000000125 2010 05 03 07:58:10\r\n"
                      "      777X03/05/2010Y07:58   resto\r\n"
                      "\r\n"));
  bool visto = false;
  QTimer::singleShot(0, &p.w, [&] {
    visto = true;
    EXPECT_EQ(p.Texto("Label1"), "");
  });
  p.Envia();
  EXPECT_TRUE(visto);
  const std::vector<Fila> filas{{"2010 05 03", 125, "07:58:10"}, {"2010 05 03", 777, "07:58:00"}};
  EXPECT_EQ(p.b.Filas("Checadas"), filas);
  EXPECT_EQ(p.b.Filas("Listado1"), filas);
  EXPECT_EQ(p.b.Orden(), (std::vector<std::string>{"C 125", "L 125", "C 777", "L 777"}));
  EXPECT_EQ(p.Texto("Label1"), kFinalizado);
  EsperaExito(p);
}

TEST(PrincipalTest, StickimportNamesALineCutShortAndWritesNothing) {
  Programa p(Variante::Usb);
  p.Elige(p.b.Archivo("USB.DAT", "000000125 2010 05 03 07:58:10\r\n000000125\r\n"));
  p.Envia();
  ASSERT_EQ(p.boxes.shown.size(), 2u);
  EXPECT_EQ(p.boxes.shown[1].text,
            "La línea 2 del archivo no tiene el formato apropiado (la línea termina antes de completar la fecha o "
            "la hora):\n\n000000125\n\nNo se cargó ningún registro del archivo.");
  EXPECT_EQ(p.boxes.shown[1].title, "stickimport");
  EXPECT_TRUE(p.b.Filas("Checadas").empty());
  EXPECT_TRUE(p.b.Filas("Listado1").empty());
}

TEST(PrincipalTest, PictureClosesTheWindowWithoutAnError) {
  Programa p;
  QTest::mouseClick(p.w.Find("Image3"), Qt::LeftButton);
  EXPECT_TRUE(p.w.Unloaded());
  EXPECT_FALSE(p.w.isVisible());
  EXPECT_TRUE(p.boxes.shown.empty());
  EXPECT_TRUE(p.ends.empty());
}

TEST(PrincipalTest, DatabaseErrorReachesTheBoundaryWithNothingWritten) {
  Programa p;
  p.b.bases.cn.Execute("CREATE TRIGGER Falla BEFORE INSERT ON Listado1 WHEN NEW.Empleado = 3 BEGIN "
                       "SELECT RAISE(ABORT, 'disco lleno'); END");
  p.Elige(p.b.Archivo("poleo.dat", "2010 05 03,1,07:00:00\n2010 05 03,2,07:00:00\n2010 05 03,3,07:00:00\n"));
  p.Envia();
  ASSERT_EQ(p.boxes.shown.size(), 2u);
  EXPECT_EQ(p.boxes.shown[1].icon, Icon::Critical);
  EXPECT_NE(p.boxes.shown[1].text.find("disco lleno"), std::string::npos) << p.boxes.shown[1].text;
  EXPECT_EQ(p.ends, std::vector<int>{1});
  EXPECT_TRUE(p.b.Filas("Listado1").empty());
}

TEST(ArrancaTest, MissingDatabaseShowsTheMessageAndNoWindowFollows) {
  orvo::testing::TempDrive c;
  ScriptedDialogs boxes;
  common::Bases bases;
  EXPECT_FALSE(Arranca(bases, boxes));
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].text, "Es necesario ejecutar primero Orvo Rivuvurazozer para definir la base de datos");
  EXPECT_EQ(boxes.shown[0].title, "Orvo Derevuvi");
  EXPECT_EQ(boxes.shown[0].icon, Icon::Critical);
  EXPECT_FALSE(bases.cn.IsOpen());
}

TEST(ArrancaTest, ConnectsWithEightReadOnlyRecordsets) {
  BaseDePrueba b;  // started through Arranca
  EXPECT_TRUE(b.bases.cn.IsOpen());
  ASSERT_EQ(b.bases.rs.size(), 8u);
  b.bases.Rs(8).Open("SELECT * FROM Personal");
  EXPECT_THROW(b.bases.Rs(8).AddNew(), db::Error);
  EXPECT_STREQ(NombrePrograma(Variante::Poleo), "pollimport");
  EXPECT_STREQ(NombrePrograma(Variante::Usb), "stickimport");
}

}  // namespace
}  // namespace orvo::importer
