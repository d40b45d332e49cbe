#include "tools/screenshots/retrato.h"

#include <QApplication>
#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <algorithm>
#include <stdexcept>

namespace orvo::screenshots {

void Retrata(QWidget& ventana, const std::filesystem::path& archivo) {
  if (!ventana.isVisible()) ventana.show();
  for (int i = 0; i < 3; ++i) QApplication::processEvents();
  const QPixmap contenido = ventana.grab();

  constexpr int kBarra = 26;
  constexpr int kBorde = 1;
  constexpr int kMargen = 8;
  QFont letra = QApplication::font();
  letra.setBold(true);
  letra.setPointSize(10);
  // A small window still shows its whole title, as a frame would.
  const int ancho = std::max(contenido.width(), QFontMetrics(letra).horizontalAdvance(ventana.windowTitle()) + 2 * kMargen);
  QImage imagen(ancho + 2 * kBorde, contenido.height() + kBarra + kBorde, QImage::Format_RGB32);
  imagen.fill(QColor(0x1f, 0x3a, 0x68));
  QPainter pintor(&imagen);
  pintor.fillRect(kBorde, kBarra, ancho, contenido.height(), ventana.palette().window());
  pintor.setFont(letra);
  pintor.setPen(Qt::white);
  pintor.drawText(QRect(kMargen, 0, imagen.width() - 2 * kMargen, kBarra), Qt::AlignVCenter | Qt::AlignLeft,
                  ventana.windowTitle());
  pintor.drawPixmap(kBorde, kBarra, contenido);
  pintor.end();
  if (!imagen.save(QString::fromStdString(archivo.string()), "PNG")) {
    throw std::runtime_error("no se pudo escribir " + archivo.string());
  }
}

}  // namespace orvo::screenshots
