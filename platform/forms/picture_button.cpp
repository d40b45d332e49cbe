#include "platform/forms/picture_button.h"

namespace orvo::forms {

QPushButton* MakePictureButton(QPushButton* button, QStyle::StandardPixmap image, QSize minimum) {
  button->setIcon(button->style()->standardIcon(image));
  button->setIconSize(QSize(32, 32));
  if (minimum.isValid()) button->setMinimumSize(minimum);
  return button;
}

}  // namespace orvo::forms
