// Snapload's start of Snapmake for an unattended backup, and the wait for it.
// The wait watches the program folder for Snapmake's result file and the
// process itself for its end, sleeping in the window's event loop in between:
// the window keeps painting and answering, and a cancel ends the wait.
// Snapmake started so writes "crtd.snapmake", which only this wait reads, and
// ends when Snapload does (common::AtiendeAQuienEspera): "crtd" stays
// Snapload's own for its caller, and never says "ok" for a restore that a
// kill stopped.
//
//   EsperaSnapmake espera(drive::ProgramFolder());
//   connect(cancelar, &QPushButton::clicked, &espera, &EsperaSnapmake::Cancela);
//   switch (espera.Ejecuta()) { case FinSnapmake::Ok: ...restore; default: ...stop }
//
// "ok" counts only once Snapmake has also ended, since until then it still
// holds the database open. An empty (or any other) result ends the wait at
// once as a failure: Snapmake may still be showing the user why.
#pragma once

#include <QObject>

class QEventLoop;
#include <filesystem>
#include <optional>

#include "platform/process/process.h"

namespace orvo::backup {

enum class FinSnapmake {
  Ok,            // "ok", and the program has ended
  Fallo,         // its result is empty or not "ok"
  SinResultado,  // it ended without writing its result
  Cancelado,     // the user cancelled; the program was stopped
};

class EsperaSnapmake : public QObject {
  Q_OBJECT
 public:
  // The program file lies in `carpetaEjecutables`, or in the program folder
  // when that is empty.
  explicit EsperaSnapmake(std::filesystem::path carpetaPrograma, std::filesystem::path carpetaEjecutables = {},
                          QObject* parent = nullptr);
  ~EsperaSnapmake() override;

  // The program file that is started: Snapmake beside the programs.
  std::filesystem::path Programa() const;

  // Removes a stale result file of Snapmake's, creates its start marker,
  // starts it with the single argument "1" and waits. Errors of the start (no such
  // program) are thrown as orvo::RuntimeError before any wait.
  FinSnapmake Ejecuta();

 public slots:
  // Stops the wait; the started program is stopped too, so that it can
  // neither hold the database nor write its result later.
  void Cancela();

 private:
  void Revisa();
  void Termina(FinSnapmake fin);

  std::filesystem::path carpeta_;
  std::filesystem::path ejecutables_;
  std::optional<process::Child> hijo_;
  std::optional<FinSnapmake> fin_;
  QEventLoop* bucle_ = nullptr;
};

}  // namespace orvo::backup
