// The window Linkset on the offscreen platform, its boxes scripted, typing
// into its fields as a user does.
#include "ftp/linkset.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QApplication>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

#include "common/lanzamiento.h"
#include "platform/forms/scripted_dialogs.h"
#include "platform/testsupport/temp_drive.h"

namespace orvo::ftp {
namespace {

using forms::Icon;
using forms::ScriptedDialogs;
using ::testing::HasSubstr;
using ::testing::Not;
namespace fs = std::filesystem;

constexpr const char* kCampos[] = {"txt_servidor", "txt_Usuario", "txt_Password", "txt_Path", "plaza"};
constexpr const char* kFaltan = "Debe llenar todos los campos solicitados, Configuración no guardada";

struct Programa {
  Programa() {
    fs::create_directories(c.Path("programa"));
    common::CreaMarcador(c.Path("programa"), common::kMarcadorLinkset);
  }
  // Key by key, as typed; QTest's own typing knows only ASCII.
  void Escribe(const char* campo, const std::string& texto) {
    auto* caja = w.Find<QLineEdit>(campo);
    for (QChar letra : QString::fromUtf8(texto)) {
      QKeyEvent pulsa(QEvent::KeyPress, 0, Qt::NoModifier, QString(letra));
      QApplication::sendEvent(caja, &pulsa);
    }
  }
  void Llena(const std::vector<std::string>& valores) {
    for (std::size_t i = 0; i < valores.size(); ++i) Escribe(kCampos[i], valores[i]);
  }
  void Guarda() { QTest::mouseClick(w.Find("Command5"), Qt::LeftButton); }
  fs::path Archivo() { return c.Path("Windows/ftpcnf.dll"); }

  orvo::testing::TempDrive c;
  ScriptedDialogs boxes;
  std::vector<int> ends;
  forms::Runtime runtime{boxes, "Linkset", [this](int s) { ends.push_back(s); }};
  Linkset w{boxes, runtime, c.Path("programa")};
};

TEST(LinksetTest, RunsOnlyOnceForEachStartMarker) {
  Programa p;
  ASSERT_TRUE(p.w.Open());
  EXPECT_TRUE(p.boxes.shown.empty());
  EXPECT_FALSE(fs::exists(p.c.Path("programa/RevFTP")));
  EXPECT_EQ(p.w.windowTitle().toStdString(), "Configuración FTP");
  EXPECT_EQ(p.w.Find<QGroupBox>("Frame1")->title().toStdString(), "Datos del sitio FTP");
  const std::pair<const char*, const char*> rotulos[] = {
      {"Label7", "Servidor"}, {"Label6", "Usuario"}, {"Label3", "Password"}, {"Label2", "Path"}, {"Label8", "Plaza"}};
  for (const auto& [nombre, texto] : rotulos) EXPECT_EQ(p.w.Find<QLabel>(nombre)->text().toStdString(), texto);
  // Every box, the password's too, shows what is typed: the file holds it in clear anyway.
  for (const char* campo : kCampos) {
    EXPECT_EQ(p.w.Find<QLineEdit>(campo)->text(), "") << campo;
    EXPECT_EQ(p.w.Find<QLineEdit>(campo)->echoMode(), QLineEdit::Normal) << campo;
  }

  // A second start finds no marker.
  ScriptedDialogs boxes;
  forms::Runtime runtime(boxes, "Linkset", [](int) {});
  Linkset segunda(boxes, runtime, p.c.Path("programa"));
  EXPECT_FALSE(segunda.Open());
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].text, "Este Modulo solo se ejecuta desde Orvo Rivuvurazozer");
  EXPECT_EQ(boxes.shown[0].icon, Icon::Exclamation);
  EXPECT_EQ(boxes.shown[0].title, "Orvo");
}

TEST(LinksetTest, AnEmptyFieldSavesNothing) {
  for (std::size_t vacio = 0; vacio < 5; ++vacio) {
    Programa p;
    orvo::testing::WriteFile(p.Archivo(), "anterior\r\n");
    ASSERT_TRUE(p.w.Open());
    for (std::size_t i = 0; i < 5; ++i)
      if (i != vacio) p.Escribe(kCampos[i], "x");
    p.Guarda();
    ASSERT_EQ(p.boxes.shown.size(), 1u) << vacio;
    EXPECT_EQ(p.boxes.shown[0].text, kFaltan);
    EXPECT_EQ(p.boxes.shown[0].icon, Icon::Information);
    EXPECT_EQ(p.boxes.shown[0].title, "Linkset");
    EXPECT_EQ(orvo::testing::ReadFile(p.Archivo()), "anterior\r\n");
  }
}

TEST(LinksetTest, AllFilledWritesTheExactBytesAndBlanksCountAsFilled) {
  Programa p;
  orvo::testing::WriteFile(p.Archivo(), "una configuración anterior, más larga que la nueva\r\n\r\n\r\n\r\n\r\n\r\n");
  ASSERT_TRUE(p.w.Open());
  p.Llena({"ftp.ejemplo.com", "reloj", "Peña €", " ", "Centro"});
  p.Guarda();
  ASSERT_EQ(p.boxes.shown.size(), 1u);
  EXPECT_EQ(p.boxes.shown[0].text, " Configuarcion guardada ");
  EXPECT_EQ(p.boxes.shown[0].icon, Icon::Information);
  EXPECT_EQ(p.boxes.shown[0].title, "Felicidades");
  EXPECT_EQ(orvo::testing::ReadFile(p.Archivo()), "ftp.ejemplo.com\r\nreloj\r\nPe\xF1" "a \x80\r\n \r\nCentro\r\n");
  struct stat st {};
  ASSERT_EQ(::stat(p.Archivo().c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  EXPECT_EQ(std::distance(fs::directory_iterator(p.c.Path("Windows")), fs::directory_iterator()), 1);
}

TEST(LinksetTest, ASaveThatCannotBeWrittenSaysSoAndKeepsWhatStood) {
  Programa p;
  ASSERT_TRUE(p.w.Open());
  p.Llena({"h", "u", "p", "d", "s"});
  orvo::testing::WriteFile(p.Archivo() / "dentro", "x");  // a folder in the file's place
  p.Guarda();
  ASSERT_EQ(p.boxes.shown.size(), 1u);
  EXPECT_EQ(p.boxes.shown[0].icon, Icon::Critical);
  EXPECT_THAT(p.boxes.shown[0].text, HasSubstr("No se pudo guardar la configuración"));
  EXPECT_THAT(p.boxes.shown[0].text, HasSubstr("'C:\\Windows\\ftpcnf.dll'"));
  EXPECT_THAT(p.boxes.shown[0].text, Not(HasSubstr(p.c.Root().string())));
  EXPECT_TRUE(fs::is_directory(p.Archivo()));
  EXPECT_TRUE(p.ends.empty());
  EXPECT_FALSE(p.w.Unloaded());

  // A character the file cannot hold names its field.
  fs::remove_all(p.Archivo());
  p.boxes.shown.clear();
  p.Escribe("txt_Usuario", "\xC5\x82");  // ł
  p.Guarda();
  ASSERT_EQ(p.boxes.shown.size(), 1u);
  EXPECT_THAT(p.boxes.shown[0].text, HasSubstr("El campo Usuario"));
  EXPECT_FALSE(fs::exists(p.Archivo()));
}

TEST(LinksetTest, ExitEndsTheProgram) {
  Programa p;
  ASSERT_TRUE(p.w.Open());
  QTest::mouseClick(p.w.Find("Command1"), Qt::LeftButton);
  EXPECT_TRUE(p.w.Unloaded());
}

}  // namespace
}  // namespace orvo::ftp
