#include "maintenance/relevo.h"

#include <QPrinter>
#include <utility>

#include "common/lanzamiento.h"
#include "maintenance/apariencia.h"
#include "platform/db/recordset.h"
#include "platform/forms/picture_button.h"

namespace orvo::maintenance {

namespace {

// The full name is joined by the database; a missing name part reads as empty,
// and NOT EXISTS keeps one shift row without id from hiding every employee.
constexpr const char* kConsulta =
    "Select No_Empleado, ifnull(nombre,'') || ' ' || ifnull(a_paterno,'') || ' ' || ifnull(a_materno,'') as ncomp "
    "from Personal p where t_normal <> 0 "
    "and not exists (select 1 from turnos t where t.id_turno = p.t_normal) order by No_Empleado";

// What the header shows when the company row is missing or has no name.
constexpr const char* kEmpresaPorOmision = "Orvo";

}  // namespace

Relevo::Relevo(common::Bases& bases, forms::Dialogs& dialogs, forms::Runtime& runtime,
               std::filesystem::path carpetaPrograma, QWidget* parent)
    : Form(dialogs, runtime, parent), bases_(bases), carpetaPrograma_(std::move(carpetaPrograma)) {
  setObjectName("Relevo");
  setWindowTitle(QString::fromUtf8("Empleados con turno invalido"));

  auto* titulo = Control<QLabel>("Label1", QString::fromUtf8("  Listado de empleados con turno no valido"));
  Realza(titulo);
  auto* reporte = Control<QPushButton>("Command5");
  forms::MakePictureButton(reporte, QStyle::SP_FileDialogDetailedView);
  auto* salir = Control<QPushButton>("Command1");
  forms::MakePictureButton(salir, QStyle::SP_DialogCloseButton);
  TituloYBotones(this, titulo, reporte, salir);

  OnClick(reporte, &Relevo::Command5_Click);
  OnClick(salir, &Relevo::Command1_Click);
}

void Relevo::Form_Load() {
  if (!common::PruebaMarcador(carpetaPrograma_, common::kMarcadorRelevo, dialogs())) Unload();
}

void Relevo::Command5_Click() {
  db::Recordset& filas = bases_.Rs(1);
  filas.Close();
  filas.Open(kConsulta);

  db::Recordset& empresarial = bases_.Rs(2);
  empresarial.Close();
  empresarial.Open("Select Empresa from Empresarial order by rowid limit 1");
  std::string empresa = kEmpresaPorOmision;
  if (!empresarial.Eof() && !db::IsNull(empresarial.Field("Empresa"))) empresa = db::AsText(empresarial.Field("Empresa"));

  if (filas.RecordCount() < 1) {
    dialogs().MsgBox("No se encontraron coincidencias", forms::Buttons::Ok, forms::Icon::None, "");
    return;
  }
  std::vector<FilaRelevo> lista;
  lista.reserve(static_cast<std::size_t>(filas.RecordCount()));
  for (; !filas.Eof(); filas.MoveNext())
    lista.push_back({db::AsText(filas.Field("No_Empleado")), db::AsText(filas.Field("ncomp"))});
  reporte_ = std::make_shared<const rptRelevo>(std::move(empresa), std::move(lista));

  // One preview at a time, and it leaves the window free to use.
  if (vista_) vista_->close();
  auto* vista = new QPrintPreviewDialog(this);
  vista->setAttribute(Qt::WA_DeleteOnClose);
  vista->setWindowTitle(QString::fromUtf8(rptRelevo::kCaption));
  vista->resize(900, 700);
  connect(vista, &QPrintPreviewDialog::paintRequested, vista,
          [reporte = reporte_](QPrinter* printer) { reporte->Imprime(printer); });
  vista_ = vista;
  vista->show();
}

void Relevo::Command1_Click() { Unload(); }

void Relevo::closeEvent(QCloseEvent* event) {
  // With the window gone the program ends, and its report with it.
  if (vista_) vista_->close();
  Form::closeEvent(event);
}

}  // namespace orvo::maintenance
