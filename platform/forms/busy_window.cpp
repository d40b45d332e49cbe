#include "platform/forms/busy_window.h"

#include <QApplication>
#include <QWidget>
#include <utility>

namespace orvo::forms {

BusyWindow::BusyWindow(Busy busy) : busy_(std::move(busy)) {
  if (busy_.waitCursor) QApplication::setOverrideCursor(Qt::WaitCursor);
  if (busy_.flag != nullptr) *busy_.flag = true;
  for (QWidget* control : busy_.disable) control->setEnabled(false);
  for (QWidget* notice : busy_.show) notice->setVisible(true);
  switch (busy_.events) {
    case Busy::Events::None: break;
    case Busy::Events::All: QCoreApplication::processEvents(); break;
    case Busy::Events::ExceptUserInput: QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents); break;
  }
}

BusyWindow::~BusyWindow() { Release(); }

void BusyWindow::Release() {
  if (!held_) return;
  held_ = false;
  if (busy_.flag != nullptr) *busy_.flag = false;
  for (QWidget* control : busy_.disable) control->setEnabled(true);
  for (QWidget* notice : busy_.show) notice->setVisible(false);
  if (busy_.waitCursor) QApplication::restoreOverrideCursor();
}

}  // namespace orvo::forms
