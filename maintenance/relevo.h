// The window Relevo: the employees whose normal shift no longer exists, shown
// as the printable report rptRelevo. It runs only when the administrator
// program has left its start marker "RevTI", and it changes no data.
//
//   orvo::maintenance::Relevo w(bases, dialogs, runtime);
//   if (!w.Open()) return;        // no marker: refused, the program ends
//   // Command5 -> preview "Reporte de Personal sin turnos validos"; Command1 exits
//
// An employee is listed when T_Normal is neither 0 (the flexible shift) nor
// Null and no Turnos row carries it, active or not, in employee number order.
#pragma once

#include <QCloseEvent>
#include <QPointer>
#include <QPrintPreviewDialog>
#include <filesystem>
#include <memory>

#include "common/arranque.h"
#include "maintenance/rpt_relevo.h"
#include "platform/drive/drive.h"
#include "platform/forms/form.h"

namespace orvo::maintenance {

class Relevo : public forms::Form {
  Q_OBJECT
 public:
  // The start marker is looked for in `carpetaPrograma`, the program's own folder.
  Relevo(common::Bases& bases, forms::Dialogs& dialogs, forms::Runtime& runtime,
         std::filesystem::path carpetaPrograma = drive::ProgramFolder(), QWidget* parent = nullptr);

  // The last report shown and its preview window; null before the first, and
  // the preview also once the user has closed it.
  const rptRelevo* Reporte() const { return reporte_.get(); }
  QPrintPreviewDialog* Vista() const { return vista_.data(); }

 public slots:
  void Command5_Click();  // the report
  void Command1_Click();  // exit

 protected:
  void Form_Load() override;
  void closeEvent(QCloseEvent* event) override;

 private:
  common::Bases& bases_;
  std::filesystem::path carpetaPrograma_;
  std::shared_ptr<const rptRelevo> reporte_;
  QPointer<QPrintPreviewDialog> vista_;
};

}  // namespace orvo::maintenance
