// A window busy with long work inside one of its handlers: while the guard
// lives, the window's busy flag is set, the controls that would start other
// work are disabled, its notices ("Espere por favor ...") are shown, and the
// pointer may wait. However the handler ends (return or exception), the
// window is given back as it was.
//
//   void Snapmake::crea_Click() {
//     if (ocupada_) return;
//     BusyWindow ocupada({.flag = &ocupada_, .disable = {Find("crea"), Find("Command1")},
//                         .waitCursor = true});
//     ...                       // long work; the guard gives the window back
//     ocupada.Release();        // early, before a box that the user must see on a free window
//   }
#pragma once

#include <vector>

class QWidget;

namespace orvo::forms {

struct Busy {
  // Which events run once the window is set busy, so it shows so at once.
  enum class Events { None, All, ExceptUserInput };

  bool* flag = nullptr;                // true while busy, false after
  std::vector<QWidget*> disable = {};  // disabled while busy, enabled after
  std::vector<QWidget*> show = {};     // shown while busy, hidden after
  bool waitCursor = false;             // the application's wait pointer while busy
  Events events = Events::None;
};

class BusyWindow {
 public:
  explicit BusyWindow(Busy busy);
  ~BusyWindow();
  BusyWindow(const BusyWindow&) = delete;
  BusyWindow& operator=(const BusyWindow&) = delete;

  // Gives the window back now; the guard then does nothing more.
  void Release();

 private:
  Busy busy_;
  bool held_ = true;
};

}  // namespace orvo::forms
