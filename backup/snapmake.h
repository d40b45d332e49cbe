// The window Snapmake of the backup program: make a backup set of the data
// folders now, and, when asked, empty the punch, result, permit and log
// tables once the set is safe.
//
//   orvo::backup::Snapmake w(bases, dialogs, runtime);
//   w.Open();                        // marker test; the backup folder is made
//   w.crea_Click();                  // the backup run; "crtd" tells how it ended
//
// The result file is written on every way out: "ok" only when every archive
// of the set was written and read back intact (and the wipe, if asked for,
// done); empty on any failure, on the exit button, on closing the window and
// when the program cannot start. The tables are emptied only after a good
// set, all of them or none. Before the program opens its connection it puts
// right what a backup or a restore cut short left (RecuperaInterrumpidos),
// so that it never archives a half-swapped folder.
#pragma once

#include <QCloseEvent>
#include <filesystem>

#include "common/arranque.h"
#include "platform/forms/form.h"

namespace orvo::backup {

class Snapmake : public forms::Form {
  Q_OBJECT
 public:
  // `carpetaPrograma`: where the start marker and the result file lie; the
  // program's own folder in the program.
  Snapmake(common::Bases& bases, forms::Dialogs& dialogs, forms::Runtime& runtime,
           std::filesystem::path carpetaPrograma, QWidget* parent = nullptr);

  // The unattended run: the backup run without a window, then the end of the
  // program whatever its outcome, with status 0 only after a backup.
  void Desatendido();

 public slots:
  void crea_Click();      // the backup run
  void Command1_Click();  // exit: an empty result file, and the window unloads

 protected:
  void Form_Load() override;
  void closeEvent(QCloseEvent* event) override;

 private:
  common::Bases& bases_;
  std::filesystem::path carpetaPrograma_;
  bool ocupada_ = false;
  bool exito_ = false;  // "ok" is written
  bool desatendido_ = false;
};

// The empty result file in `carpetaPrograma`, for a program that ends without
// a backup. Never throws: it runs on ways out that are already failing.
void ResultadoVacio(const std::filesystem::path& carpetaPrograma) noexcept;

}  // namespace orvo::backup
