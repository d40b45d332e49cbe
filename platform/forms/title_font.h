// The large title line of the system's windows: Verdana at 14.25 points.
//
//   titulo->setFont(TitleFont());              // bold, as the backup windows' title
//   estado->setFont(TitleFont(QFont::Normal)); // the import window's status line
#pragma once

#include <QFont>

namespace orvo::forms {

// A weight other than Normal is set on the font; Normal leaves the weight
// unset, so that the control takes it from its window.
QFont TitleFont(QFont::Weight weight = QFont::Bold);

}  // namespace orvo::forms
