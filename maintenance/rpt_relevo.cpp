#include "maintenance/rpt_relevo.h"

#include <QFile>
#include <QFont>
#include <QPrinter>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextTable>
#include <utility>

#include "platform/error.h"

namespace orvo::maintenance {

namespace {

QString Q(const std::string& texto) { return QString::fromStdString(texto); }

QTextCharFormat Letra(qreal puntos, bool negrita) {
  QTextCharFormat f;
  f.setFontPointSize(puntos);
  f.setFontWeight(negrita ? QFont::Bold : QFont::Normal);
  return f;
}

}  // namespace

rptRelevo::rptRelevo(std::string empresa, std::vector<FilaRelevo> filas)
    : empresa_(std::move(empresa)), filas_(std::move(filas)) {}

std::unique_ptr<QTextDocument> rptRelevo::Documento() const {
  auto doc = std::make_unique<QTextDocument>();
  doc->setDefaultFont(QFont("Arial", 10));
  doc->setMetaInformation(QTextDocument::DocumentTitle, QString::fromUtf8(kCaption));
  QTextCursor c(doc.get());

  // Encabezado: the company (label Empresa) and the title (label Etiqueta9).
  QTextBlockFormat centrado;
  centrado.setAlignment(Qt::AlignHCenter);
  c.setBlockFormat(centrado);
  c.insertText(Q(empresa_), Letra(16, true));
  c.insertBlock(centrado);
  c.insertText(QString::fromUtf8("REPORTE DE PERSONAL CON TURNOS INVALIDOS"), Letra(12, true));
  c.insertBlock(QTextBlockFormat());

  // Sección2, the page header, is the table's heading row, which the layout
  // repeats at the top of every page; Sección1 gives one row per employee.
  QTextTableFormat tabla;
  tabla.setHeaderRowCount(1);
  tabla.setWidth(QTextLength(QTextLength::PercentageLength, 100));
  tabla.setColumnWidthConstraints({QTextLength(QTextLength::PercentageLength, 30),
                                   QTextLength(QTextLength::PercentageLength, 70)});
  tabla.setBorder(0);
  tabla.setCellPadding(2);
  tabla.setTopMargin(12);
  QTextTable* t = c.insertTable(static_cast<int>(filas_.size()) + 1, 2, tabla);
  t->cellAt(0, 0).firstCursorPosition().insertText(QString::fromUtf8("Numero de Empleado"), Letra(10, true));
  t->cellAt(0, 1).firstCursorPosition().insertText(QString::fromUtf8("Nombre"), Letra(10, true));
  const QTextCharFormat normal = Letra(10, false);
  for (std::size_t i = 0; i < filas_.size(); ++i) {
    const int fila = static_cast<int>(i) + 1;
    t->cellAt(fila, 0).firstCursorPosition().insertText(Q(filas_[i].No_Empleado), normal);  // Texto3
    t->cellAt(fila, 1).firstCursorPosition().insertText(Q(filas_[i].ncomp), normal);        // Texto4
  }
  return doc;
}

void rptRelevo::Imprime(QPrinter* printer) const {
  printer->setDocName(QString::fromUtf8(kCaption));
  Documento()->print(printer);
}

void rptRelevo::GuardaPdf(const QString& ruta) const {
  // The printer tells nothing when it cannot write its file: try it first.
  {
    QFile prueba(ruta);
    if (!prueba.open(QIODevice::WriteOnly)) {
      throw RuntimeError(75, "Error de acceso a la ruta o el archivo: " + ruta.toStdString());
    }
  }
  QPrinter printer(QPrinter::HighResolution);
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(ruta);
  Imprime(&printer);
}

}  // namespace orvo::maintenance
