#include "ftp/linkset.h"

#include <QFont>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <array>

#include "common/lanzamiento.h"
#include "ftp/configuracion_ftp.h"
#include "platform/error.h"
#include "platform/forms/picture_button.h"

namespace orvo::ftp {

namespace {

QString Q(const char* texto) { return QString::fromUtf8(texto); }

struct Campo {
  const char* rotulo;
  const char* nombreRotulo;
  const char* nombre;
};
// Top to bottom, in the order of the file's lines.
constexpr std::array<Campo, 5> kCampos = {{
    {"Servidor", "Label7", "txt_servidor"},
    {"Usuario", "Label6", "txt_Usuario"},
    {"Password", "Label3", "txt_Password"},
    {"Path", "Label2", "txt_Path"},
    {"Plaza", "Label8", "plaza"},
}};

}  // namespace

Linkset::Linkset(forms::Dialogs& dialogs, forms::Runtime& runtime, std::filesystem::path carpetaPrograma,
                 QWidget* parent)
    : Form(dialogs, runtime, parent), carpetaPrograma_(std::move(carpetaPrograma)) {
  setWindowTitle(Q("Configuración FTP"));
  setFont(QFont("Verdana", 9));

  auto* marco = Control<QGroupBox>("Frame1", Q("Datos del sitio FTP"));
  auto* campos = new QGridLayout(marco);
  for (int i = 0; i < static_cast<int>(kCampos.size()); ++i) {
    auto* rotulo = ControlIn<QLabel>(marco, kCampos[i].nombreRotulo, Q(kCampos[i].rotulo));
    auto* texto = ControlIn<QLineEdit>(marco, kCampos[i].nombre);
    texto->setMinimumWidth(260);
    rotulo->setBuddy(texto);
    campos->addWidget(rotulo, i, 0);
    campos->addWidget(texto, i, 1);
  }

  auto* guardar = Control<QPushButton>("Command5");
  auto* salir = Control<QPushButton>("Command1");
  forms::MakePictureButton(guardar, QStyle::SP_DialogSaveButton);
  forms::MakePictureButton(salir, QStyle::SP_DialogCloseButton);

  auto* rejilla = new QGridLayout(this);
  rejilla->addWidget(marco, 0, 0, 1, 2);
  rejilla->addWidget(guardar, 1, 0, Qt::AlignLeft);
  rejilla->addWidget(salir, 1, 1, Qt::AlignRight);

  OnClick(guardar, &Linkset::Command5_Click);
  OnClick(salir, &Linkset::Command1_Click);
}

void Linkset::Form_Load() {
  if (!common::PruebaMarcador(carpetaPrograma_, common::kMarcadorLinkset, dialogs())) Unload();
}

void Linkset::Command5_Click() {
  std::array<std::string, kCampos.size()> valores;
  for (std::size_t i = 0; i < kCampos.size(); ++i) {
    valores[i] = Find<QLineEdit>(kCampos[i].nombre)->text().toStdString();
    if (valores[i].empty()) {
      dialogs().MsgBox("Debe llenar todos los campos solicitados, Configuración no guardada", forms::Buttons::Ok,
                       forms::Icon::Information, runtime().Title());
      return;
    }
  }
  int campo = 0;
  const auto bytes = BytesConfiguracion({valores[0], valores[1], valores[2], valores[3], valores[4]}, &campo);
  if (!bytes) {
    dialogs().MsgBox(std::string("El campo ") + kCampos[static_cast<std::size_t>(campo - 1)].rotulo +
                         " contiene un carácter que el archivo de configuración no admite. Configuración no guardada",
                     forms::Buttons::Ok, forms::Icon::Critical, runtime().Title());
    return;
  }
  try {
    GuardaConfiguracion(*bytes);
  } catch (const RuntimeError& e) {
    dialogs().MsgBox(std::string("No se pudo guardar la configuración: ") + e.what() +
                         "\n\nLa configuración anterior no cambió.",
                     forms::Buttons::Ok, forms::Icon::Critical, runtime().Title());
    return;
  }
  dialogs().MsgBox(" Configuarcion guardada ", forms::Buttons::Ok, forms::Icon::Information, "Felicidades");
}

void Linkset::Command1_Click() { Unload(); }

}  // namespace orvo::ftp
