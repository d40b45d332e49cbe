#include "schema/regenera.h"

#include <QFont>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include "platform/forms/title_font.h"
#include "schema/regeneracion.h"

namespace orvo::schema {

aviso::aviso(QWidget* parent) : QWidget(parent, Qt::Window) {
  setObjectName("aviso");
  setWindowTitle(QString::fromUtf8("Regenerando estructura"));
  auto* espere = new QLabel(QString::fromUtf8(" Espere por favor ..."), this);
  espere->setObjectName("espere");
  QFont f("Arial");
  f.setPointSizeF(9.75);
  f.setBold(true);
  espere->setFont(f);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(espere);
}

regenera::regenera(common::Bases& bases, forms::Dialogs& dialogs, forms::Runtime& runtime, QWidget* parent)
    : Form(dialogs, runtime, parent), bases_(bases), aviso_(new aviso(this)) {
  setObjectName("regenera");
  setWindowTitle(QString::fromUtf8("Regenerar Estructura"));
  auto* Label1 = Control<QLabel>("Label1", QString::fromUtf8("  Regenerar Estructura "));
  Label1->setFont(forms::TitleFont(QFont::Normal));
  auto* Command5 = Control<QPushButton>("Command5", QString::fromUtf8("Procesar"));
  auto* Command1 = Control<QPushButton>("Command1", QString::fromUtf8("Salir"));
  auto* fila = new QHBoxLayout;
  fila->addWidget(Command5);
  fila->addWidget(Command1);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(Label1);
  layout->addLayout(fila);
  OnClick(Command5, &regenera::Command5_Click);
  OnClick(Command1, &regenera::Command1_Click);
}

void regenera::Command1_Click() {
  Unload();
  runtime().End(0);
}

void regenera::Command5_Click() {
  aviso_->show();
  forms::DoEvents();
  ReubicaArchivos();
  DepuraPersonal(bases_);
  Esperado esperado = ActualizaEstructura(bases_);
  bases_.Conecta(kArranque);
  CompletaDatos(bases_);
  aviso_->hide();

  // Success is only said when every table and column is really there.
  std::vector<std::string> faltan = Faltantes(esperado);
  if (faltan.empty()) {
    dialogs().MsgBox("Regeneración finalizada con exito", forms::Buttons::Ok, forms::Icon::None, "Orvo");
  } else {
    std::string texto = "La regeneración terminó, pero faltan en la base de datos:";
    for (const std::string& f : faltan) texto += "\n" + f;
    dialogs().MsgBox(texto, forms::Buttons::Ok, forms::Icon::Exclamation, "Orvo");
  }
  bases_.cn.Close();
  Unload();
  runtime().End(faltan.empty() ? 0 : 1);
}

}  // namespace orvo::schema

namespace orvo::schema {

common::Programa Varurarodi() {
  return {.nombre = "Varurarodi", .arranque = kArranque, .ventana = [](common::Entorno& e) {
            return std::make_unique<regenera>(e.bases, e.dialogs, e.runtime);
          }};
}

std::unique_ptr<regenera> Inicio(common::Bases& bases, forms::Dialogs& dialogs, forms::Runtime& runtime) {
  common::Entorno entorno{bases, dialogs, runtime};
  std::unique_ptr<forms::Form> ventana = common::Comienza(Varurarodi(), entorno);
  if (ventana) ventana->Open();
  if (runtime.Ended()) return nullptr;
  return std::unique_ptr<regenera>(static_cast<regenera*>(ventana.release()));
}

}  // namespace orvo::schema
