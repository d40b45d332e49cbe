#include "platform/forms/title_font.h"

namespace orvo::forms {

QFont TitleFont(QFont::Weight weight) {
  QFont font("Verdana");
  font.setPointSizeF(14.25);
  if (weight != QFont::Normal) font.setWeight(weight);
  return font;
}

}  // namespace orvo::forms
