// A push button that shows an image of the platform's style instead of a
// caption, as the system's windows draw their action and exit buttons.
//
//   MakePictureButton(Control<QPushButton>("Command1"), QStyle::SP_DialogCloseButton);
//   MakePictureButton(Control<QPushButton>("crea"), QStyle::SP_DialogSaveButton, kPictureButtonRoom);
#pragma once

#include <QPushButton>
#include <QSize>
#include <QStyle>

namespace orvo::forms {

// The least size of a button that stands alone in its grid cell, so that the
// image keeps a frame around it whatever the layout gives the cell.
inline constexpr QSize kPictureButtonRoom{56, 48};

// Gives `button` the style's `image` at 32 by 32 pixels and, when `minimum`
// is valid, that least size; returns `button`.
QPushButton* MakePictureButton(QPushButton* button, QStyle::StandardPixmap image, QSize minimum = {});

}  // namespace orvo::forms
