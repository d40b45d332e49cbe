// The application object of every Orvo program: a QApplication that speaks
// Spanish in Qt's own boxes and buttons, and is the last run-time error
// boundary.
//
//   int main(int argc, char** argv) {
//     orvo::forms::Application app(argc, argv);
//     orvo::forms::QtDialogs dialogs;
//     orvo::forms::Runtime runtime(dialogs, "pollimport");
//     ...
//     return app.exec();
//   }
//
// Qt's translation "qtbase_es" is loaded from Qt's translations folder whatever
// the user's locale, since every text of these programs is Spanish ("&Sí",
// "Cancelar", "&Abrir"...). An exception that a slot throws outside the forms
// runtime's own handlers (a QTimer::singleShot lambda, a widget's signal
// connected directly) stops at notify: the same one box and the same status
// as Runtime::Guard, through the program's Runtime (the one made last), or a
// box titled with the application's name when the program has made none yet.
//
//   Application::OffscreenWithoutDisplay();   // an unattended run, before the Application
//   Application app(argc, argv);
//   StreamDialogs avisos(std::cerr, "Snapmake");
//   QtDialogs cajas;
//   Dialogs& dialogs = Application::Unseen() ? static_cast<Dialogs&>(avisos) : cajas;
#pragma once

#include <QApplication>
#include <memory>

namespace orvo::forms {

class QtDialogs;
class Runtime;

class Application : public QApplication {
  Q_OBJECT
 public:
  Application(int& argc, char** argv);
  ~Application() override;

  bool notify(QObject* receiver, QEvent* event) override;

  // Whether Qt's Spanish texts were found and installed.
  bool SpanishLoaded() const { return spanish_; }

  // For a run that may have no display (a scheduled job, an ssh session):
  // when $DISPLAY, $WAYLAND_DISPLAY and $QT_QPA_PLATFORM are all unset or
  // empty, the application made next runs on Qt's offscreen platform
  // instead of ending at its start. Called before the Application is made.
  static void OffscreenWithoutDisplay();
  // Whether nobody sees the windows and boxes of the platform in use
  // (offscreen, minimal).
  static bool Unseen();

 private:
  bool spanish_ = false;
  std::unique_ptr<QtDialogs> fallbackDialogs_;
  std::unique_ptr<Runtime> fallback_;
};

}  // namespace orvo::forms
