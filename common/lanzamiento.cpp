#include "common/lanzamiento.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/prctl.h>
#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <system_error>

#include "platform/drive/drive.h"
#include "platform/error/file_error.h"
#include "platform/drive/whole_file.h"
#include "platform/error.h"

namespace orvo::common {

namespace fs = std::filesystem;

namespace {

std::string_view Contenido(Resultado resultado) {
  switch (resultado) {
    case Resultado::Ok: return "ok\r\n";
    case Resultado::Err: return "err\r\n";
    case Resultado::Salir: return "salir\r\n";
    case Resultado::Vacio: return {};
  }
  return {};
}

bool EsCarpeta(const fs::path& ruta) {
  std::error_code ec;
  return fs::is_directory(ruta, ec);
}

constexpr int kSenales[] = {SIGTERM, SIGINT, SIGHUP};

std::atomic<bool> escrito{false};
std::string_view archivoResultado = kArchivoResultado;
std::atomic<pid_t> hijo{0};

// What the signal handler writes, made before any signal can come.
struct Falla {
  char ruta[PATH_MAX];
  char temporal[PATH_MAX];
  char bytes[8];
  std::size_t largo;
};
Falla falla;

bool Copia(char (&destino)[PATH_MAX], const std::string& texto) {
  if (texto.size() >= sizeof destino) return false;
  std::memcpy(destino, texto.c_str(), texto.size() + 1);
  return true;
}

void Duerme(long milisegundos) {
  timespec pausa{milisegundos / 1000, (milisegundos % 1000) * 1000000L};
  while (::nanosleep(&pausa, &pausa) != 0 && errno == EINTR) {
  }
}

// Whether `pid` ended within `milisegundos`; it is reaped then.
bool Termina(pid_t pid, long milisegundos) {
  for (long pasado = 0;; pasado += 10) {
    int estado = 0;
    const pid_t r = ::waitpid(pid, &estado, WNOHANG);
    if (r == pid || (r < 0 && errno != EINTR)) return true;
    if (pasado >= milisegundos) return false;
    Duerme(10);
  }
}

void AlTerminar(int senal) {
  const int error = errno;
  if (const pid_t h = hijo.load(); h > 0) {
    ::kill(h, SIGTERM);
    if (!Termina(h, 5000)) {
      ::kill(h, SIGKILL);
      Termina(h, 5000);
    }
  }
  if (!escrito.exchange(true)) {
    const int fd = ::open(falla.temporal, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd >= 0) {
      const bool entero = drive::WriteAllAndSync(fd, std::string_view(falla.bytes, falla.largo)) == 0;
      if (::close(fd) == 0 && entero) {
        ::rename(falla.temporal, falla.ruta);
      } else {
        ::unlink(falla.temporal);
      }
    }
  }
  // The signal's own end: it is blocked while this runs, and comes when it returns.
  ::signal(senal, SIG_DFL);
  ::raise(senal);
  errno = error;
}

// The signals above wait while a result file is put in place, so that the
// handler never writes beside it nor ends the program half-way through it.
class SenalesEnEspera {
 public:
  SenalesEnEspera() {
    sigset_t senales;
    sigemptyset(&senales);
    for (int s : kSenales) sigaddset(&senales, s);
    ::pthread_sigmask(SIG_BLOCK, &senales, &antes_);
  }
  ~SenalesEnEspera() { ::pthread_sigmask(SIG_SETMASK, &antes_, nullptr); }
  SenalesEnEspera(const SenalesEnEspera&) = delete;
  SenalesEnEspera& operator=(const SenalesEnEspera&) = delete;

 private:
  sigset_t antes_;
};

}  // namespace

bool PruebaMarcador(const fs::path& carpetaPrograma, std::string_view marcador,
                    forms::Dialogs& dialogs) {
  const fs::path ruta = drive::FindIgnoringCase(carpetaPrograma, marcador);
  // Unlinking is what consumes the marker: when two starts race for one
  // marker, only one unlink succeeds, and the other start is refused.
  // On this platform a read-only file goes as any other; only the folder's
  // permission matters.
  if (!ruta.empty() && !EsCarpeta(ruta)) {
    if (::unlink(ruta.c_str()) == 0) return true;
    if (errno != ENOENT) throw err::FileError(errno, ruta);
  }
  dialogs.MsgBox(kMensajeSinMarcador, forms::Buttons::Ok, forms::Icon::Exclamation,
                 kTituloSinMarcador);
  return false;
}

void CreaMarcador(const fs::path& carpeta, std::string_view marcador) {
  // Replacing rather than truncating: a read-only marker left by an earlier
  // run could not be opened for writing, and a differently spelt one would
  // leave two markers behind.
  for (fs::path existente = drive::FindIgnoringCase(carpeta, marcador); !existente.empty();
       existente = drive::FindIgnoringCase(carpeta, marcador)) {
    if (::unlink(existente.c_str()) != 0 && errno != ENOENT) throw err::FileError(errno, existente);
  }
  const fs::path ruta = carpeta / std::string(marcador);
  const int fd = ::open(ruta.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) throw err::FileError(errno, ruta);
  if (::close(fd) != 0) throw err::FileError(errno, ruta);
}

void BorraResultado(const fs::path& carpeta, std::string_view nombre) {
  for (fs::path viejo = drive::FindIgnoringCase(carpeta, nombre); !viejo.empty();
       viejo = drive::FindIgnoringCase(carpeta, nombre)) {
    if (::unlink(viejo.c_str()) != 0 && errno != ENOENT) throw err::FileError(errno, viejo);
  }
}

void EscribeResultado(const fs::path& carpetaPrograma, Resultado resultado) {
  const SenalesEnEspera espera;
  drive::WriteWholeFile(carpetaPrograma / std::string(archivoResultado), Contenido(resultado));
  escrito = true;
}

bool ResultadoEscrito() { return escrito.load(); }

bool AtiendeAQuienEspera() {
  const char* valor = std::getenv(std::string(kVariableEspera).c_str());
  if (valor == nullptr || *valor == '\0') return true;
  archivoResultado = kArchivoResultadoHijo;
  ::prctl(PR_SET_PDEATHSIG, SIGTERM);
  // Asked after the request: a Snapload that ended before it is seen here.
  return std::to_string(::getppid()) == valor;
}

std::string_view ArchivoResultado() { return archivoResultado; }

void FallaAnteSenales(const fs::path& carpetaPrograma, Resultado fallo) {
  const std::string_view bytes = Contenido(fallo);
  const fs::path ruta = carpetaPrograma / std::string(archivoResultado);
  const fs::path temporal = drive::TemporaryBeside(ruta, ".senal.tmp");
  if (bytes.size() > sizeof falla.bytes || !Copia(falla.ruta, ruta.string()) ||
      !Copia(falla.temporal, temporal.string())) {
    throw err::FileError(ENAMETOOLONG, ruta);
  }
  if (!bytes.empty()) std::memcpy(falla.bytes, bytes.data(), bytes.size());
  falla.largo = bytes.size();

  struct sigaction accion {};
  accion.sa_handler = AlTerminar;
  sigemptyset(&accion.sa_mask);
  // One signal at a time: a second one waits for the first one's end.
  for (int s : kSenales) sigaddset(&accion.sa_mask, s);
  accion.sa_flags = SA_RESTART;
  for (int s : kSenales) ::sigaction(s, &accion, nullptr);
}

void EsperaAlHijo(pid_t pid) { hijo = pid; }

}  // namespace orvo::common
