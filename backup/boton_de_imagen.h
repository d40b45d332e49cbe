// The picture buttons of the backup and restore windows: a push button that
// shows an image of the platform's style instead of a caption.
#pragma once

#include <QPushButton>
#include <QStyle>

namespace orvo::respaldo {

// Gives `boton` the style's image and a size that fits it; returns it.
QPushButton* BotonDeImagen(QPushButton* boton, QStyle::StandardPixmap imagen);

}  // namespace orvo::respaldo
