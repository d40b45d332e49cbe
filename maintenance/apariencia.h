// The look the maintenance windows share: a large bold title line, buttons
// that carry only an image, and the layout of a title over two buttons.
//
//   Realza(Control<QLabel>("Label1", "  Restaurar chequeos a Personal "));
//   PonImagen(Control<QPushButton>("Command5"), QStyle::SP_ArrowBack);
//   TituloYBotones(this, titulo, restaurar, salir);
#pragma once

#include <QLabel>
#include <QPushButton>
#include <QStyle>

namespace orvo::maintenance {

// Half as large again, and bold.
void Realza(QWidget* control);

void PonImagen(QPushButton* boton, QStyle::StandardPixmap imagen);

// The title across the window, the two buttons below it at the right.
void TituloYBotones(QWidget* ventana, QLabel* titulo, QPushButton* accion, QPushButton* salir);

}  // namespace orvo::maintenance
