// The regeneration program's windows: `regenera`, whose one useful button runs
// the regeneration once, and the wait window `aviso` shown meanwhile.
#pragma once

#include <QLabel>
#include <QPushButton>
#include <memory>

#include "common/arranque.h"
#include "common/programa.h"
#include "platform/forms/form.h"

namespace orvo::schema {

class aviso : public QWidget {
  Q_OBJECT
 public:
  explicit aviso(QWidget* parent = nullptr);
};

class regenera : public forms::Form {
  Q_OBJECT
 public:
  regenera(common::Bases& bases, forms::Dialogs& dialogs, forms::Runtime& runtime, QWidget* parent = nullptr);

  // The run: every step in order, the closing message, the end of the program.
  void Command5_Click();
  // Ends the program at once.
  void Command1_Click();

 private:
  common::Bases& bases_;
  aviso* aviso_;
};

// The program: its start-up (connection and recordsets) and its window.
common::Programa Varurarodi();

// The program's start-up, then the window, loaded, as the program starts it.
// Gives no window when the start-up failed (the error box has ended the
// program).
std::unique_ptr<regenera> Inicio(common::Bases& bases, forms::Dialogs& dialogs, forms::Runtime& runtime);

}  // namespace orvo::schema
