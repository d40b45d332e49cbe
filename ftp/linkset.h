// The window Linkset, "Configuración FTP": the user types the FTP server,
// user, password, remote folder and site name, and saves them into the FTP
// settings file that Fetchpurge reads. It runs only when started by the
// administrator program, which leaves the start marker "RevFTP" in its folder.
//
//   Linkset w(dialogs, runtime);     // the marker is looked for in the program folder
//   w.Open();                        // no marker: the refusal, and the program ends
//   // Command5: save; Command1: exit
//
// The fields start empty and every save writes all five as typed; a field of
// blanks counts as filled. The file is replaced whole or not at all: a save
// that fails says so and leaves the former settings as they were.
#pragma once

#include <filesystem>

#include "platform/forms/form.h"

namespace orvo::ftp {

class Linkset : public forms::Form {
  Q_OBJECT
 public:
  Linkset(forms::Dialogs& dialogs, forms::Runtime& runtime, std::filesystem::path carpetaPrograma,
          QWidget* parent = nullptr);

 public slots:
  void Command5_Click();  // save
  void Command1_Click();  // exit

 protected:
  void Form_Load() override;

 private:
  std::filesystem::path carpetaPrograma_;
};

}  // namespace orvo::ftp
