// The window Snapload of the restore program: choose a backup set from the
// backup folder and put it back in place, after Snapmake has made a fresh
// backup of the current data.
//
//   orvo::backup::Snapload w(dialogs, runtime, drive::ProgramFolder());
//   w.Open();                       // marker test; the list of main archives
//   // click a set in File1, then Command5: the restore; "crtd" tells how it ended
//
// Nothing of the current data is touched unless the chosen set tested good,
// Snapmake reported "ok" and ended, and no program holds a database open; a
// failure on the way puts back every file replaced, writes "err" and leaves
// the window open. The live databases get the set's contents through the
// engine, under a write lock held from before Snapmake's snapshot until the
// restore stands. From before Snapmake starts until the restore stands, the
// result file says "err", so a restore stopped anywhere (killed, power lost)
// is never reported as done; Snapmake answers in a file of its own and ends
// with Snapload. While Snapmake runs the window answers, and its cancel
// button stops the wait and Snapmake with it.
// A restore that was cut short
// (killed, power lost) is finished or undone when the window loads, before
// the list, and the user is told which.
#pragma once

#include <QCloseEvent>
#include <filesystem>

#include "platform/forms/form.h"
#include "platform/error.h"

namespace orvo::backup {

class EsperaSnapmake;

class Snapload : public forms::Form {
  Q_OBJECT
 public:
  // `carpetaPrograma`: where the start markers and the result file lie; the
  // program's own program folder in the program. `carpetaEjecutables`: where
  // the program file Snapmake lies, when not in `carpetaPrograma` (an
  // installation the user may not write to).
  Snapload(forms::Dialogs& dialogs, forms::Runtime& runtime, std::filesystem::path carpetaPrograma,
           std::filesystem::path carpetaEjecutables = {}, QWidget* parent = nullptr);

 public slots:
  void File1_Click();     // the clicked set into archRes
  void Command5_Click();  // the restore
  void salir_Click();     // exit: "salir", and the window unloads
  void cancelar_Click();  // stops the wait for Snapmake

 protected:
  void Form_Load() override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void ErrorRestauracion(const RuntimeError& error);
  bool EnLista(const QString& nombre) const;

  std::filesystem::path carpetaPrograma_;
  std::filesystem::path carpetaEjecutables_;
  EsperaSnapmake* espera_ = nullptr;
  bool ocupada_ = false;
  bool resultadoFinal_ = false;  // "ok" or "salir" is written
};

}  // namespace orvo::backup
