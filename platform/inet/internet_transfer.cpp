#include "platform/inet/internet_transfer.h"

#include <curl/curl.h>
#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <mutex>

#include "platform/error.h"

namespace orvo::inet {

namespace fs = std::filesystem;

namespace {

void IniciaCurl() {
  static std::once_flag una;
  std::call_once(una, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

[[noreturn]] void Falla(int numero, const std::string& descripcion) { throw RuntimeError(numero, descripcion); }

// A line end or NUL in a name would end the command it travels in and start another.
void PruebaTexto(std::string_view texto, const char* que) {
  if (texto.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos)
    Falla(kErrorFtp, std::string(que) + " contiene un fin de línea o un carácter nulo");
}

// Every byte but the unreserved ones and, in a folder, the separators.
std::string Codifica(std::string_view texto, bool separadores) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string salida;
  for (char c : texto) {
    const auto b = static_cast<unsigned char>(c);
    if ((b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') || (b >= '0' && b <= '9') || b == '-' || b == '.' ||
        b == '_' || b == '~' || (separadores && b == '/')) {
      salida += c;
    } else {
      salida += '%';
      salida += kHex[b >> 4];
      salida += kHex[b & 15];
    }
  }
  return salida;
}

// "ftp://host[:port]" from the URL property; the host and port only.
std::string Servidor(std::string_view url) {
  constexpr std::string_view kPrefijo = "ftp://";
  std::string_view resto = url;
  if (resto.size() >= kPrefijo.size()) {
    bool prefijo = true;
    for (std::size_t i = 0; i < kPrefijo.size(); ++i)
      if (std::tolower(static_cast<unsigned char>(resto[i])) != kPrefijo[i]) prefijo = false;
    if (prefijo) resto.remove_prefix(kPrefijo.size());
  }
  if (!resto.empty() && resto.back() == '/') resto.remove_suffix(1);
  bool valido = !resto.empty();
  for (char c : resto) {
    const auto b = static_cast<unsigned char>(c);
    // Credentials never travel in the address, and a path has no place in it.
    if (b <= 0x20 || b == 0x7F || c == '/' || c == '\\' || c == '@' || c == '?' || c == '#') valido = false;
  }
  if (!valido) Falla(kErrorUrl, "La dirección del servidor FTP no es válida: " + std::string(url));
  return "ftp://" + std::string(resto);
}

}  // namespace

struct InternetTransfer::Session {
  CURLM* multi = nullptr;
  CURL* easy = nullptr;
  bool ejecutando = false;
  Operacion operacion = Operacion::Ninguna;

  std::string servidor;  // "ftp://host[:port]", fixed for the session
  std::string carpeta;   // the folder's URL path, encoded, with its trailing '/'

  std::string respuesta;  // the server's last reply line
  char errores[CURL_ERROR_SIZE] = {};

  std::string listado;
  std::size_t leido = 0;

  curl_slist* comandos = nullptr;

  int fd = -1;             // the download's temporary file
  fs::path temporal;
  fs::path destino;
  int errorEscritura = 0;

  ~Session() {
    Abandona();
    if (multi) curl_multi_cleanup(multi);
    if (easy) curl_easy_cleanup(easy);
  }

  // Stops whatever runs and leaves no temporary file behind.
  void Abandona() {
    if (ejecutando) curl_multi_remove_handle(multi, easy);
    ejecutando = false;
    CierraDescarga(false);
    if (comandos) curl_slist_free_all(comandos);
    comandos = nullptr;
  }

  void CierraDescarga(bool conserva) {
    if (fd < 0) return;
    ::close(fd);
    fd = -1;
    if (!conserva) ::unlink(temporal.c_str());
  }

  static std::size_t Respuesta(char* datos, std::size_t, std::size_t n, void* yo) {
    auto* s = static_cast<Session*>(yo);
    std::string_view linea(datos, n);
    while (!linea.empty() && (linea.back() == '\n' || linea.back() == '\r')) linea.remove_suffix(1);
    if (linea.size() >= 3 && std::isdigit(static_cast<unsigned char>(linea[0]))) s->respuesta.assign(linea);
    return n;
  }

  static std::size_t AlListado(char* datos, std::size_t, std::size_t n, void* yo) {
    static_cast<Session*>(yo)->listado.append(datos, n);
    return n;
  }

  static std::size_t AlArchivo(char* datos, std::size_t, std::size_t n, void* yo) {
    auto* s = static_cast<Session*>(yo);
    std::size_t escritos = 0;
    while (escritos < n) {
      const ssize_t r = ::write(s->fd, datos + escritos, n - escritos);
      if (r < 0) {
        if (errno == EINTR) continue;
        s->errorEscritura = errno;
        return 0;
      }
      escritos += static_cast<std::size_t>(r);
    }
    return n;
  }
};

InternetTransfer::InternetTransfer() = default;

InternetTransfer::~InternetTransfer() = default;

namespace {

// What a finished transfer's failure means to the user.
RuntimeError Error(CURLcode codigo, const std::string& respuesta, const std::string& servidor,
                   const fs::path& destino, int errorEscritura) {
  switch (codigo) {
    case CURLE_URL_MALFORMAT:
    case CURLE_UNSUPPORTED_PROTOCOL:
      return RuntimeError(kErrorUrl, "La dirección del servidor FTP no es válida: " + servidor);
    case CURLE_COULDNT_RESOLVE_HOST:
      return RuntimeError(kErrorServidor, "No se encuentra el servidor FTP " + servidor);
    case CURLE_COULDNT_CONNECT:
      return RuntimeError(kErrorConexion, "No se puede conectar con el servidor FTP " + servidor);
    case CURLE_OPERATION_TIMEDOUT:
      return RuntimeError(kErrorTiempo, "Se agotó el tiempo de espera de la solicitud al servidor FTP " + servidor);
    case CURLE_WRITE_ERROR:
      return RuntimeError(kErrorArchivoLocal, "No se puede escribir el archivo " + destino.string() + ": " +
                                                  std::strerror(errorEscritura));
    default:
      break;
  }
  // Anything else the server turned down: its own reply says why.
  if (!respuesta.empty() && (respuesta[0] == '4' || respuesta[0] == '5'))
    return RuntimeError(kErrorRespuesta, respuesta);
  return RuntimeError(kErrorFtp, std::string("Falló la operación FTP con el servidor ") + servidor + " (" +
                                     curl_easy_strerror(codigo) + ")");
}

}  // namespace

InternetTransfer::Session& InternetTransfer::Libre() {
  if (session_ && session_->ejecutando) Falla(kErrorEjecutando, "Todavía se está ejecutando la última solicitud");
  if (!session_) {
    IniciaCurl();
    session_ = std::make_unique<Session>();
  }
  if (!session_->multi) {
    session_->servidor = Servidor(URL);
    session_->multi = curl_multi_init();
    session_->easy = curl_easy_init();
    if (!session_->multi || !session_->easy) throw std::bad_alloc();
  }
  return *session_;
}

void InternetTransfer::Cd(std::string_view folder) {
  PruebaTexto(folder, "La carpeta remota");
  Session& s = Libre();
  std::string carpeta;
  if (!folder.empty()) {
    // One CWD of the whole path: a leading '/' (encoded) makes it absolute.
    std::string_view resto = folder;
    if (resto.front() == '/') {
      carpeta = "%2F";
      resto.remove_prefix(1);
    }
    carpeta += Codifica(resto, true);
    if (carpeta.back() != '/') carpeta += '/';
  }
  s.carpeta = "/" + carpeta;
  curl_easy_reset(s.easy);
  curl_easy_setopt(s.easy, CURLOPT_NOBODY, 1L);
  Inicia(Operacion::Cd, s.carpeta);
}

void InternetTransfer::Dir() {
  Session& s = Libre();
  s.listado.clear();
  s.leido = 0;
  curl_easy_reset(s.easy);
  curl_easy_setopt(s.easy, CURLOPT_DIRLISTONLY, 1L);
  curl_easy_setopt(s.easy, CURLOPT_WRITEFUNCTION, &Session::AlListado);
  curl_easy_setopt(s.easy, CURLOPT_WRITEDATA, &s);
  Inicia(Operacion::Dir, s.carpeta);
}

void InternetTransfer::Recv(std::string_view remoteName, const fs::path& localFile) {
  PruebaTexto(remoteName, "El nombre del archivo remoto");
  Session& s = Libre();
  // A name of our own beside the local file, so the rename stays on one file
  // system; open honours the umask, as a plain create would.
  static std::atomic<unsigned> siguiente{0};
  const fs::path carpeta = localFile.has_parent_path() ? localFile.parent_path() : fs::path(".");
  int fd = -1;
  fs::path temporal;
  for (int intento = 0; fd < 0; ++intento) {
    std::string nombre = ".";  // appended, not concatenated: GCC 12 warns falsely on "." + string
    nombre += localFile.filename().string();
    nombre += '.';
    nombre += std::to_string(::getpid());
    nombre += '.';
    nombre += std::to_string(siguiente++);
    nombre += ".part";
    temporal = carpeta / nombre;
    fd = ::open(temporal.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && (errno != EEXIST || intento == 100))
      Falla(kErrorArchivoLocal, "No se puede escribir el archivo " + localFile.string() + ": " + std::strerror(errno));
  }
  s.fd = fd;
  s.temporal = temporal;
  s.destino = localFile;
  s.errorEscritura = 0;
  curl_easy_reset(s.easy);
  curl_easy_setopt(s.easy, CURLOPT_TRANSFERTEXT, 0L);
  curl_easy_setopt(s.easy, CURLOPT_WRITEFUNCTION, &Session::AlArchivo);
  curl_easy_setopt(s.easy, CURLOPT_WRITEDATA, &s);
  Inicia(Operacion::Recv, s.carpeta + Codifica(remoteName, false));
}

void InternetTransfer::Delete(std::string_view remoteName) {
  PruebaTexto(remoteName, "El nombre del archivo remoto");
  Session& s = Libre();
  // After the folder is reached, and nothing is transferred.
  s.comandos = curl_slist_append(nullptr, ("DELE " + std::string(remoteName)).c_str());
  if (!s.comandos) throw std::bad_alloc();
  curl_easy_reset(s.easy);
  curl_easy_setopt(s.easy, CURLOPT_NOBODY, 1L);
  curl_easy_setopt(s.easy, CURLOPT_POSTQUOTE, s.comandos);
  Inicia(Operacion::Delete, s.carpeta);
}

void InternetTransfer::Inicia(Operacion operacion, const std::string& ruta) {
  Session& s = *session_;
  const std::string url = s.servidor + ruta;
  const long tiempo = static_cast<long>(RequestTimeout.count());
  curl_easy_setopt(s.easy, CURLOPT_URL, url.c_str());
  curl_easy_setopt(s.easy, CURLOPT_PROTOCOLS_STR, "ftp");
  curl_easy_setopt(s.easy, CURLOPT_PATH_AS_IS, 1L);
  curl_easy_setopt(s.easy, CURLOPT_USERNAME, UserName.c_str());
  curl_easy_setopt(s.easy, CURLOPT_PASSWORD, Password.c_str());
  curl_easy_setopt(s.easy, CURLOPT_FTP_FILEMETHOD, static_cast<long>(CURLFTPMETHOD_SINGLECWD));
  curl_easy_setopt(s.easy, CURLOPT_CONNECTTIMEOUT, tiempo);
  curl_easy_setopt(s.easy, CURLOPT_SERVER_RESPONSE_TIMEOUT, tiempo);
  // A data transfer that stalls for as long is as dead as a silent server.
  curl_easy_setopt(s.easy, CURLOPT_LOW_SPEED_LIMIT, 1L);
  curl_easy_setopt(s.easy, CURLOPT_LOW_SPEED_TIME, tiempo);
  curl_easy_setopt(s.easy, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(s.easy, CURLOPT_HEADERFUNCTION, &Session::Respuesta);
  curl_easy_setopt(s.easy, CURLOPT_HEADERDATA, &s);
  curl_easy_setopt(s.easy, CURLOPT_ERRORBUFFER, s.errores);
  s.respuesta.clear();
  s.operacion = operacion;
  if (curl_multi_add_handle(s.multi, s.easy) != CURLM_OK) {
    s.Abandona();
    Falla(kErrorFtp, "No se pudo iniciar la operación FTP");
  }
  s.ejecutando = true;
}

void InternetTransfer::Quit() {
  if (!session_) return;
  // Closing the connections sends QUIT on each.
  session_.reset();
}

bool InternetTransfer::StillExecuting() {
  if (!session_ || !session_->ejecutando) return false;
  Session& s = *session_;
  int activos = 0;
  curl_multi_perform(s.multi, &activos);
  if (activos > 0) {
    curl_multi_poll(s.multi, nullptr, 0, 10, nullptr);
    curl_multi_perform(s.multi, &activos);
  }
  int quedan = 0;
  CURLMsg* mensaje = nullptr;
  while ((mensaje = curl_multi_info_read(s.multi, &quedan)) != nullptr) {
    if (mensaje->msg != CURLMSG_DONE) continue;
    const CURLcode codigo = mensaje->data.result;
    curl_multi_remove_handle(s.multi, s.easy);
    s.ejecutando = false;
    if (s.comandos) curl_slist_free_all(s.comandos);
    s.comandos = nullptr;
    if (codigo != CURLE_OK) {
      s.CierraDescarga(false);
      throw Error(codigo, s.respuesta, s.servidor, s.destino, s.errorEscritura);
    }
    if (s.operacion == Operacion::Recv) {
      const int fd = s.fd;
      s.fd = -1;
      // On disk before it takes its name: a crash must not leave a short file there.
      int error = ::fsync(fd) == 0 ? 0 : errno;
      if (::close(fd) != 0 && error == 0) error = errno;
      if (error == 0 && ::rename(s.temporal.c_str(), s.destino.c_str()) != 0) error = errno;
      if (error != 0) {
        ::unlink(s.temporal.c_str());
        Falla(kErrorArchivoLocal, "No se puede escribir el archivo " + s.destino.string() + ": " + std::strerror(error));
      }
    }
    return false;
  }
  return s.ejecutando;
}

std::string InternetTransfer::GetChunk(std::size_t size) {
  if (!session_) return {};
  Session& s = *session_;
  const std::string trozo = s.listado.substr(std::min(s.leido, s.listado.size()), size);
  s.leido += trozo.size();
  return trozo;
}

}  // namespace orvo::inet
