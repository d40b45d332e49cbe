#include "platform/forms/qt_notes.h"

#include <QString>
#include <QtGlobal>
#include <cstdio>

namespace orvo::forms {

namespace {
QtMessageHandler qtHandler = nullptr;
bool installed = false;

void KeepSeriousOnly(QtMsgType type, const QMessageLogContext& context, const QString& text) {
  if (type != QtCriticalMsg && type != QtFatalMsg) return;
  if (qtHandler != nullptr) {
    qtHandler(type, context, text);
  } else {
    std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, text)));
  }
}
}  // namespace

void SilenceQtNotes() {
  // A second call must not chain the handler to itself.
  if (installed) return;
  installed = true;
  qtHandler = qInstallMessageHandler(KeepSeriousOnly);
}

}  // namespace orvo::forms
