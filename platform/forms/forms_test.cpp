// Windows on the offscreen platform: boxes through ScriptedDialogs, the
// run-time error boundary, and the real Qt boxes driven by timers.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCursor>
#include <QFile>
#include <QFileDialog>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <functional>
#include <new>
#include <ostream>
#include <sstream>
#include <stdexcept>
#include <vector>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

#include "platform/error.h"
#include "platform/forms/application.h"
#include "platform/forms/busy_window.h"
#include "platform/forms/form.h"
#include "platform/forms/qt_dialogs.h"
#include "platform/forms/runtime.h"
#include "platform/forms/scripted_dialogs.h"
#include "platform/forms/stream_dialogs.h"

// Readable failures for Qt's texts.
inline void PrintTo(const QString& text, std::ostream* os) {
  *os << '"' << text.toStdString() << '"';
}

namespace {

using orvo::forms::Answer;
using orvo::forms::Buttons;
using orvo::forms::Form;
using orvo::forms::Icon;
using orvo::forms::Picture;
using orvo::forms::QtDialogs;
using orvo::forms::Runtime;
using Shown = orvo::forms::ScriptedDialogs::Shown;

// A window shaped like the system's: a send button that asks, a button whose
// handler fails with whatever the test puts in `failure`, a status label and
// a picture that closes the window.
class TestWindow : public Form {
 public:
  TestWindow(orvo::forms::Dialogs& dialogs, Runtime& runtime) : Form(dialogs, runtime) {
    setWindowTitle("Ventana de prueba");
    OnClick(Control<QPushButton>("Command2", "Enviar Archivo a BD"), &TestWindow::Command2_Click);
    OnClick(Control<QPushButton>("Command3", "Fallar"), &TestWindow::Command3_Click);
    OnClick(Control<Picture>("Image3"), &TestWindow::Image3_Click);
    Control<QLabel>("Label1");
    Find<QPushButton>("Command3")->move(0, 40);
    Find<Picture>("Image3")->setGeometry(0, 80, 40, 40);
    resize(200, 140);
  }

  void Command2_Click() {
    Answer a = dialogs().MsgBox("¿Enviar el archivo?", Buttons::YesNo, Icon::Question, "");
    Find<QLabel>("Label1")->setText(a == Answer::Yes ? "Sí" : "No");
  }
  void Command3_Click() {
    failure();
    reachedAfterFailure = true;
  }
  void Image3_Click() { Unload(); }

  std::function<void()> failure = [] {};
  std::function<void()> load = [] {};
  bool reachedAfterFailure = false;

 protected:
  void Form_Load() override { load(); }
};

// A program's window with its boxes scripted and its end recorded.
struct Program {
  orvo::forms::ScriptedDialogs boxes;
  std::vector<int> ends;
  Runtime runtime{boxes, "pollimport", [this](int status) { ends.push_back(status); }};
  TestWindow window{boxes, runtime};
};

void Click(QWidget* control) { QTest::mouseClick(control, Qt::LeftButton); }

TEST(Form, OpensShowsControlsAndClosesThroughItsPicture) {
  Program p;
  ASSERT_TRUE(p.window.Open());
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&p.window));
  EXPECT_TRUE(p.window.isVisible());
  EXPECT_EQ(p.window.Find<QPushButton>("Command2")->text(), "Enviar Archivo a BD");
  EXPECT_NE(p.window.Find<QLabel>("Label1"), nullptr);
  EXPECT_EQ(p.window.Find<QLabel>("NoSuchControl"), nullptr);

  Click(p.window.Find("Image3"));
  EXPECT_TRUE(p.window.Unloaded());
  EXPECT_FALSE(p.window.isVisible());
  EXPECT_TRUE(p.boxes.shown.empty());
  EXPECT_TRUE(p.ends.empty());  // closing the last window ends the event loop, not the runtime
}

TEST(Form, ClickedButtonShowsItsBoxAndActsOnTheAnswer) {
  Program p;
  ASSERT_TRUE(p.window.Open());
  p.boxes.Answer(Answer::No);
  Click(p.window.Find("Command2"));
  ASSERT_EQ(p.boxes.shown.size(), 1u);
  const Shown& box = p.boxes.shown[0];
  EXPECT_EQ(box.kind, Shown::Message);
  EXPECT_EQ(box.text, "¿Enviar el archivo?");
  EXPECT_EQ(box.title, "");
  EXPECT_EQ(box.icon, Icon::Question);
  EXPECT_EQ(box.buttons, Buttons::YesNo);
  EXPECT_EQ(p.window.Find<QLabel>("Label1")->text(), "No");

  Click(p.window.Find("Command2"));  // queue empty: the first button, Yes
  EXPECT_EQ(p.window.Find<QLabel>("Label1")->text(), "Sí");
  EXPECT_EQ(p.boxes.shown.size(), 2u);
  EXPECT_TRUE(p.ends.empty());
}

TEST(Runtime, UntrappedErrorShowsOneBoxAndEndsTheProgram) {
  Program p;
  ASSERT_TRUE(p.window.Open());
  p.window.failure = [] { throw orvo::RuntimeError(3024, "No se pudo encontrar el archivo"); };
  Click(p.window.Find("Command3"));

  ASSERT_EQ(p.boxes.shown.size(), 1u);
  const Shown& box = p.boxes.shown[0];
  EXPECT_EQ(box.text,
            "Se ha producido el error '3024' en tiempo de ejecución:\n\n"
            "No se pudo encontrar el archivo");
  EXPECT_EQ(box.title, "pollimport");
  EXPECT_EQ(box.icon, Icon::Critical);
  EXPECT_EQ(box.buttons, Buttons::Ok);
  EXPECT_FALSE(p.window.reachedAfterFailure);
  EXPECT_EQ(p.ends, std::vector<int>{1});
  EXPECT_TRUE(p.runtime.Ended());
  EXPECT_EQ(p.runtime.Status(), 1);

  // Events still queued when the program ended run no handler.
  Click(p.window.Find("Command2"));
  Click(p.window.Find("Command3"));
  EXPECT_EQ(p.boxes.shown.size(), 1u);
  EXPECT_EQ(p.ends, std::vector<int>{1});
}

TEST(Runtime, OtherExceptionsBecomePlatformErrors) {
  struct Case {
    const char* name;
    std::function<void()> failure;
    const char* number;
  };
  const Case cases[] = {
      {"out_of_range", [] { throw std::out_of_range("stoi"); }, "'5'"},
      {"bad_alloc", [] { throw std::bad_alloc(); }, "'7'"},
      {"not an exception", [] { throw 42; }, "'5'"},
      {"number 0", [] { throw orvo::RuntimeError(0, ""); }, "'0'"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Program p;
    ASSERT_TRUE(p.window.Open());
    p.window.failure = c.failure;
    Click(p.window.Find("Command3"));
    ASSERT_EQ(p.boxes.shown.size(), 1u);
    EXPECT_NE(p.boxes.shown[0].text.find(c.number), std::string::npos) << p.boxes.shown[0].text;
    EXPECT_EQ(p.boxes.shown[0].icon, Icon::Critical);
    EXPECT_EQ(p.ends, std::vector<int>{1});
  }
}

TEST(Runtime, HandlerCalledDirectlyLetsTheErrorReachTheCaller) {
  Program p;
  p.window.failure = [] { throw orvo::RuntimeError(53, "No se encontró el archivo"); };
  try {
    p.window.Command3_Click();
    FAIL() << "no error";
  } catch (const orvo::RuntimeError& e) {
    EXPECT_EQ(e.number, 53);
  }
  EXPECT_TRUE(p.boxes.shown.empty());
  EXPECT_FALSE(p.runtime.Ended());
}

TEST(Runtime, ExplicitEndCountsOnce) {
  Program p;
  EXPECT_TRUE(p.runtime.Guard([&] { p.runtime.End(); }));
  p.runtime.End(4);
  EXPECT_EQ(p.ends, std::vector<int>{0});
  EXPECT_EQ(p.runtime.Status(), 0);
  bool ran = false;
  EXPECT_FALSE(p.runtime.Guard([&] { ran = true; }));
  EXPECT_FALSE(ran);
  EXPECT_TRUE(p.boxes.shown.empty());
}

TEST(Form, LoadThatEndsOrUnloadsLeavesTheWindowHidden) {
  {
    Program p;  // a refused start: the load shows its message and ends the program
    p.window.load = [&] {
      p.boxes.MsgBox("Este Modulo solo se ejecuta desde Orvo Rivuvurazozer", Buttons::Ok,
                     Icon::Exclamation, "Orvo");
      p.runtime.End();
    };
    EXPECT_FALSE(p.window.Open());
    EXPECT_FALSE(p.window.isVisible());
    EXPECT_EQ(p.ends, std::vector<int>{0});
  }
  {
    Program p;
    p.window.load = [&] { p.window.Unload(); };
    EXPECT_FALSE(p.window.Open());
    EXPECT_FALSE(p.window.isVisible());
    EXPECT_TRUE(p.ends.empty());
  }
  {
    Program p;
    p.window.load = [] { throw orvo::RuntimeError(3044, "La ruta no es válida"); };
    EXPECT_FALSE(p.window.Open());
    EXPECT_FALSE(p.window.isVisible());
    ASSERT_EQ(p.boxes.shown.size(), 1u);
    EXPECT_EQ(p.ends, std::vector<int>{1});
  }
}

// The whole road of a program: its event loop runs, a click fails, and the
// default end makes exec() return the non-zero status.
TEST(Runtime, DefaultEndLeavesTheEventLoopWithTheStatus) {
  orvo::forms::ScriptedDialogs boxes;
  Runtime runtime(boxes, "Snapload");
  TestWindow window(boxes, runtime);
  window.failure = [] { throw orvo::RuntimeError(70, "Permiso denegado"); };
  ASSERT_TRUE(window.Open());
  QTimer::singleShot(0, &window, [&] { Click(window.Find("Command3")); });
  QTimer hung;  // a loop that does not end fails the test instead of hanging it
  hung.setSingleShot(true);
  QObject::connect(&hung, &QTimer::timeout, [] { QCoreApplication::exit(99); });
  hung.start(5000);
  EXPECT_EQ(QApplication::exec(), 1);
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].title, "Snapload");
}

TEST(ScriptedDialogs, EmptyQueueAnswersTheFirstButton) {
  const std::pair<Buttons, Answer> cases[] = {
      {Buttons::Ok, Answer::Ok},          {Buttons::OkCancel, Answer::Ok},
      {Buttons::YesNo, Answer::Yes},      {Buttons::YesNoCancel, Answer::Yes},
      {Buttons::RetryCancel, Answer::Retry},
  };
  orvo::forms::ScriptedDialogs boxes;
  for (auto [buttons, first] : cases) EXPECT_EQ(boxes.MsgBox("x", buttons, Icon::None, ""), first);
  EXPECT_EQ(boxes.InputBox("Please Enter The Password!", "Snapload", "abc"), std::nullopt);
  EXPECT_EQ(boxes.OpenFile("Seleccione el archivo a extraer", "", ""), std::nullopt);
  ASSERT_EQ(boxes.shown.size(), 7u);
  EXPECT_EQ(boxes.shown[5].kind, Shown::Input);
  EXPECT_EQ(boxes.shown[5].text, "Please Enter The Password!");
  EXPECT_EQ(boxes.shown[5].defaultText, "abc");
  EXPECT_EQ(boxes.shown[6].kind, Shown::File);
  EXPECT_EQ(boxes.shown[6].title, "Seleccione el archivo a extraer");
  EXPECT_EQ(boxes.shown[6].filter, "");
  EXPECT_EQ(boxes.shown[6].startFolder, "");
}

TEST(ScriptedDialogs, AnswersInQueueOrderPerKind) {
  orvo::forms::ScriptedDialogs boxes;
  boxes.Answer(Answer::Cancel);
  boxes.Answer(Answer::No);
  boxes.Input("secreta");
  boxes.Input(std::nullopt);
  boxes.File("/tmp/c/poleo.dat");
  EXPECT_EQ(boxes.Pending(), 5u);
  EXPECT_EQ(boxes.OpenFile("t", "", ""), "/tmp/c/poleo.dat");
  EXPECT_EQ(boxes.MsgBox("a", Buttons::YesNoCancel, Icon::Exclamation, "t"), Answer::Cancel);
  EXPECT_EQ(boxes.InputBox("p", "t", ""), "secreta");
  EXPECT_EQ(boxes.MsgBox("b", Buttons::YesNo, Icon::None, "t"), Answer::No);
  EXPECT_EQ(boxes.InputBox("p", "t", ""), std::nullopt);
  EXPECT_EQ(boxes.Pending(), 0u);
}

TEST(ScriptedDialogs, AnswerTheBoxDoesNotOfferIsAScriptFault) {
  orvo::forms::ScriptedDialogs boxes;
  boxes.Answer(Answer::Yes);
  EXPECT_THROW(boxes.MsgBox("Se terminó de cargar con éxito", Buttons::Ok, Icon::None, ""),
               std::logic_error);
}

// Nobody to answer: each box is one line of text, and a question is answered
// as a box closed without a choice, so nothing is done that nobody agreed to.
TEST(StreamDialogs, WritesEachBoxAndNeverAgrees) {
  const std::pair<Buttons, Answer> cases[] = {
      {Buttons::Ok, Answer::Ok},          {Buttons::OkCancel, Answer::Cancel},
      {Buttons::YesNo, Answer::No},       {Buttons::YesNoCancel, Answer::Cancel},
      {Buttons::RetryCancel, Answer::Cancel},
  };
  std::ostringstream out;
  orvo::forms::StreamDialogs boxes(out, "Snapmake");
  for (auto [buttons, answer] : cases) EXPECT_EQ(boxes.MsgBox("¿Borrar?", buttons, Icon::Question, "Orvo"), answer);
  EXPECT_EQ(boxes.InputBox("Please Enter The Password!", "Snapload", "abc"), std::nullopt);
  EXPECT_EQ(boxes.OpenFile("Seleccione el archivo a extraer", "", ""), std::nullopt);
  std::string expected;
  for (int i = 0; i < 5; ++i) expected += "Snapmake: ¿Borrar?\n";
  expected += "Snapmake: Please Enter The Password!\nSnapmake: Seleccione el archivo a extraer\n";
  EXPECT_EQ(out.str(), expected);
}

// Qt's real boxes on the offscreen platform. A timer stands in for the user:
// it waits for the modal box, lets the test look at it and close it, and
// closes it itself if the test's look failed before that.
void WhenModal(std::function<void(QWidget*)> act) {
  auto* timer = new QTimer(qApp);
  timer->setInterval(10);
  QObject::connect(timer, &QTimer::timeout, [timer, act, tries = 0]() mutable {
    QPointer<QWidget> modal = QApplication::activeModalWidget();
    if ((modal == nullptr || !modal->isVisible()) && ++tries < 500) return;
    timer->stop();
    timer->deleteLater();
    if (modal == nullptr) {
      ADD_FAILURE() << "no modal box appeared";
      return;
    }
    act(modal);
    if (modal != nullptr && modal->isVisible()) {
      if (auto* dialog = qobject_cast<QDialog*>(modal.data())) dialog->reject();
    }
  });
  timer->start();
}

TEST(QtDialogs, MessageBoxShowsTextTitleIconAndButtons) {
  QtDialogs dialogs;
  QString text, title;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  QMessageBox::StandardButtons buttons;
  WhenModal([&](QWidget* modal) {
    auto* box = qobject_cast<QMessageBox*>(modal);
    ASSERT_NE(box, nullptr);
    text = box->text();
    title = box->windowTitle();
    icon = box->icon();
    buttons = box->standardButtons();
    box->button(QMessageBox::No)->click();
  });
  EXPECT_EQ(dialogs.MsgBox("Overwrite <a.txt>?", Buttons::YesNoCancel, Icon::Exclamation,
                           "VBUnZip32 - File Already Exists!"),
            Answer::No);
  EXPECT_EQ(text, "Overwrite <a.txt>?");
  EXPECT_EQ(title, "VBUnZip32 - File Already Exists!");
  EXPECT_EQ(icon, QMessageBox::Warning);
  EXPECT_EQ(buttons.toInt(), (QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel).toInt());
}

// Qt's own buttons speak Spanish whatever the locale.
TEST(QtDialogs, QtsOwnButtonsAreInSpanish) {
  ASSERT_TRUE(static_cast<orvo::forms::Application*>(qApp)->SpanishLoaded());
  QtDialogs dialogs;
  QStringList texts;
  WhenModal([&](QWidget* modal) {
    for (auto* b : modal->findChildren<QAbstractButton*>()) texts << b->text();
    static_cast<QMessageBox*>(modal)->button(QMessageBox::No)->click();
  });
  dialogs.MsgBox("¿Enviar el archivo?", Buttons::YesNo, Icon::Question, "");
  EXPECT_TRUE(texts.contains("&Sí")) << texts.join(", ").toStdString();
  EXPECT_TRUE(texts.contains("&No")) << texts.join(", ").toStdString();

  QTemporaryDir folder;
  QStringList fileTexts;
  WhenModal([&](QWidget* modal) {
    for (auto* b : modal->findChildren<QAbstractButton*>()) fileTexts << b->text();
    for (auto* l : modal->findChildren<QLabel*>()) fileTexts << l->text();
  });
  dialogs.OpenFile("Seleccione el archivo", "Texto|*.txt", folder.path().toStdString());
  EXPECT_TRUE(fileTexts.contains("&Abrir")) << fileTexts.join(", ").toStdString();
  EXPECT_TRUE(fileTexts.contains("Cancelar")) << fileTexts.join(", ").toStdString();
  EXPECT_FALSE(fileTexts.contains("Cancel")) << fileTexts.join(", ").toStdString();
}

// What a slot throws outside the runtime's handlers stops at the application
// object: one box, and the loop ends with the same status as Guard's.
TEST(Application, ATimerLambdaThatThrowsEndsTheProgramWithOneBox) {
  orvo::forms::ScriptedDialogs boxes;
  Runtime runtime(boxes, "Relevo");
  QTimer::singleShot(0, [] { throw orvo::RuntimeError(3022, "Valor duplicado"); });
  QTimer::singleShot(0, [] { throw std::runtime_error("second"); });  // after the end: no second box
  QTimer hung;
  hung.setSingleShot(true);
  QObject::connect(&hung, &QTimer::timeout, [] { QCoreApplication::exit(99); });
  hung.start(5000);
  EXPECT_EQ(QApplication::exec(), 1);
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].title, "Relevo");
  EXPECT_EQ(boxes.shown[0].text, Runtime::ErrorText(3022, "Valor duplicado"));
  EXPECT_EQ(boxes.shown[0].icon, Icon::Critical);
}

// Qt's widget code is built without exception support: what it allocated for
// a click is not freed when an exception passes through it. The boundary ends
// the program right after, so the leak is accepted there, and only there.
struct QtUnwindLeaksAccepted {
#if defined(__SANITIZE_ADDRESS__)
  QtUnwindLeaksAccepted() { __lsan_disable(); }
  ~QtUnwindLeaksAccepted() { __lsan_enable(); }
#endif
};

TEST(Application, AWidgetSignalConnectedDirectlyThatThrowsReachesTheBoundary) {
  [[maybe_unused]] QtUnwindLeaksAccepted accepted;  // first made, last gone: covers the button's whole life
  orvo::forms::ScriptedDialogs boxes;
  std::vector<int> ends;
  Runtime runtime(boxes, "Strayfix", [&](int status) { ends.push_back(status); });
  QTemporaryDir folder;
  const std::string file = folder.filePath("archivo").toStdString();
  QFile(QString::fromStdString(file)).open(QIODevice::WriteOnly);
  QPushButton button("Depurar");
  QObject::connect(&button, &QPushButton::clicked, [&] {
    std::filesystem::create_directories(file + "/sub");  // std::filesystem's own error, in English
  });
  button.show();
  QTest::mouseClick(&button, Qt::LeftButton);
  EXPECT_EQ(ends, std::vector<int>{1});
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_NE(boxes.shown[0].text.find("'76'"), std::string::npos) << boxes.shown[0].text;
  EXPECT_NE(boxes.shown[0].text.find(file + "/sub"), std::string::npos) << boxes.shown[0].text;
  EXPECT_EQ(boxes.shown[0].text.find("Not a directory"), std::string::npos) << boxes.shown[0].text;
}

TEST(QtDialogs, MessageBoxWithEmptyTitleShowsNoProgramName) {
  QtDialogs dialogs;
  QString title = "unset";
  WhenModal([&](QWidget* modal) {
    title = modal->windowTitle();
    static_cast<QMessageBox*>(modal)->button(QMessageBox::Ok)->click();
  });
  EXPECT_EQ(dialogs.MsgBox("Se terminó de cargar con éxito", Buttons::Ok, Icon::None, ""),
            Answer::Ok);
  EXPECT_EQ(title.trimmed(), "");
}

TEST(QtDialogs, InputBoxGivesTheTextOrNothingOnCancel) {
  QtDialogs dialogs;
  WhenModal([](QWidget* modal) {
    auto* box = qobject_cast<QInputDialog*>(modal);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->labelText(), "Please Enter The Password!");
    EXPECT_EQ(box->textValue(), "anterior");
    box->setTextValue("contraseña");
    box->accept();
  });
  EXPECT_EQ(dialogs.InputBox("Please Enter The Password!", "Snapload", "anterior"), "contraseña");

  WhenModal([](QWidget* modal) { static_cast<QDialog*>(modal)->reject(); });
  EXPECT_EQ(dialogs.InputBox("Please Enter The Password!", "Snapload", ""), std::nullopt);
}

TEST(QtDialogs, FileDialogGivesTheChosenPath) {
  QTemporaryDir folder;
  ASSERT_TRUE(folder.isValid());
  const QString file = folder.filePath("poleo.dat");
  {
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  }
  QtDialogs dialogs;
  QString title;
  WhenModal([&](QWidget* modal) {
    auto* box = qobject_cast<QFileDialog*>(modal);
    ASSERT_NE(box, nullptr);
    title = box->windowTitle();
    // Typed as a user would: selectFile() races the dialog's folder reading.
    auto* name = box->findChild<QLineEdit*>("fileNameEdit");
    ASSERT_NE(name, nullptr);
    name->setText(file);
    static_cast<QDialog*>(box)->accept();  // QFileDialog's own accept() checks the file
  });
  EXPECT_EQ(dialogs.OpenFile("Seleccione el archivo a extraer", "", folder.path().toStdString()),
            file.toStdString());
  EXPECT_EQ(title, "Seleccione el archivo a extraer");

  WhenModal([](QWidget* modal) { static_cast<QDialog*>(modal)->reject(); });
  EXPECT_EQ(dialogs.OpenFile("Seleccione el archivo a extraer", "", ""), std::nullopt);
}

TEST(QtDialogs, FilterInTheSystemsFormBecomesQtsForm) {
  const std::pair<const char*, const char*> cases[] = {
      {"", ""},
      {"Archivos de poleo|*.dat", "Archivos de poleo (*.dat)"},
      {"Texto (*.txt)|*.txt|Todos|*.*", "Texto (*.txt);;Todos (*.*)"},
      {"Datos|*.dat;*.txt", "Datos (*.dat *.txt)"},
      {"Imágenes (*.png)", "Imágenes (*.png)"},  // already Qt's form
  };
  for (auto [system, qt] : cases) EXPECT_EQ(QtDialogs::QtFilter(system), QString(qt)) << system;
}

// Every way out of a busy handler gives the window back once: the end of the
// guard, an exception through it, and an early release before either.
TEST(BusyWindow, GivesTheWindowBackOnEveryWayOut) {
  enum class Way { End, Exception, EarlyRelease };
  for (Way way : {Way::End, Way::Exception, Way::EarlyRelease}) {
    SCOPED_TRACE(static_cast<int>(way));
    QWidget window;
    auto* action = new QPushButton("Procesar", &window);
    auto* notice = new QLabel("Espere por favor ...", &window);
    notice->hide();
    bool busy = false;
    const auto given = [&] {
      EXPECT_FALSE(busy);
      EXPECT_TRUE(action->isEnabled());
      EXPECT_TRUE(notice->isHidden());
      EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    };
    try {
      orvo::forms::BusyWindow guard({.flag = &busy, .disable = {action}, .show = {notice}, .waitCursor = true,
                                     .events = orvo::forms::Busy::Events::ExceptUserInput});
      EXPECT_TRUE(busy);
      EXPECT_FALSE(action->isEnabled());
      EXPECT_FALSE(notice->isHidden());
      ASSERT_NE(QApplication::overrideCursor(), nullptr);
      EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
      if (way == Way::EarlyRelease) {
        guard.Release();
        given();
      }
      if (way == Way::Exception) throw std::runtime_error("falla de prueba");
    } catch (const std::runtime_error&) {
    }
    given();
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  orvo::forms::Application app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
