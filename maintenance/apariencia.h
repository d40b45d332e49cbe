// The look the maintenance windows share: a large bold title line and the
// layout of a title over two picture buttons (forms::MakePictureButton).
//
//   Realza(Control<QLabel>("Label1", "  Restaurar chequeos a Personal "));
//   MakePictureButton(Control<QPushButton>("Command5"), QStyle::SP_ArrowBack);
//   TituloYBotones(this, titulo, restaurar, salir);
#pragma once

#include <QLabel>
#include <QPushButton>

namespace orvo::maintenance {

// Half as large again as the control's own font, and bold.
void Realza(QWidget* control);

// The title across the window, the two buttons below it at the right.
void TituloYBotones(QWidget* ventana, QLabel* titulo, QPushButton* accion, QPushButton* salir);

}  // namespace orvo::maintenance
