// The report rptRelevo, "Reporte de Personal sin turnos validos": the company
// name and the report's title in its header, then one line per employee
// (number and full name) under the column heads "Numero de Empleado" and
// "Nombre", which repeat at the top of every page.
//
//   rptRelevo rpt("Mi Empresa", {{"125", "Ana Ruiz López"}, ...});
//   QPrintPreviewDialog vista;                  // shows, prints, saves as PDF
//   QObject::connect(&vista, &QPrintPreviewDialog::paintRequested,
//                    [&](QPrinter* p) { rpt.Imprime(p); });
//   rpt.GuardaPdf("/tmp/relevo.pdf");
#pragma once

#include <QString>
#include <memory>
#include <string>
#include <vector>

class QPrinter;
class QTextDocument;

namespace orvo::maintenance {

struct FilaRelevo {
  std::string No_Empleado;
  std::string ncomp;  // Nombre, A_Paterno and A_Materno joined by blanks
};

class rptRelevo {
 public:
  static constexpr const char* kCaption = "Reporte de Personal sin turnos validos";

  // `empresa` heads the report (section Encabezado, label Empresa).
  rptRelevo(std::string empresa, std::vector<FilaRelevo> filas);

  const std::string& Empresa() const { return empresa_; }
  const std::vector<FilaRelevo>& Filas() const { return filas_; }

  // The report as a document; pages are cut where it is printed.
  std::unique_ptr<QTextDocument> Documento() const;

  // Every page onto `printer`: the preview's, a real printer or a PDF file.
  void Imprime(QPrinter* printer) const;

  // The report as a PDF file at `ruta`; throws orvo::RuntimeError when the
  // file cannot be written.
  void GuardaPdf(const QString& ruta) const;

 private:
  std::string empresa_;
  std::vector<FilaRelevo> filas_;
};

}  // namespace orvo::maintenance
