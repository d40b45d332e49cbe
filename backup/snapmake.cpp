#include "backup/snapmake.h"

#include <QCheckBox>
#include <QFont>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <optional>
#include <string>
#include <vector>

#include "backup/borra_tablas.h"
#include "backup/juego_respaldo.h"
#include "backup/nombres_respaldo.h"
#include "common/lanzamiento.h"
#include "platform/drive/drive.h"
#include "platform/error/current_error.h"
#include "platform/error/file_error.h"
#include "platform/forms/busy_window.h"
#include "platform/forms/picture_button.h"
#include "platform/forms/title_font.h"

namespace orvo::backup {

namespace fs = std::filesystem;

namespace {

constexpr const char* kAdvertencia =
    "Se borrarán todos los chequeos, permisos y bitacoras, solo podra recuperarlos al cargar un "
    "respaldo, esta seguro de Continuar?";

}  // namespace

void ResultadoVacio(const fs::path& carpetaPrograma) noexcept {
  try {
    common::EscribeResultado(carpetaPrograma, common::Resultado::Vacio);
  } catch (...) {
    // Nothing more can be said on a way out that is failing already.
  }
}

Snapmake::Snapmake(common::Bases& bases, forms::Dialogs& dialogs, forms::Runtime& runtime,
                   fs::path carpetaPrograma, QWidget* parent)
    : Form(dialogs, runtime, parent), bases_(bases), carpetaPrograma_(std::move(carpetaPrograma)) {
  setWindowTitle(QString::fromUtf8("Creacion de Respaldo de la Base de Datos"));
  setFont(QFont("Verdana", 9));

  auto* titulo = Control<QLabel>("Label1", QString::fromUtf8("  Crear Respaldo de la Base de Datos "));
  auto* borrar = Control<QCheckBox>("chkBorrar", QString::fromUtf8("¿Borrar toda la Base de Datos ahora?"));
  auto* crea =
      forms::MakePictureButton(Control<QPushButton>("crea"), QStyle::SP_DialogSaveButton, forms::kPictureButtonRoom);
  auto* salir = forms::MakePictureButton(Control<QPushButton>("Command1"), QStyle::SP_DialogCloseButton,
                                         forms::kPictureButtonRoom);

  titulo->setFont(forms::TitleFont());
  borrar->setChecked(false);

  auto* rejilla = new QGridLayout(this);
  rejilla->addWidget(titulo, 0, 0, 1, 2);
  rejilla->addWidget(borrar, 1, 0, 1, 2);
  rejilla->addWidget(crea, 2, 0, Qt::AlignLeft);
  rejilla->addWidget(salir, 2, 1, Qt::AlignRight);

  OnClick(crea, &Snapmake::crea_Click);
  OnClick(salir, &Snapmake::Command1_Click);
}

void Snapmake::Form_Load() {
  try {
    if (!common::PruebaMarcador(carpetaPrograma_, common::kMarcadorSnapmake, dialogs())) {
      Command1_Click();
      // An unattended run that was refused made no backup: its starter must see it failed.
      runtime().End(desatendido_ ? 1 : 0);
      return;
    }
    // Its parent is not made: without the product folder there is nothing to back up.
    const fs::path carpeta = drive::Map(kCarpetaRespaldo);
    std::error_code ec;
    if (!fs::is_directory(carpeta, ec) && !fs::create_directory(carpeta, ec) && ec) {
      throw err::FileError(ec, kCarpetaRespaldo);
    }
  } catch (...) {
    // A caller waiting for the result must learn that no backup comes.
    ResultadoVacio(carpetaPrograma_);
    throw err::CurrentError();
  }
}

void Snapmake::Desatendido() {
  desatendido_ = true;
  // Loaded but never shown.
  if (!runtime().Guard([this] { Form_Load(); }) || Unloaded() || runtime().Ended()) return;
  runtime().Guard([this] { crea_Click(); });
  // After a failure the user has read why; the run never stays behind.
  runtime().End(exito_ ? 0 : 1);
}

void Snapmake::crea_Click() {
  if (ocupada_) return;
  auto* borrar = Find<QCheckBox>("chkBorrar");
  if (borrar->isChecked() &&
      dialogs().MsgBox(kAdvertencia, forms::Buttons::YesNo, forms::Icon::Question, "!! Advertencia !!") ==
          forms::Answer::No) {
    return;
  }

  forms::BusyWindow ocupada(
      {.flag = &ocupada_, .disable = {Find("crea"), Find("Command1"), Find("chkBorrar")}, .waitCursor = true});
  try {
    // Taken before the set's snapshot and held until the wipe, so that the
    // wipe never empties a row that the set does not hold.
    std::optional<BorradoTablas> borrado;
    if (borrar->isChecked()) borrado.emplace(bases_.cn);
    JuegoRespaldo juego;
    std::vector<std::string> fallidos;
    for (const Componente& componente : kComponentes) {
      const JuegoRespaldo::Hecho hecho = juego.Haz(componente);
      forms::DoEvents();
      if (hecho.hecho && hecho.resultado != 0) {
        dialogs().MsgBox(hecho.mensaje, forms::Buttons::Ok, forms::Icon::None, runtime().Title());
        fallidos.push_back(NombreArchivo(componente, juego.Sello()));
      }
    }
    if (!fallidos.empty()) {
      std::string lista;
      for (const std::string& nombre : fallidos) lista += (lista.empty() ? "" : ", ") + nombre;
      throw RuntimeError(75, "No se pudo escribir el respaldo " + lista + "; no se guardó ningún archivo del respaldo");
    }
    juego.Publica();
    // Read again: the tables go only once the whole set is safe.
    if (borrado && borrar->isChecked()) borrado->Ejecuta();
    common::EscribeResultado(carpetaPrograma_, common::Resultado::Ok);
    exito_ = true;
  } catch (...) {
    const RuntimeError error = err::CurrentError();
    ResultadoVacio(carpetaPrograma_);
    ocupada.Release();
    dialogs().MsgBox(std::to_string(error.number) + " Form1::cmdZip_Click " + error.what(), forms::Buttons::Ok,
                     forms::Icon::None, runtime().Title());
    return;
  }
  ocupada.Release();
  runtime().End(0);
}

void Snapmake::Command1_Click() {
  ResultadoVacio(carpetaPrograma_);
  Unload();
}

void Snapmake::closeEvent(QCloseEvent* event) {
  if (ocupada_) {
    // Closing now would end the program in the middle of its archives.
    event->ignore();
    return;
  }
  if (!exito_ && !Unloaded()) ResultadoVacio(carpetaPrograma_);
  Form::closeEvent(event);
}

}  // namespace orvo::backup
