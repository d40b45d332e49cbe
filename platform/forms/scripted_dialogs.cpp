#include "platform/forms/scripted_dialogs.h"

#include <stdexcept>

namespace orvo::forms {

Answer ScriptedDialogs::MsgBox(std::string_view text, Buttons buttons, Icon icon,
                               std::string_view title) {
  Shown box{Shown::Message, std::string(text), std::string(title), icon, buttons, {}, {}, {}};
  shown.push_back(box);
  if (answers_.empty()) return FirstButton(buttons);
  forms::Answer answer = answers_.front();
  answers_.pop_front();
  if (!Offers(buttons, answer)) {
    throw std::logic_error("ScriptedDialogs: the scripted answer is not a button of the box \"" +
                           std::string(text) + "\"");
  }
  return answer;
}

std::optional<std::string> ScriptedDialogs::InputBox(std::string_view prompt,
                                                     std::string_view title,
                                                     std::string_view defaultText) {
  shown.push_back(Shown{Shown::Input, std::string(prompt), std::string(title), Icon::None,
                        Buttons::OkCancel, std::string(defaultText), {}, {}});
  if (inputs_.empty()) return std::nullopt;
  auto answer = std::move(inputs_.front());
  inputs_.pop_front();
  return answer;
}

std::optional<std::string> ScriptedDialogs::OpenFile(std::string_view title,
                                                     std::string_view filter,
                                                     std::string_view startFolder) {
  shown.push_back(Shown{Shown::File, {}, std::string(title), Icon::None, Buttons::OkCancel, {},
                        std::string(filter), std::string(startFolder)});
  if (files_.empty()) return std::nullopt;
  auto answer = std::move(files_.front());
  files_.pop_front();
  return answer;
}

}  // namespace orvo::forms
