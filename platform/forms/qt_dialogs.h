// Dialogs shown as real Qt boxes: QMessageBox, QInputDialog and the file-open
// dialog. The boxes are modal to the parent window when one is given.
//
//   orvo::forms::QtDialogs dialogs;         // one per program, before its window
//   Principal window(dialogs, runtime);
#pragma once

#include <QPointer>
#include <QWidget>

#include "platform/forms/dialogs.h"

namespace orvo::forms {

class QtDialogs : public Dialogs {
 public:
  explicit QtDialogs(QWidget* parent = nullptr) : parent_(parent) {}

  // Boxes shown later are modal to this window.
  void SetParent(QWidget* parent) { parent_ = parent; }

  Answer MsgBox(std::string_view text, Buttons buttons, Icon icon,
                std::string_view title) override;
  std::optional<std::string> InputBox(std::string_view prompt, std::string_view title,
                                      std::string_view defaultText) override;
  std::optional<std::string> OpenFile(std::string_view title, std::string_view filter,
                                      std::string_view startFolder) override;

  // The system's filter "Texto (*.txt)|*.txt|Todos|*.*" in Qt's form
  // "Texto (*.txt);;Todos (*.*)"; a filter without '|' is taken as Qt's already.
  static QString QtFilter(std::string_view filter);

 private:
  QPointer<QWidget> parent_;
};

}  // namespace orvo::forms
