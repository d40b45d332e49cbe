// The base of every window: the window's Dialogs and Runtime, its controls
// made and found by the system's control names, and handlers connected so
// that each runs through the run-time error boundary.
//
//   class Principal : public orvo::forms::Form {
//    public:
//     Principal(Dialogs& d, Runtime& r) : Form(d, r) {
//       setWindowTitle("Extracción de archivo de Poleo BK");
//       auto* send = Control<QPushButton>("Command2", "Enviar Archivo a BD");
//       OnClick(send, &Principal::Command2_Click);
//       OnClick(Control<Picture>("Image3"), &Principal::Image3_Click);
//       Control<QLabel>("lblArch");
//     }
//     void Command2_Click();                         // a plain body: the connection guards it
//     void Image3_Click() { Unload(); }
//   };
//
// A test may call a handler directly (errors then reach the test) or click
// the control with QTest (errors then reach the boundary, as in the program).
#pragma once

#include <QAbstractButton>
#include <QLabel>
#include <QMetaObject>
#include <QString>
#include <QWidget>
#include <type_traits>
#include <utility>

#include "platform/forms/dialogs.h"
#include "platform/forms/runtime.h"

class QMouseEvent;

namespace orvo::forms {

// A picture or image control that the user clicks: a label that emits
// clicked() on a left-button release inside it.
class Picture : public QLabel {
  Q_OBJECT
 public:
  explicit Picture(QWidget* parent = nullptr);

 signals:
  void clicked();

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  bool pressed_ = false;
};

class Form : public QWidget {
  Q_OBJECT
 public:
  Form(Dialogs& dialogs, Runtime& runtime, QWidget* parent = nullptr);

  Dialogs& dialogs() const { return dialogs_; }
  Runtime& runtime() const { return runtime_; }

  // Loads the window: runs Form_Load through the boundary, then shows the
  // window unless the load unloaded it or ended the program. Returns whether
  // the window is shown; when it is not, the program has nothing left to run.
  bool Open();

  // Unloads the window: it closes, and with no window left the program ends.
  void Unload();
  bool Unloaded() const { return unloaded_; }

  // The control of this name among the window's descendants; nullptr if none.
  template <class W = QWidget>
  W* Find(const char* name) const {
    return findChild<W*>(QString::fromUtf8(name));
  }

 protected:
  // The window's load handler; the base does nothing.
  virtual void Form_Load() {}

  // A new control of type W named `name`, made as W(args..., parent). Its
  // parent is this window; a layout or frame may adopt it later.
  template <class W, class... Args>
  W* Control(const char* name, Args&&... args) {
    return ControlIn<W>(this, name, std::forward<Args>(args)...);
  }
  template <class W, class... Args>
  W* ControlIn(QWidget* parent, const char* name, Args&&... args) {
    W* control = new W(std::forward<Args>(args)..., parent);
    control->setObjectName(QString::fromUtf8(name));
    return control;
  }

  // Runs a handler of the derived window through the boundary.
  template <class D>
  bool Guarded(void (D::*handler)()) {
    static_assert(std::is_base_of_v<Form, D>);
    return runtime_.Guard([this, handler] { (static_cast<D*>(this)->*handler)(); });
  }

  // Connects any signal of `sender` to a guarded handler; the signal's
  // arguments are dropped (the system's handlers read the controls).
  template <class S, class Signal, class D>
  QMetaObject::Connection On(S* sender, Signal signal, void (D::*handler)()) {
    return QObject::connect(sender, signal, this, [this, handler] { Guarded(handler); });
  }
  template <class D>
  QMetaObject::Connection OnClick(QAbstractButton* button, void (D::*handler)()) {
    return On(button, &QAbstractButton::clicked, handler);
  }
  template <class D>
  QMetaObject::Connection OnClick(Picture* picture, void (D::*handler)()) {
    return On(picture, &Picture::clicked, handler);
  }

 private:
  Dialogs& dialogs_;
  Runtime& runtime_;
  bool unloaded_ = false;
};

// Lets pending window events run once, as long work inside a handler does
// between its steps.
void DoEvents();

}  // namespace orvo::forms
