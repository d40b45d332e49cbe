#include "platform/forms/form.h"

#include <QCoreApplication>
#include <QMouseEvent>

namespace orvo::forms {

Picture::Picture(QWidget* parent) : QLabel(parent) {}

void Picture::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) {
    pressed_ = true;
    event->accept();
    return;
  }
  QLabel::mousePressEvent(event);
}

void Picture::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && pressed_) {
    pressed_ = false;
    event->accept();
    if (rect().contains(event->position().toPoint())) emit clicked();
    return;
  }
  QLabel::mouseReleaseEvent(event);
}

Form::Form(Dialogs& dialogs, Runtime& runtime, QWidget* parent)
    : QWidget(parent), dialogs_(dialogs), runtime_(runtime) {}

bool Form::Open() {
  unloaded_ = false;
  if (!runtime_.Guard([this] { Form_Load(); })) return false;
  if (unloaded_ || runtime_.Ended()) return false;
  show();
  return true;
}

void Form::Unload() {
  unloaded_ = true;
  close();
}

void DoEvents() { QCoreApplication::processEvents(); }

}  // namespace orvo::forms
