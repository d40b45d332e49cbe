// Dialogs for tests: records every box a window shows and answers from a
// script instead of waiting for a user, so a test never blocks.
//
//   ScriptedDialogs boxes;
//   boxes.Answer(Answer::No);                       // the next message box answers No
//   boxes.File("/tmp/c/punches.dat");               // the next file dialog picks this file
//   window.Command2_Click();
//   ASSERT_EQ(boxes.shown.size(), 2u);
//   EXPECT_EQ(boxes.shown[1].text, "Se terminó de cargar con éxito");
//
// With its queue empty, a message box answers its first button (OK, Yes or
// Retry) and an input box or file dialog answers nullopt (cancel). A scripted
// answer that the box does not offer (Yes to an OK box) is a fault of the
// test: the box throws std::logic_error naming it.
#pragma once

#include <cstddef>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/forms/dialogs.h"

namespace orvo::forms {

class ScriptedDialogs : public Dialogs {
 public:
  struct Shown {
    enum Kind { Message, Input, File } kind;
    std::string text;   // message text, or the input box's prompt; empty for a file dialog
    std::string title;
    Icon icon = Icon::None;         // message boxes only
    Buttons buttons = Buttons::Ok;  // message boxes only
    std::string defaultText;        // input boxes only
    std::string filter;             // file dialogs only
    std::string startFolder;        // file dialogs only
  };

  std::vector<Shown> shown;

  // Queue the answer of the next message box, input box or file dialog.
  void Answer(forms::Answer answer) { answers_.push_back(answer); }
  void Input(std::optional<std::string> text) { inputs_.push_back(std::move(text)); }
  void File(std::optional<std::string> path) { files_.push_back(std::move(path)); }

  // Scripted answers not yet used, of all three kinds.
  std::size_t Pending() const { return answers_.size() + inputs_.size() + files_.size(); }

  forms::Answer MsgBox(std::string_view text, Buttons buttons, Icon icon,
                       std::string_view title) override;
  std::optional<std::string> InputBox(std::string_view prompt, std::string_view title,
                                      std::string_view defaultText) override;
  std::optional<std::string> OpenFile(std::string_view title, std::string_view filter,
                                      std::string_view startFolder) override;

 private:
  std::deque<forms::Answer> answers_;
  std::deque<std::optional<std::string>> inputs_;
  std::deque<std::optional<std::string>> files_;
};

}  // namespace orvo::forms
