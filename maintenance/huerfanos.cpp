#include "maintenance/huerfanos.h"

#include <QFont>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>

#include "maintenance/restaura.h"

namespace orvo::maintenance {

Huerfanos::Huerfanos(common::Bases& bases, forms::Dialogs& dialogs, forms::Runtime& runtime, QWidget* parent)
    : Form(dialogs, runtime, parent), bases_(bases) {
  setObjectName("Huerfanos");
  setWindowTitle(QString::fromUtf8("Restauracion de Chequeos "));

  auto* titulo = Control<QLabel>("Label1", QString::fromUtf8("  Restaurar chequeos a Personal "));
  QFont grande = titulo->font();
  grande.setPointSizeF(grande.pointSizeF() * 1.5);
  grande.setBold(true);
  titulo->setFont(grande);
  auto* restaurar = Control<QPushButton>("Command5");
  restaurar->setIcon(style()->standardIcon(QStyle::SP_ArrowBack));
  restaurar->setIconSize(QSize(32, 32));
  auto* salir = Control<QPushButton>("Command1");
  salir->setIcon(style()->standardIcon(QStyle::SP_DialogCloseButton));
  salir->setIconSize(QSize(32, 32));

  auto* rejilla = new QGridLayout(this);
  rejilla->addWidget(titulo, 0, 0, 1, 3);
  rejilla->addWidget(restaurar, 1, 1);
  rejilla->addWidget(salir, 1, 2);
  rejilla->setColumnStretch(0, 1);

  OnClick(restaurar, &Huerfanos::Command5_Click);
  OnClick(salir, &Huerfanos::Command1_Click);
}

void Huerfanos::Command5_Click() {
  if (!Restaura(bases_.cn, bases_.Rs(1), bases_.Rs(2))) return;
  dialogs().MsgBox("ReAsignación de chequeos finalizada", forms::Buttons::Ok, forms::Icon::None, "Orvo");
}

void Huerfanos::Command1_Click() { Unload(); }

}  // namespace orvo::maintenance
