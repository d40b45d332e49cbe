#include "backup/snapload.h"

#include <QFont>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QStyle>
#include <algorithm>
#include <string>
#include <vector>

#include "backup/base_de_datos.h"
#include "backup/espera_snapmake.h"
#include "backup/juego_respaldo.h"
#include "backup/nombres_respaldo.h"
#include "backup/recuperacion.h"
#include "backup/restauracion.h"
#include "common/lanzamiento.h"
#include "platform/drive/drive.h"
#include "platform/drive/wildcard.h"
#include "platform/error/current_error.h"
#include "platform/forms/busy_window.h"
#include "platform/forms/picture_button.h"
#include "platform/forms/title_font.h"

namespace orvo::backup {

namespace fs = std::filesystem;

Snapload::Snapload(forms::Dialogs& dialogs, forms::Runtime& runtime, fs::path carpetaPrograma,
                   fs::path carpetaEjecutables, QWidget* parent)
    : Form(dialogs, runtime, parent),
      carpetaPrograma_(std::move(carpetaPrograma)),
      carpetaEjecutables_(std::move(carpetaEjecutables)) {
  setWindowTitle(QString::fromUtf8("Restauración de Respaldo de Base de Datos"));
  setFont(QFont("Verdana", 9));

  auto* titulo = Control<QLabel>("Label1", QString::fromUtf8("  Restaurar Respaldo de la Base de Datos "));
  auto* indicacion = Control<QLabel>("Label2", QString::fromUtf8("Elija el respaldo: (ddmmaa_hhmmss)"));
  auto* lista = Control<QListWidget>("File1");
  auto* elegido = Control<QLineEdit>("archRes");
  auto* restaura = forms::MakePictureButton(Control<QPushButton>("Command5"), QStyle::SP_DialogApplyButton,
                                           forms::kPictureButtonRoom);
  auto* salir = forms::MakePictureButton(Control<QPushButton>("salir"), QStyle::SP_DialogCloseButton,
                                        forms::kPictureButtonRoom);
  auto* espere = Control<QLabel>("espere", QString::fromUtf8(" Espere por favor ..."));
  auto* cancelar = Control<QPushButton>("cancelar", QString::fromUtf8("Cancelar"));
  auto* temporal = Control<QLabel>("lblTempDir");
  auto* actual = Control<QLabel>("lblCurDir");

  titulo->setFont(forms::TitleFont());
  lista->setSortingEnabled(false);
  lista->setMinimumHeight(160);
  // Only a set of the list is restored; the list fills this box.
  elegido->setReadOnly(true);
  espere->setVisible(false);
  cancelar->setVisible(false);

  auto* rejilla = new QGridLayout(this);
  rejilla->addWidget(titulo, 0, 0, 1, 3);
  rejilla->addWidget(indicacion, 1, 0, 1, 3);
  rejilla->addWidget(lista, 2, 0, 1, 3);
  rejilla->addWidget(elegido, 3, 0, 1, 3);
  rejilla->addWidget(espere, 4, 0, 1, 2);
  rejilla->addWidget(cancelar, 4, 2);
  rejilla->addWidget(restaura, 5, 0, Qt::AlignLeft);
  rejilla->addWidget(salir, 5, 2, Qt::AlignRight);
  rejilla->addWidget(temporal, 6, 0);
  rejilla->addWidget(actual, 6, 2);

  On(lista, &QListWidget::itemClicked, &Snapload::File1_Click);
  On(lista, &QListWidget::currentRowChanged, &Snapload::File1_Click);
  OnClick(restaura, &Snapload::Command5_Click);
  OnClick(salir, &Snapload::salir_Click);
  OnClick(cancelar, &Snapload::cancelar_Click);
}

void Snapload::Form_Load() {
  if (!common::PruebaMarcador(carpetaPrograma_, common::kMarcadorSnapload, dialogs())) {
    salir_Click();
    runtime().End(0);
    return;
  }
  // Before the list: a restore cut short is finished or undone first, and
  // the user is told which.
  try {
    for (const std::string& aviso : RecuperaInterrumpidos()) {
      dialogs().MsgBox(aviso, forms::Buttons::Ok, forms::Icon::Information, runtime().Title());
    }
  } catch (...) {
    const RuntimeError error = err::CurrentError();
    dialogs().MsgBox(std::to_string(error.number) + " " + error.what(), forms::Buttons::Ok, forms::Icon::Critical,
                     runtime().Title());
    common::EscribeResultado(carpetaPrograma_, common::Resultado::Err);
    resultadoFinal_ = true;
    Unload();
    runtime().End(1);
    return;
  }
  const fs::path carpeta = drive::Map(kCarpetaRespaldo);
  if (drive::ListFiles(carpeta, "*").empty()) {
    dialogs().MsgBox("No existen respaldos", forms::Buttons::Ok, forms::Icon::None, "");
    salir_Click();
    runtime().End(0);
    return;
  }
  auto* lista = Find<QListWidget>("File1");
  for (const fs::path& archivo : drive::ListFiles(carpeta, PatronListado())) {
    lista->addItem(QString::fromStdString(archivo.filename().string()));
  }
  const QString producto = QString::fromUtf8(kCarpetaProducto.data(), static_cast<qsizetype>(kCarpetaProducto.size()));
  Find<QLabel>("lblTempDir")->setText(producto);
  Find<QLabel>("lblCurDir")->setText(producto);
}

void Snapload::File1_Click() {
  auto* lista = Find<QListWidget>("File1");
  if (lista->count() > 0 && lista->currentItem() != nullptr) {
    Find<QLineEdit>("archRes")->setText(lista->currentItem()->text());
  }
}

bool Snapload::EnLista(const QString& nombre) const {
  return !Find<QListWidget>("File1")->findItems(nombre, Qt::MatchExactly).isEmpty();
}

void Snapload::Command5_Click() {
  if (ocupada_) return;
  const QString elegido = Find<QLineEdit>("archRes")->text();
  if (elegido.isEmpty()) return ErrorRestauracion(RuntimeError(0, ""));

  forms::BusyWindow ocupada({.flag = &ocupada_,
                             .disable = {Find("File1"), Find("Command5"), Find("salir")},
                             .show = {Find("espere"), Find("cancelar")},
                             .events = forms::Busy::Events::All});
  try {
    const std::string nombre = elegido.toStdString();
    if (!EsArchivoPrincipal(nombre) || !EnLista(elegido)) throw NombreNoValido(nombre);
    EsperaSnapmake espera(carpetaPrograma_, carpetaEjecutables_);
    std::error_code ec;
    if (!fs::is_regular_file(espera.Programa(), ec)) {
      dialogs().MsgBox("No se encuentra " + espera.Programa().string(), forms::Buttons::Ok,
                       forms::Icon::Exclamation, "Orvo");
      // The caller must not take an earlier result for this run's.
      common::EscribeResultado(carpetaPrograma_, common::Resultado::Err);
      resultadoFinal_ = true;
      ocupada.Release();
      Unload();
      runtime().End(0);
      return;
    }
    // Asked now as well, so that a database in use stops the restore before
    // the set is unpacked and a backup is made for nothing; the swap asks
    // again and holds them.
    { const BasesTomadas prueba(drive::Map(kCarpetaProducto)); }
    Restauracion restauracion(nombre);
    restauracion.Prepara(dialogs(), runtime().Title());
    // From before the backup's snapshot until the restored data stand: a row
    // stored meanwhile waits and lands after the restore, instead of falling
    // between the backup and the restored data. Readers, the backup's own
    // snapshot among them, go on reading.
    restauracion.TomaBases();
    // From here until the restore stands, the caller's file says it has not
    // happened, whatever stops it (a kill included).
    common::EscribeResultado(carpetaPrograma_, common::Resultado::Err);

    espera_ = &espera;
    const FinSnapmake fin = espera.Ejecuta();
    espera_ = nullptr;
    switch (fin) {
      case FinSnapmake::Ok: break;
      case FinSnapmake::Fallo:
        throw RuntimeError(17, "Snapmake no pudo respaldar los datos actuales; no se restauró nada");
      case FinSnapmake::SinResultado:
        throw RuntimeError(17, "Snapmake terminó sin informar su resultado; no se restauró nada");
      case FinSnapmake::Cancelado:
        throw RuntimeError(18, "Se canceló la restauración; no se restauró nada");
    }
    restauracion.Coloca();
    common::EscribeResultado(carpetaPrograma_, common::Resultado::Ok);
    resultadoFinal_ = true;
  } catch (...) {
    espera_ = nullptr;
    const RuntimeError error = err::CurrentError();
    ocupada.Release();
    return ErrorRestauracion(error);
  }
  ocupada.Release();
  Unload();
  runtime().End(0);
}

void Snapload::ErrorRestauracion(const RuntimeError& error) {
  try {
    common::EscribeResultado(carpetaPrograma_, common::Resultado::Err);
  } catch (...) {
    // The message below still tells the user.
  }
  Find<QLabel>("espere")->setVisible(false);
  dialogs().MsgBox(std::to_string(error.number) + " Form1::cmdUnZip_Click " + error.what(), forms::Buttons::Ok,
                   forms::Icon::None, runtime().Title());
}

void Snapload::salir_Click() {
  if (ocupada_) return;
  common::EscribeResultado(carpetaPrograma_, common::Resultado::Salir);
  resultadoFinal_ = true;
  Unload();
}

void Snapload::cancelar_Click() {
  if (espera_ != nullptr) espera_->Cancela();
}

void Snapload::closeEvent(QCloseEvent* event) {
  if (ocupada_) {
    // Closing in the middle of a restore would end the program under it.
    event->ignore();
    return;
  }
  // Closing the window is an exit too, and its caller waits for a result.
  if (!resultadoFinal_ && !Unloaded()) {
    try {
      common::EscribeResultado(carpetaPrograma_, common::Resultado::Salir);
    } catch (...) {
      // The window closes all the same.
    }
  }
  Form::closeEvent(event);
}

}  // namespace orvo::backup
