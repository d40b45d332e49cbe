#include "maintenance/apariencia.h"

#include <QGridLayout>

namespace orvo::maintenance {

void Realza(QWidget* control) {
  QFont grande = control->font();
  grande.setPointSizeF(grande.pointSizeF() * 1.5);
  grande.setBold(true);
  control->setFont(grande);
}

void TituloYBotones(QWidget* ventana, QLabel* titulo, QPushButton* accion, QPushButton* salir) {
  auto* rejilla = new QGridLayout(ventana);
  rejilla->addWidget(titulo, 0, 0, 1, 3);
  rejilla->addWidget(accion, 1, 1);
  rejilla->addWidget(salir, 1, 2);
  rejilla->setColumnStretch(0, 1);
}

}  // namespace orvo::maintenance
