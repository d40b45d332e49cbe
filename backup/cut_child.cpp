// Test helper: a restore or a backup in a process of its own that kills
// itself with SIGKILL just before its Nth change of a name in the file system
// (a rename, link, unlink, folder made or removed, by our code, the standard
// library or the engine alike), so that a test can cut the work at every
// point it passes and look at what the next start makes of it.
//
//   cut_child restaura QR1_030226_090507.ZIP N   the set tested and staged, then cut in the swap
//   cut_child respalda CARPETA_PROGRAMA N        Snapmake's backup run with the wipe asked and
//                                                answered Yes, cut anywhere in it
//   cut_child lleno QR1_030226_090507.ZIP motor|todo
//                                                the set tested and staged, then its swap met by a
//                                                full disk: the engine's writes fail (motor), or
//                                                every write to a file (todo)
//   cut_child carga QR1_030226_090507.ZIP N      Snapload's restore of the set from its window,
//                                                Snapmake started from the program folder, cut
//                                                once Snapmake's result is answered (the first
//                                                result file of its own in place); the signals
//                                                act as in the program
//
// N = 0 runs to the end. Exit status 0 when the work ended well, 1 with the
// error on standard error when it failed.
#include <dlfcn.h>
#include <fcntl.h>
#include <signal.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCheckBox>
#include <QListWidget>
#include <atomic>
#include <cstdlib>
#include <iostream>
#include <string>
#include <string_view>

#include "backup/restauracion.h"
#include "backup/snapload.h"
#include "backup/snapmake.h"
#include "common/arranque.h"
#include "common/lanzamiento.h"
#include "platform/drive/drive.h"
#include "platform/error.h"
#include "platform/forms/application.h"
#include "platform/forms/runtime.h"
#include "platform/forms/scripted_dialogs.h"

namespace {

std::atomic<bool> armado{false};
std::atomic<bool> armaEnResultado{false};
std::atomic<long> restantes{0};
// 1: the engine's writes (pwrite) fail as on a full disk; 2: every write to a file.
std::atomic<int> lleno{0};

// Counts one change of a name once armed; dies at the chosen one.
void Paso() {
  if (!armado.load()) return;
  if (restantes.fetch_sub(1) == 1) ::kill(::getpid(), SIGKILL);
}

template <typename F>
F Real(const char* nombre) {
  static_assert(sizeof(F) == sizeof(void*));
  void* simbolo = ::dlsym(RTLD_NEXT, nombre);
  if (simbolo == nullptr) std::abort();
  F funcion;
  __builtin_memcpy(&funcion, &simbolo, sizeof funcion);
  return funcion;
}

// A write at a position, as the engine makes them, refused as on a full disk once asked.
using PosicionLlena = ssize_t (*)(int, const void*, size_t, off_t);
ssize_t EscribeEn(PosicionLlena real, int fd, const void* datos, size_t n, off_t donde) {
  if (lleno.load() >= 1) {
    errno = ENOSPC;
    return -1;
  }
  return real(fd, datos, n, donde);
}

}  // namespace

// This program's own definitions come first for every library it loads, so
// the standard library's and the engine's calls pass through them too.
extern "C" {
int rename(const char* de, const char* a) noexcept {
  Paso();
  static const auto real = Real<int (*)(const char*, const char*)>("rename");
  const int r = real(de, a);
  if (r == 0 && armaEnResultado && std::string_view(a).ends_with("/crtd")) {
    armaEnResultado = false;
    armado = true;
  }
  return r;
}
int renameat(int d1, const char* de, int d2, const char* a) noexcept {
  Paso();
  static const auto real = Real<int (*)(int, const char*, int, const char*)>("renameat");
  return real(d1, de, d2, a);
}
int link(const char* de, const char* a) noexcept {
  Paso();
  static const auto real = Real<int (*)(const char*, const char*)>("link");
  return real(de, a);
}
int unlink(const char* ruta) noexcept {
  Paso();
  static const auto real = Real<int (*)(const char*)>("unlink");
  return real(ruta);
}
int unlinkat(int d, const char* ruta, int flags) noexcept {
  Paso();
  static const auto real = Real<int (*)(int, const char*, int)>("unlinkat");
  return real(d, ruta, flags);
}
int rmdir(const char* ruta) noexcept {
  Paso();
  static const auto real = Real<int (*)(const char*)>("rmdir");
  return real(ruta);
}
int mkdir(const char* ruta, mode_t modo) noexcept {
  Paso();
  static const auto real = Real<int (*)(const char*, mode_t)>("mkdir");
  return real(ruta, modo);
}
ssize_t pwrite(int fd, const void* datos, size_t n, off_t donde) {
  static const auto real = Real<PosicionLlena>("pwrite");
  return EscribeEn(real, fd, datos, n, donde);
}
ssize_t pwrite64(int fd, const void* datos, size_t n, off_t donde) {
  static const auto real = Real<PosicionLlena>("pwrite64");
  return EscribeEn(real, fd, datos, n, donde);
}
ssize_t write(int fd, const void* datos, size_t n) {
  static const auto real = Real<ssize_t (*)(int, const void*, size_t)>("write");
  struct stat estado {};
  // Files only: the standard streams and the event loop's pipes write on.
  if (lleno.load() >= 2 && fd > 2 && ::fstat(fd, &estado) == 0 && S_ISREG(estado.st_mode)) {
    errno = ENOSPC;
    return -1;
  }
  return real(fd, datos, n);
}
int remove(const char* ruta) noexcept {
  Paso();
  static const auto real = Real<int (*)(const char*)>("remove");
  return real(ruta);
}
}

int main(int argc, char** argv) {
  using namespace orvo;
  if (argc != 4) return 2;
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  forms::Application app(argc, argv);
  const std::string modo = argv[1];
  restantes = modo == "lleno" ? 0 : std::atol(argv[3]);
  forms::ScriptedDialogs boxes;
  try {
    if (modo == "restaura") {
      backup::Restauracion restauracion(argv[2]);
      restauracion.Prepara(boxes, "cut_child");
      armado = restantes > 0;
      restauracion.Coloca();
      return 0;
    }
    if (modo == "lleno") {
      backup::Restauracion restauracion(argv[2]);
      restauracion.Prepara(boxes, "cut_child");
      restauracion.TomaBases();
      lleno = std::string_view(argv[3]) == "todo" ? 2 : 1;
      restauracion.Coloca();
      return 0;
    }
    if (modo == "respalda") {
      const std::filesystem::path programa = argv[2];
      common::Bases bases;
      bases.cn.Open(common::kCadenaConexion);
      forms::Runtime runtime(boxes, "Snapmake", [](int) {});
      common::CreaMarcador(programa, common::kMarcadorSnapmake);
      backup::Snapmake snapmake(bases, boxes, runtime, programa);
      if (!snapmake.Open()) return 1;
      snapmake.Find<QCheckBox>("chkBorrar")->setChecked(true);
      armado = restantes > 0;
      snapmake.crea_Click();
      armado = false;
      for (const auto& box : boxes.shown) std::cerr << box.text << "\n";
      return boxes.shown.size() == 1 ? 0 : 1;  // only the question
    }
    if (modo == "carga") {
      const std::filesystem::path programa = drive::ProgramFolder();
      common::FallaAnteSenales(programa, common::Resultado::Err);
      forms::Runtime runtime(boxes, "Snapload", [](int) {});
      common::CreaMarcador(programa, common::kMarcadorSnapload);
      backup::Snapload ventana(boxes, runtime, programa);
      if (!ventana.Open()) return 1;
      auto* lista = ventana.Find<QListWidget>("File1");
      const auto elegidos = lista->findItems(QString::fromUtf8(argv[2]), Qt::MatchExactly);
      if (elegidos.size() != 1) return 2;
      lista->setCurrentItem(elegidos[0]);
      ventana.File1_Click();
      armaEnResultado = restantes > 0;
      ventana.Command5_Click();
      armado = false;
      for (const auto& box : boxes.shown) std::cerr << box.text << "\n";
      return boxes.shown.empty() ? 0 : 1;
    }
  } catch (const RuntimeError& e) {
    std::cerr << e.number << ": " << e.what() << "\n";
    return 1;
  }
  return 2;
}
