#include "import/principal.h"

#include <QFont>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <filesystem>

#include "import/archivo_poleo.h"
#include "import/archivo_usb.h"
#include "import/carga.h"
#include "common/carga_checadas.h"
#include "common/texto_externo.h"
#include "platform/forms/busy_window.h"
#include "platform/forms/title_font.h"

namespace orvo::importer {

namespace {

constexpr const char* kSeleccione =
    "Seleccione el archivo con terminación .DAT y formato apropiado para subirlo al servidor";
constexpr const char* kFinalizado = "Proceso finalizado correctamente";
constexpr const char* kExito = "Se terminó de cargar con éxito";
constexpr const char* kTituloDialogo = "Seleccione el archivo a extraer";

}  // namespace

const char* Titulo(Variante variante) {
  return variante == Variante::Usb ? "Extracción por USB" : "Extracción de archivo de Poleo BK";
}

Principal::Principal(common::Bases& bases, forms::Dialogs& dialogs, forms::Runtime& runtime,
                     Variante variante, QWidget* parent)
    : Form(dialogs, runtime, parent), bases_(bases), variante_(variante) {
  setWindowTitle(QString::fromUtf8(Titulo(variante)));
  setFont(QFont("Verdana", 9));

  auto* enviar = Control<QPushButton>("Command2", QString::fromUtf8("Enviar Archivo a BD"));
  auto* buscar = Control<QPushButton>("Command1", QString::fromUtf8("Buscar Archivo"));
  // CmdArch, the file-open dialog, is the Dialogs::OpenFile of Command1_Click.
  auto* version = Control<QLabel>("Label3", QString::fromUtf8("V. 3.5+"));
  auto* estado = Control<QLabel>("Label1", QString());
  auto* cerrar = Control<forms::Picture>("Image3");
  auto* rotulo = Control<QLabel>("Label2", QString::fromUtf8("Archivo a extraer"));
  auto* archivo = Control<QLabel>("lblArch", QString());

  estado->setFont(forms::TitleFont(QFont::Normal));
  estado->setAlignment(Qt::AlignCenter);
  estado->setWordWrap(true);
  estado->setMinimumHeight(60);
  archivo->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  archivo->setMinimumWidth(360);
  archivo->setTextInteractionFlags(Qt::TextSelectableByMouse);
  cerrar->setPixmap(style()->standardIcon(QStyle::SP_DialogCloseButton).pixmap(32, 32));
  cerrar->setCursor(Qt::PointingHandCursor);

  auto* rejilla = new QGridLayout(this);
  rejilla->addWidget(rotulo, 0, 0, 1, 3);
  rejilla->addWidget(archivo, 1, 0, 1, 2);
  rejilla->addWidget(buscar, 1, 2);
  rejilla->addWidget(estado, 2, 0, 1, 3);
  rejilla->addWidget(enviar, 3, 0);
  rejilla->addWidget(version, 3, 1, Qt::AlignRight | Qt::AlignBottom);
  rejilla->addWidget(cerrar, 3, 2, Qt::AlignRight);
  rejilla->setColumnStretch(1, 1);

  OnClick(enviar, &Principal::Command2_Click);
  OnClick(buscar, &Principal::Command1_Click);
  OnClick(cerrar, &Principal::Image3_Click);
}

void Principal::Command1_Click() {
  if (auto elegido = dialogs().OpenFile(kTituloDialogo, "", "")) {
    Find<QLabel>("lblArch")->setText(QString::fromStdString(*elegido));
  }
}

void Principal::Command2_Click() {
  const QString ruta = Find<QLabel>("lblArch")->text();
  if (ruta.isEmpty()) {
    dialogs().MsgBox(kSeleccione, forms::Buttons::Ok, forms::Icon::None, "");
    return;
  }
  // What the status line said about an earlier send must not stand under this
  // file's name; a refused file leaves it empty, since its box says nothing was loaded.
  Find<QLabel>("Label1")->clear();
  const std::string nombre = ruta.toStdString();
  const auto contenido = common::LeeArchivo(std::filesystem::path(nombre));
  if (!contenido) {
    dialogs().MsgBox(common::MensajeSinAbrir(nombre), forms::Buttons::Ok, forms::Icon::Critical,
                     runtime().Title());
    return;
  }
  const common::Lectura lectura = variante_ == Variante::Usb ? LeeUsb(*contenido) : LeePoleo(*contenido);
  if (lectura.error) {
    dialogs().MsgBox(common::MensajeLineaMala(*lectura.error), forms::Buttons::Ok, forms::Icon::Critical,
                     runtime().Title());
    return;
  }

  {
    // Whatever ends the load, the window is given back to the user.
    const forms::BusyWindow ocupada(
        {.flag = &cargando_, .disable = {Find("Command1"), Find("Command2"), Find("Image3")}});
    const Avance avance{[this](std::string_view estado) { Avisa(estado); }};
    if (variante_ == Variante::Usb) {
      CargaUsb(bases_, lectura.checadas, avance);
    } else {
      CargaPoleo(bases_, lectura.checadas, avance);
    }
  }
  if (!lectura.checadas.empty()) {
    Fecha = lectura.checadas.back().Fecha;
    Hora = lectura.checadas.back().Hora;
  }
  Find<QLabel>("Label1")->setText(QString::fromUtf8(kFinalizado));
  dialogs().MsgBox(kExito, forms::Buttons::Ok, forms::Icon::None, "");
}

void Principal::Image3_Click() { Unload(); }

void Principal::Avisa(std::string_view estado) {
  if (variante_ == Variante::Poleo) {
    Find<QLabel>("Label1")->setText(QString::fromUtf8(estado.data(), static_cast<qsizetype>(estado.size())));
  }
  forms::DoEvents();
}

void Principal::closeEvent(QCloseEvent* event) {
  // Closing in the middle of a load would end the program under it.
  if (cargando_) {
    event->ignore();
    return;
  }
  Form::closeEvent(event);
}

}  // namespace orvo::importer
