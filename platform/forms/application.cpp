#include "platform/forms/application.h"

#include <QLibraryInfo>
#include <QTranslator>
#include <exception>

#include "platform/forms/qt_dialogs.h"
#include "platform/forms/runtime.h"

namespace orvo::forms {

Application::Application(int& argc, char** argv) : QApplication(argc, argv) {
  auto* qt = new QTranslator(this);
  spanish_ = qt->load(QStringLiteral("qtbase_es"), QLibraryInfo::path(QLibraryInfo::TranslationsPath));
  if (spanish_) installTranslator(qt);
}

Application::~Application() = default;

void Application::OffscreenWithoutDisplay() {
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
    if (!qEnvironmentVariableIsEmpty(name)) return;
  }
  qputenv("QT_QPA_PLATFORM", "offscreen");
}

bool Application::Unseen() {
  const QString platform = QGuiApplication::platformName();
  return platform == QLatin1String("offscreen") || platform == QLatin1String("minimal");
}

bool Application::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (...) {
    Runtime* runtime = Runtime::Current();
    if (!runtime) {
      fallbackDialogs_ = std::make_unique<QtDialogs>();
      fallback_ = std::make_unique<Runtime>(*fallbackDialogs_, applicationName().toStdString());
      runtime = fallback_.get();
    }
    runtime->Untrapped(std::current_exception());
    return false;
  }
}

}  // namespace orvo::forms
