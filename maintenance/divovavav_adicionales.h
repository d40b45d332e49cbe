// The window diVovavavAdicionales of diVovavav: choose a range of days and
// every employee or one, then delete the range's results and queue its
// archived punches again, so that they can be processed anew.
//
//   orvo::maintenance::diVovavavAdicionales w(bases, dialogs, runtime);
//   w.Open();                       // both dates today, every employee
//   // DTP1, DTP2, Opt1/Opt2, cmb1, chk1 -> Command5 re-queues; Command1 exits
//
// Nothing is deleted unless the run can be done whole: a start day before the
// first archived punch, a missing or unknown employee, or a range without
// archived punches is told and changes nothing.
#pragma once

#include <optional>
#include <string>

#include "common/arranque.h"
#include "maintenance/reproceso.h"
#include "platform/forms/form.h"

namespace orvo::maintenance {

class diVovavavAdicionales : public forms::Form {
  Q_OBJECT
 public:
  diVovavavAdicionales(common::Bases& bases, forms::Dialogs& dialogs, forms::Runtime& runtime,
                       QWidget* parent = nullptr);

  // The first archived date, as read at load ("" with an empty archive).
  const std::string& FechaInicial() const { return fechaInicial_; }

 public slots:
  void Opt1_Click();      // every employee
  void Opt2_Click();      // one employee
  void cmb1_Click();      // shows the chosen employee's name
  void Command5_Click();  // the re-queue
  void Command1_Click();  // exit

 protected:
  void Form_Load() override;

 private:
  // The employee of cmb1, or nullopt after saying why there is none.
  std::optional<Empleado> EmpleadoElegido();
  void Rechaza(const std::string& texto);

  common::Bases& bases_;
  std::string fechaInicial_;
};

}  // namespace orvo::maintenance
