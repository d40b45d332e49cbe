#include "maintenance/divovavav_adicionales.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDate>
#include <QDateEdit>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "maintenance/apariencia.h"
#include "maintenance/texto.h"
#include "platform/db/recordset.h"
#include "platform/forms/busy_window.h"
#include "platform/forms/picture_button.h"

namespace orvo::maintenance {

namespace {

constexpr const char* kSinInformacion = "No hay información para divovavavr";
constexpr const char* kTerminado = "Ahora puede procesar nuevamente estas checadas en CHECADAS - PROCESAR CHECADAS";
constexpr const char* kNoRealizada = " Operación NO REALIZADA";

std::string Texto(const QString& q) { return q.toStdString(); }
std::string TextoFecha(const QDateEdit* dtp) { return Texto(dtp->date().toString("yyyy MM dd")); }

QDateEdit* Selector(QDateEdit* dtp) {
  dtp->setCalendarPopup(true);
  dtp->setDisplayFormat("dd/MM/yyyy");
  return dtp;
}

}  // namespace

diVovavavAdicionales::diVovavavAdicionales(common::Bases& bases, forms::Dialogs& dialogs, forms::Runtime& runtime,
                                           QWidget* parent)
    : Form(dialogs, runtime, parent), bases_(bases) {
  setObjectName("diVovavavAdicionales");
  setWindowTitle(QString::fromUtf8("Re Procesamiento de Checadas"));

  auto* titulo = Control<QLabel>("Label1", QString::fromUtf8("  DiVovavavmiento de Checadas "));
  Realza(titulo);

  auto* frame1 = Control<QGroupBox>("Frame1", QString::fromUtf8("1. Seleccionar rango de fechas"));
  auto* dtp1 = Selector(ControlIn<QDateEdit>(frame1, "DTP1"));
  auto* dtp2 = Selector(ControlIn<QDateEdit>(frame1, "DTP2"));
  auto* fechas = new QGridLayout(frame1);
  fechas->addWidget(dtp1, 0, 0);
  fechas->addWidget(dtp2, 0, 1);

  auto* frame2 = Control<QGroupBox>("Frame2", QString::fromUtf8("2. Seleccione a quien desea regenerar asistencia"));
  auto* opt1 = ControlIn<QRadioButton>(frame2, "Opt1", QString::fromUtf8("Todos los empleados"));
  auto* opt2 = ControlIn<QRadioButton>(frame2, "Opt2", QString::fromUtf8("Solo un Empleado"));
  auto* cmb1 = ControlIn<QComboBox>(frame2, "cmb1");
  cmb1->setEditable(true);  // a number may be typed as well as chosen
  cmb1->setInsertPolicy(QComboBox::NoInsert);
  auto* lbl1 = ControlIn<QLabel>(frame2, "lbl1");
  lbl1->setMinimumWidth(260);
  auto* chk1 = ControlIn<QCheckBox>(frame2, "chk1", QString::fromUtf8("Eliminar no Procesadas"));
  auto* modo = new QGridLayout(frame2);
  modo->addWidget(opt1, 0, 0);
  modo->addWidget(opt2, 1, 0);
  modo->addWidget(cmb1, 1, 1);
  modo->addWidget(lbl1, 2, 0, 1, 2);
  modo->addWidget(chk1, 3, 0, 1, 2);

  auto* espere = Control<QLabel>("espere", QString::fromUtf8(" Espere por favor ..."));
  Realza(espere);
  espere->hide();

  auto* ejecutar = Control<QPushButton>("Command5");
  forms::MakePictureButton(ejecutar, QStyle::SP_BrowserReload);
  auto* salir = Control<QPushButton>("Command1");
  forms::MakePictureButton(salir, QStyle::SP_DialogCloseButton);

  auto* botones = new QHBoxLayout;
  botones->addWidget(espere, 1);
  botones->addWidget(ejecutar);
  botones->addWidget(salir);
  auto* columna = new QVBoxLayout(this);
  columna->addWidget(titulo);
  columna->addWidget(frame1);
  columna->addWidget(frame2);
  columna->addLayout(botones);

  OnClick(opt1, &diVovavavAdicionales::Opt1_Click);
  OnClick(opt2, &diVovavavAdicionales::Opt2_Click);
  On(cmb1, &QComboBox::activated, &diVovavavAdicionales::cmb1_Click);
  OnClick(ejecutar, &diVovavavAdicionales::Command5_Click);
  OnClick(salir, &diVovavavAdicionales::Command1_Click);

  // Opened as every employee: the state Opt1 sets.
  opt1->setChecked(true);
  cmb1->hide();
  chk1->setEnabled(false);
}

void diVovavavAdicionales::Form_Load() {
  const QDate hoy = QDate::currentDate();
  Find<QDateEdit>("DTP1")->setDate(hoy);
  Find<QDateEdit>("DTP2")->setDate(hoy);

  fechaInicial_ = FechaMasAntigua(bases_.cn);

  db::Recordset& rs = bases_.Rs(3);
  rs.Close();
  rs.Open("Select No_Empleado from personal where No_Empleado is not null order by No_Empleado asc");
  if (rs.RecordCount() >= 1) {
    auto* cmb1 = Find<QComboBox>("cmb1");
    cmb1->clear();
    for (; !rs.Eof(); rs.MoveNext()) cmb1->addItem(QString::fromStdString(db::AsText(rs.Field("No_Empleado"))));
    cmb1->setCurrentIndex(0);
    cmb1_Click();
  }
  Find<QLabel>("lbl1")->clear();
}

void diVovavavAdicionales::cmb1_Click() {
  const std::string numero = RecortaEspacios(Texto(Find<QComboBox>("cmb1")->currentText()));
  if (numero.empty()) return;
  db::Recordset& rs = bases_.Rs(3);
  rs.Close();
  rs.Open("Select No_Empleado,Nombre, A_Paterno, A_Materno from personal where No_Empleado=? order by rowid",
          {numero});
  if (rs.RecordCount() >= 1) {
    const std::string nombre = db::AsText(rs.Field("Nombre")) + " " + db::AsText(rs.Field("A_Paterno")) + " " +
                               db::AsText(rs.Field("A_Materno"));
    Find<QLabel>("lbl1")->setText(QString::fromStdString(nombre));
  }
}

void diVovavavAdicionales::Opt1_Click() {
  Find("cmb1")->hide();
  Find<QLabel>("lbl1")->clear();
  Find("chk1")->setEnabled(false);
}

void diVovavavAdicionales::Opt2_Click() {
  Find("cmb1")->show();
  Find<QLabel>("lbl1")->clear();
  Find("chk1")->setEnabled(true);
}

void diVovavavAdicionales::Command5_Click() {
  Rango rango{TextoFecha(Find<QDateEdit>("DTP1")), TextoFecha(Find<QDateEdit>("DTP2")), std::nullopt};
  if (!fechaInicial_.empty() && rango.desde < fechaInicial_) {
    dialogs().MsgBox("Solo puede divovavavr información desde la siguiente fecha: " + fechaInicial_ +
                         " operación NO REALIZADA",
                     forms::Buttons::Ok, forms::Icon::Critical, runtime().Title());
    return;
  }
  const bool uno = Find<QRadioButton>("Opt2")->isChecked();
  if (!uno && !Find<QRadioButton>("Opt1")->isChecked()) return;
  if (uno) {
    rango.empleado = EmpleadoElegido();
    if (!rango.empleado) return;
  }

  bool hecho = false;
  {
    // The notice is painted before the long statements; clicks wait, so the
    // run cannot start again inside itself.
    const forms::BusyWindow espere({.show = {Find("espere")}, .events = forms::Busy::Events::ExceptUserInput});
    hecho = Reprocesa(bases_.cn, rango, uno && Find<QCheckBox>("chk1")->isChecked());
  }
  if (!hecho) {
    dialogs().MsgBox(kSinInformacion, forms::Buttons::Ok, forms::Icon::Information, runtime().Title());
    return;
  }
  dialogs().MsgBox(kTerminado, forms::Buttons::Ok, forms::Icon::None, "Orvo");
}

void diVovavavAdicionales::Command1_Click() {
  if (bases_.cn.IsOpen()) bases_.cn.Close();
  Unload();
}

std::optional<Empleado> diVovavavAdicionales::EmpleadoElegido() {
  const std::string numero = RecortaEspacios(Texto(Find<QComboBox>("cmb1")->currentText()));
  if (numero.empty()) {
    Rechaza(std::string("Seleccione un empleado.") + kNoRealizada);
    return std::nullopt;
  }
  // The number keys the queue, the archive and Huerfanos as a number.
  const auto n = EnteroSinBlancos(numero);
  if (!n) {
    Rechaza("El número de empleado " + numero + " no es válido." + kNoRealizada);
    return std::nullopt;
  }
  db::Recordset& rs = bases_.Rs(3);
  rs.Close();
  rs.Open("Select Id from Personal where No_empleado=? order by rowid", {numero});
  if (rs.RecordCount() < 1) {
    Rechaza("No existe el empleado número " + numero + "." + kNoRealizada);
    return std::nullopt;
  }
  const auto id = EnteroSinBlancos(RecortaEspacios(db::AsText(rs.Field("Id"))));
  if (!id) {
    Rechaza("El empleado número " + numero + " no tiene un Id válido." + kNoRealizada);
    return std::nullopt;
  }
  return Empleado{*id, *n};
}

void diVovavavAdicionales::Rechaza(const std::string& texto) {
  dialogs().MsgBox(texto, forms::Buttons::Ok, forms::Icon::Exclamation, runtime().Title());
}

}  // namespace orvo::maintenance
