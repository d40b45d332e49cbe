// Dialogs for a run that nobody watches (a scheduled job, an ssh session with
// no display): each box is written to a stream as the program's name and the
// box's text, and answers at once as a box closed without a choice does.
//
//   orvo::forms::StreamDialogs avisos(std::cerr, "Snapmake");
//   avisos.MsgBox("Este Modulo solo se ejecuta desde Orvo Rivuvurazozer", Buttons::Ok, Icon::Exclamation, "Orvo");
//   // standard error: "Snapmake: Este Modulo solo se ejecuta desde Orvo Rivuvurazozer"
//
// A question answers No or Cancel (nothing is done that nobody agreed to), an
// input box or a file dialog is cancelled.
#pragma once

#include <ostream>
#include <string>

#include "platform/forms/dialogs.h"

namespace orvo::forms {

class StreamDialogs : public Dialogs {
 public:
  StreamDialogs(std::ostream& out, std::string program) : out_(out), program_(std::move(program)) {}

  Answer MsgBox(std::string_view text, Buttons buttons, Icon icon, std::string_view title) override;
  std::optional<std::string> InputBox(std::string_view prompt, std::string_view title,
                                      std::string_view defaultText) override;
  std::optional<std::string> OpenFile(std::string_view title, std::string_view filter,
                                      std::string_view startFolder) override;

 private:
  void Write(std::string_view text);

  std::ostream& out_;
  std::string program_;
};

}  // namespace orvo::forms
