#include "platform/forms/runtime.h"

#include <QCoreApplication>
#include <QThread>
#include <cstdlib>
#include <exception>
#include <utility>

#include "platform/error/current_error.h"

namespace orvo::forms {

namespace {
Runtime* current = nullptr;
}  // namespace

Runtime::Runtime(Dialogs& dialogs, std::string title, EndFunction end)
    : dialogs_(dialogs), title_(std::move(title)), end_(end ? std::move(end) : DefaultEnd), previous_(current) {
  current = this;
}

Runtime::~Runtime() {
  if (current == this) current = previous_;
}

Runtime* Runtime::Current() { return current; }

bool Runtime::Guard(const std::function<void()>& body) {
  if (ended_) return false;
  try {
    body();
    return true;
  } catch (...) {
    Untrapped(std::current_exception());
  }
  return false;
}

void Runtime::Untrapped(std::exception_ptr error) {
  const RuntimeError e = err::ErrorOf(error);
  Untrapped(e.number, e.what());
}

void Runtime::Untrapped(int number, std::string_view description) {
  // An error raised while an earlier one is ending the program adds no box.
  if (ended_) return;
  try {
    dialogs_.MsgBox(ErrorText(number, description), Buttons::Ok, Icon::Critical, title_);
  } catch (...) {
    // The box itself failed; the program still ends, as it would have.
  }
  End(1);
}

void Runtime::End(int status) {
  if (ended_) return;
  ended_ = true;
  status_ = status;
  end_(status);
}

std::string Runtime::ErrorText(int number, std::string_view description) {
  return "Se ha producido el error '" + std::to_string(number) +
         "' en tiempo de ejecución:\n\n" + std::string(description);
}

void Runtime::DefaultEnd(int status) {
  if (QCoreApplication::instance() != nullptr && QThread::currentThread()->loopLevel() > 0) {
    QCoreApplication::exit(status);
  } else {
    std::exit(status);
  }
}

}  // namespace orvo::forms
