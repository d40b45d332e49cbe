// The window Huerfanos of Strayfix: one button gives back to the queue the
// punches set aside for employee numbers that were not registered then and
// are now.
//
//   orvo::maintenance::Huerfanos w(bases, dialogs, runtime);
//   w.Open();
//   // Command5 -> Checadas, "ReAsignación de chequeos finalizada"; Command1 exits
#pragma once

#include "common/arranque.h"
#include "platform/forms/form.h"

namespace orvo::maintenance {

class Huerfanos : public forms::Form {
  Q_OBJECT
 public:
  Huerfanos(common::Bases& bases, forms::Dialogs& dialogs, forms::Runtime& runtime, QWidget* parent = nullptr);

 public slots:
  void Command5_Click();  // restore
  void Command1_Click();  // exit

 private:
  common::Bases& bases_;
};

}  // namespace orvo::maintenance
