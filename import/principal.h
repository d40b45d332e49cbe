// The window Principal of the punch importers: choose a punch file, send it
// to the main database, see who punched. pollimport shows it for poll files,
// stickimport for USB punch files; both carry the classification engine's
// entry Busca_Empleado, which a caller outside the programs invokes.
//
//   orvo::importer::Principal w(bases, dialogs, runtime, Variante::Poleo);
//   w.Open();
//   // Buscar Archivo -> lblArch; Enviar Archivo a BD -> Listado1, Checadas
//
// A send checks the whole file first: a line that cannot be read is named in
// one message and nothing of the file is written, so the user can mend the
// file and send it again. Each send starts from an empty status line (Label1),
// and a refused file leaves it empty: only a file that went in ends with
// "Proceso finalizado correctamente". While a file loads the window keeps handling its
// events, with its buttons and its closing held until the load ends.
#pragma once

#include <QCloseEvent>
#include <string>

#include "classify/clasificador.h"
#include "common/arranque.h"
#include "platform/forms/form.h"

namespace orvo::importer {

enum class Variante {
  Poleo,  // pollimport: poll file, archive then queue the registered and active
  Usb,    // stickimport: fixed-column file, queue then archive every punch
};

// "Extracción de archivo de Poleo BK" or "Extracción por USB".
const char* Titulo(Variante variante);

class Principal : public forms::Form {
  Q_OBJECT
 public:
  Principal(common::Bases& bases, forms::Dialogs& dialogs, forms::Runtime& runtime,
            Variante variante = Variante::Poleo, QWidget* parent = nullptr);

  // The punch the classification engine works on: the employee's Personal.Id
  // in digits, the date text and the time text. A send leaves Fecha and Hora
  // on the file's last punch; nothing here sets EnrollName.
  std::string EnrollName;
  std::string Fecha;
  std::string Hora;

  // Classifies the punch above and says what it did. On an error nothing of
  // it stays written and the error goes to the caller, who decides what to
  // tell. Must not run while a file loads, nor overlap another call.
  classify::Resultado Busca_Empleado();

  Variante variante() const { return variante_; }

 public slots:
  void Command1_Click();  // Buscar Archivo
  void Command2_Click();  // Enviar Archivo a BD
  void Image3_Click();    // closes the window, which ends the program

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void Avisa(std::string_view estado);

  common::Bases& bases_;
  Variante variante_;
  bool cargando_ = false;
};

}  // namespace orvo::importer
