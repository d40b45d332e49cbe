// One window as a picture: its contents as QWidget::grab paints them, under a
// plain title bar that carries the window's title, since a grab holds only
// what lies inside the frame.
#pragma once

#include <QWidget>
#include <filesystem>

namespace orvo::screenshots {

// Lets the window lay out and paint, then writes it as a PNG file. Throws
// std::runtime_error naming the file when it cannot be written.
void Retrata(QWidget& ventana, const std::filesystem::path& archivo);

}  // namespace orvo::screenshots
