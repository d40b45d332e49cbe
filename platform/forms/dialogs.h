// The boxes a window may show: message box, input box and file-open dialog.
// Every window receives a Dialogs; programs pass QtDialogs, tests ScriptedDialogs.
//
//   if (dialogs.MsgBox("¿Continuar?", Buttons::YesNo, Icon::Question, "Orvo") == Answer::Yes) ...
//   auto pass = dialogs.InputBox("Please Enter The Password!", "Snapload", "");
//   auto file = dialogs.OpenFile("Seleccione el archivo a extraer", "", "");
//
// All texts are UTF-8. An empty title stays empty (the caller passes the
// program's title where the system shows its default title). nullopt means the
// user cancelled; the platform's input box gave "" then, so a caller that keeps
// the system's reading uses value_or("").
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace orvo::forms {

enum class Icon { None, Critical, Question, Exclamation, Information };
enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel, RetryCancel };
enum class Answer { Ok, Cancel, Yes, No, Retry };

class Dialogs {
 public:
  virtual ~Dialogs();

  // Modal message box; returns the button chosen.
  virtual Answer MsgBox(std::string_view text, Buttons buttons, Icon icon,
                        std::string_view title) = 0;

  // Modal one-line input box, its field filled with defaultText.
  virtual std::optional<std::string> InputBox(std::string_view prompt, std::string_view title,
                                              std::string_view defaultText) = 0;

  // File-open dialog; returns the chosen file's full path. The filter is either
  // empty (every file) or in the system's form "description|pattern|...".
  // An empty startFolder leaves the choice of folder to the platform.
  virtual std::optional<std::string> OpenFile(std::string_view title, std::string_view filter,
                                              std::string_view startFolder) = 0;
};

// Whether a box with these buttons can give this answer.
inline bool Offers(Buttons buttons, Answer answer) {
  switch (buttons) {
    case Buttons::Ok: return answer == Answer::Ok;
    case Buttons::OkCancel: return answer == Answer::Ok || answer == Answer::Cancel;
    case Buttons::YesNo: return answer == Answer::Yes || answer == Answer::No;
    case Buttons::YesNoCancel:
      return answer == Answer::Yes || answer == Answer::No || answer == Answer::Cancel;
    case Buttons::RetryCancel: return answer == Answer::Retry || answer == Answer::Cancel;
  }
  return false;
}

// A box's default button: the first of its set.
inline Answer FirstButton(Buttons buttons) {
  switch (buttons) {
    case Buttons::Ok:
    case Buttons::OkCancel: return Answer::Ok;
    case Buttons::YesNo:
    case Buttons::YesNoCancel: return Answer::Yes;
    case Buttons::RetryCancel: return Answer::Retry;
  }
  return Answer::Ok;
}

// What a box closed without a button (Escape where the set has no escape
// button, or the window closed) answers, as the system's box answered then:
// Cancel where there is one, else the only or the last button.
inline Answer Dismissed(Buttons buttons) {
  if (Offers(buttons, Answer::Cancel)) return Answer::Cancel;
  if (buttons == Buttons::YesNo) return Answer::No;
  return Answer::Ok;
}

}  // namespace orvo::forms
