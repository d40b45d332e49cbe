#include "maintenance/huerfanos.h"

#include "maintenance/apariencia.h"
#include "maintenance/restaura.h"
#include "platform/forms/picture_button.h"

namespace orvo::maintenance {

Huerfanos::Huerfanos(common::Bases& bases, forms::Dialogs& dialogs, forms::Runtime& runtime, QWidget* parent)
    : Form(dialogs, runtime, parent), bases_(bases) {
  setObjectName("Huerfanos");
  setWindowTitle(QString::fromUtf8("Restauracion de Chequeos "));

  auto* titulo = Control<QLabel>("Label1", QString::fromUtf8("  Restaurar chequeos a Personal "));
  Realza(titulo);
  auto* restaurar = Control<QPushButton>("Command5");
  forms::MakePictureButton(restaurar, QStyle::SP_ArrowBack);
  auto* salir = Control<QPushButton>("Command1");
  forms::MakePictureButton(salir, QStyle::SP_DialogCloseButton);
  TituloYBotones(this, titulo, restaurar, salir);

  OnClick(restaurar, &Huerfanos::Command5_Click);
  OnClick(salir, &Huerfanos::Command1_Click);
}

void Huerfanos::Command5_Click() {
  if (!Restaura(bases_.cn, bases_.Rs(1), bases_.Rs(2))) return;
  dialogs().MsgBox("ReAsignación de chequeos finalizada", forms::Buttons::Ok, forms::Icon::None, "Orvo");
}

void Huerfanos::Command1_Click() { Unload(); }

}  // namespace orvo::maintenance
