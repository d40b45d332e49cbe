#include "backup/boton_de_imagen.h"

namespace orvo::respaldo {

QPushButton* BotonDeImagen(QPushButton* boton, QStyle::StandardPixmap imagen) {
  boton->setIcon(boton->style()->standardIcon(imagen));
  boton->setIconSize(QSize(32, 32));
  boton->setMinimumSize(56, 48);
  return boton;
}

}  // namespace orvo::respaldo
