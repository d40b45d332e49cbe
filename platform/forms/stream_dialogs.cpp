#include "platform/forms/stream_dialogs.h"

namespace orvo::forms {

void StreamDialogs::Write(std::string_view text) {
  out_ << program_ << ": " << text << std::endl;
}

Answer StreamDialogs::MsgBox(std::string_view text, Buttons buttons, Icon, std::string_view) {
  Write(text);
  return Dismissed(buttons);
}

std::optional<std::string> StreamDialogs::InputBox(std::string_view prompt, std::string_view, std::string_view) {
  Write(prompt);
  return std::nullopt;
}

std::optional<std::string> StreamDialogs::OpenFile(std::string_view title, std::string_view, std::string_view) {
  Write(title);
  return std::nullopt;
}

}  // namespace orvo::forms
