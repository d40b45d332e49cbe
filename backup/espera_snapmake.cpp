#include "backup/espera_snapmake.h"

#include <signal.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <QEventLoop>
#include <QFileSystemWatcher>
#include <QSocketNotifier>
#include <QTimer>
#include <chrono>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <system_error>

#include "common/lanzamiento.h"
#include "platform/drive/drive.h"

namespace orvo::backup {

namespace fs = std::filesystem;

namespace {

// A descriptor that becomes readable when the process ends, so the end is
// noticed at once; -1 where the system offers none.
int DescriptorDeProceso(pid_t pid) {
#ifdef SYS_pidfd_open
  return static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
#else
  (void)pid;
  return -1;
#endif
}

// The result file's bytes; nullopt while there is none.
std::optional<std::string> LeeResultado(const fs::path& carpeta) {
  const fs::path ruta = drive::FindIgnoringCase(carpeta, common::kArchivoResultadoHijo);
  if (ruta.empty()) return std::nullopt;
  std::ifstream archivo(ruta, std::ios::binary);
  if (!archivo) return std::nullopt;
  return std::string(std::istreambuf_iterator<char>(archivo), std::istreambuf_iterator<char>());
}

}  // namespace

EsperaSnapmake::EsperaSnapmake(fs::path carpetaPrograma, fs::path carpetaEjecutables, QObject* parent)
    : QObject(parent),
      carpeta_(std::move(carpetaPrograma)),
      ejecutables_(carpetaEjecutables.empty() ? carpeta_ : std::move(carpetaEjecutables)) {}

EsperaSnapmake::~EsperaSnapmake() { common::EsperaAlHijo(0); }

fs::path EsperaSnapmake::Programa() const { return ejecutables_ / "Snapmake"; }

FinSnapmake EsperaSnapmake::Ejecuta() {
  fin_.reset();
  common::BorraResultado(carpeta_, common::kArchivoResultadoHijo);
  common::CreaMarcador(carpeta_, common::kMarcadorSnapmake);
  try {
    // Its result is ours to read, never our caller's; and it ends with us.
    hijo_.emplace(process::Start(Programa(), {"1"},
                                 {.environment = {std::string(common::kVariableEspera) + "=" +
                                                  std::to_string(::getpid())}}));
    common::EsperaAlHijo(hijo_->Pid());
  } catch (...) {
    // A marker nobody consumed would let a later start through.
    std::error_code ec;
    fs::remove(carpeta_ / std::string(common::kMarcadorSnapmake), ec);
    throw;
  }

  QEventLoop bucle;
  bucle_ = &bucle;
  QFileSystemWatcher vigia;
  vigia.addPath(QString::fromStdString(carpeta_.string()));
  connect(&vigia, &QFileSystemWatcher::directoryChanged, this, &EsperaSnapmake::Revisa);

  std::unique_ptr<QSocketNotifier> aviso;
  const int pidfd = DescriptorDeProceso(hijo_->Pid());
  if (pidfd >= 0) {
    aviso = std::make_unique<QSocketNotifier>(pidfd, QSocketNotifier::Read);
    connect(aviso.get(), &QSocketNotifier::activated, this, &EsperaSnapmake::Revisa);
  }
  // Only a safety net: the watcher and the descriptor above wake the wait.
  QTimer repaso;
  connect(&repaso, &QTimer::timeout, this, &EsperaSnapmake::Revisa);
  repaso.start(pidfd >= 0 ? std::chrono::milliseconds(500) : std::chrono::milliseconds(100));

  Revisa();
  if (!fin_) bucle.exec();
  bucle_ = nullptr;
  common::EsperaAlHijo(0);
  aviso.reset();
  if (pidfd >= 0) ::close(pidfd);
  if (!hijo_->Running()) {
    try {
      common::BorraResultado(carpeta_, common::kArchivoResultadoHijo);
    } catch (...) {
      // Read already; the next run removes it before its own.
    }
  }
  return *fin_;
}

void EsperaSnapmake::Revisa() {
  if (fin_ || !hijo_) return;
  // The process first: once it has ended, the file it wrote is certainly there.
  const bool vivo = hijo_->Running();
  const std::optional<std::string> resultado = LeeResultado(carpeta_);
  if (resultado && *resultado != "ok\r\n") return Termina(FinSnapmake::Fallo);
  if (!vivo) Termina(resultado ? FinSnapmake::Ok : FinSnapmake::SinResultado);
}

void EsperaSnapmake::Cancela() {
  if (fin_ || !hijo_) return;
  ::kill(hijo_->Pid(), SIGTERM);
  if (!hijo_->Wait(std::chrono::seconds(5))) {
    ::kill(hijo_->Pid(), SIGKILL);
    hijo_->Wait(std::chrono::seconds(5));
  }
  Termina(FinSnapmake::Cancelado);
}

void EsperaSnapmake::Termina(FinSnapmake fin) {
  fin_ = fin;
  if (bucle_ != nullptr) bucle_->quit();
}

}  // namespace orvo::backup
