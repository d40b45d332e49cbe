#include "platform/inet/internet_transfer.h"

#include <curl/curl.h>
#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <mutex>

#include "platform/error.h"

namespace orvo::inet {

namespace fs = std::filesystem;

namespace {

void InitCurl() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

[[noreturn]] void Fail(int number, const std::string& description) { throw RuntimeError(number, description); }

// A line end or NUL in a name would end the command it travels in and start another.
void CheckText(std::string_view text, const char* what) {
  if (text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos)
    Fail(kErrorTransfer, std::string(what) + " contiene un fin de línea o un carácter nulo");
}

// Every byte but the unreserved ones and, in a folder, the separators.
std::string Encode(std::string_view text, bool separators) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (char c : text) {
    const auto b = static_cast<unsigned char>(c);
    if ((b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') || (b >= '0' && b <= '9') || b == '-' || b == '.' ||
        b == '_' || b == '~' || (separators && b == '/')) {
      out += c;
    } else {
      out += '%';
      out += kHex[b >> 4];
      out += kHex[b & 15];
    }
  }
  return out;
}

// The local file of a download could not be written: the system's reason in
// the platform's words, and the file the user can check.
RuntimeError LocalFileError(int error, const fs::path& file) {
  const char* reason = "Error de acceso a la ruta o el archivo";
  switch (error) {
    case ENOENT:
    case ENOTDIR: reason = "No se ha encontrado la ruta de acceso"; break;
    case EACCES:
    case EPERM:
    case EROFS: reason = "Permiso denegado"; break;
    case ENOSPC:
    case EDQUOT: reason = "Disco lleno"; break;
    default: break;
  }
  return RuntimeError(kErrorLocalFile, "No se puede escribir el archivo " + file.string() + ": " + reason);
}

// "ftp://host[:port]" from the URL property; the host and port only.
std::string ServerUrl(std::string_view url) {
  constexpr std::string_view kPrefix = "ftp://";
  std::string_view rest = url;
  if (rest.size() >= kPrefix.size()) {
    bool prefix = true;
    for (std::size_t i = 0; i < kPrefix.size(); ++i)
      if (std::tolower(static_cast<unsigned char>(rest[i])) != kPrefix[i]) prefix = false;
    if (prefix) rest.remove_prefix(kPrefix.size());
  }
  if (!rest.empty() && rest.back() == '/') rest.remove_suffix(1);
  bool valid = !rest.empty();
  for (char c : rest) {
    const auto b = static_cast<unsigned char>(c);
    // Credentials never travel in the address, and a path has no place in it.
    if (b <= 0x20 || b == 0x7F || c == '/' || c == '\\' || c == '@' || c == '?' || c == '#') valid = false;
  }
  if (!valid) Fail(kErrorBadUrl, "La dirección del servidor FTP no es válida: " + std::string(url));
  return "ftp://" + std::string(rest);
}

}  // namespace

struct InternetTransfer::Session {
  CURLM* multi = nullptr;
  CURL* easy = nullptr;
  bool running = false;
  Operation operation = Operation::None;

  std::string server;  // "ftp://host[:port]", fixed for the session
  std::string folder;  // the folder's URL path, encoded, with its trailing '/'

  std::string reply;   // the server's last reply line

  std::string listing;
  std::size_t read = 0;

  curl_slist* commands = nullptr;

  int fd = -1;             // the download's temporary file
  fs::path temporary;
  fs::path target;
  int writeError = 0;

  ~Session() {
    Abandon();
    if (multi) curl_multi_cleanup(multi);
    if (easy) curl_easy_cleanup(easy);
  }

  // Stops whatever runs and leaves no temporary file behind.
  void Abandon() {
    if (running) curl_multi_remove_handle(multi, easy);
    running = false;
    CloseDownload(false);
    if (commands) curl_slist_free_all(commands);
    commands = nullptr;
  }

  void CloseDownload(bool keep) {
    if (fd < 0) return;
    ::close(fd);
    fd = -1;
    if (!keep) ::unlink(temporary.c_str());
  }

  static std::size_t OnReply(char* data, std::size_t, std::size_t n, void* self) {
    auto* s = static_cast<Session*>(self);
    std::string_view line(data, n);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
    if (line.size() >= 3 && std::isdigit(static_cast<unsigned char>(line[0]))) s->reply.assign(line);
    return n;
  }

  static std::size_t OnListing(char* data, std::size_t, std::size_t n, void* self) {
    static_cast<Session*>(self)->listing.append(data, n);
    return n;
  }

  static std::size_t OnFile(char* data, std::size_t, std::size_t n, void* self) {
    auto* s = static_cast<Session*>(self);
    std::size_t written = 0;
    while (written < n) {
      const ssize_t r = ::write(s->fd, data + written, n - written);
      if (r < 0) {
        if (errno == EINTR) continue;
        s->writeError = errno;
        return 0;
      }
      written += static_cast<std::size_t>(r);
    }
    return n;
  }
};

InternetTransfer::InternetTransfer() = default;

InternetTransfer::~InternetTransfer() = default;

namespace {

// What a finished transfer's failure means to the user.
RuntimeError ErrorOf(CURLcode code, const std::string& reply, const std::string& server, const fs::path& target,
                     int writeError) {
  switch (code) {
    case CURLE_URL_MALFORMAT:
    case CURLE_UNSUPPORTED_PROTOCOL:
      return RuntimeError(kErrorBadUrl, "La dirección del servidor FTP no es válida: " + server);
    case CURLE_COULDNT_RESOLVE_HOST:
      return RuntimeError(kErrorHostNotFound, "No se encuentra el servidor FTP " + server);
    case CURLE_COULDNT_CONNECT:
      return RuntimeError(kErrorCannotConnect, "No se puede conectar con el servidor FTP " + server);
    case CURLE_OPERATION_TIMEDOUT:
      return RuntimeError(kErrorTimeout, "Se agotó el tiempo de espera de la solicitud al servidor FTP " + server);
    case CURLE_WRITE_ERROR:
      return LocalFileError(writeError, target);
    default:
      break;
  }
  // Anything else the server turned down: its own reply says why.
  if (!reply.empty() && (reply[0] == '4' || reply[0] == '5'))
    return RuntimeError(kErrorServerRefused, reply);
  return RuntimeError(kErrorTransfer, "Falló la operación FTP con el servidor " + server + " (" +
                                          curl_easy_strerror(code) + ")");
}

}  // namespace

InternetTransfer::Session& InternetTransfer::Idle() {
  if (session_ && session_->running) Fail(kErrorStillExecuting, "Todavía se está ejecutando la última solicitud");
  if (!session_) {
    InitCurl();
    session_ = std::make_unique<Session>();
  }
  if (!session_->multi) {
    session_->server = ServerUrl(URL);
    session_->multi = curl_multi_init();
    session_->easy = curl_easy_init();
    if (!session_->multi || !session_->easy) throw std::bad_alloc();
  }
  return *session_;
}

void InternetTransfer::Cd(std::string_view folder) {
  CheckText(folder, "La carpeta remota");
  Session& s = Idle();
  std::string path;
  if (!folder.empty()) {
    // One CWD of the whole path: a leading '/' (encoded) makes it absolute.
    std::string_view rest = folder;
    if (rest.front() == '/') {
      path = "%2F";
      rest.remove_prefix(1);
    }
    path += Encode(rest, true);
    if (path.back() != '/') path += '/';
  }
  s.folder = "/" + path;
  curl_easy_reset(s.easy);
  curl_easy_setopt(s.easy, CURLOPT_NOBODY, 1L);
  Begin(Operation::Cd, s.folder);
}

void InternetTransfer::Dir() {
  Session& s = Idle();
  s.listing.clear();
  s.read = 0;
  curl_easy_reset(s.easy);
  curl_easy_setopt(s.easy, CURLOPT_DIRLISTONLY, 1L);
  curl_easy_setopt(s.easy, CURLOPT_WRITEFUNCTION, &Session::OnListing);
  curl_easy_setopt(s.easy, CURLOPT_WRITEDATA, &s);
  Begin(Operation::Dir, s.folder);
}

void InternetTransfer::Recv(std::string_view remoteName, const fs::path& localFile) {
  CheckText(remoteName, "El nombre del archivo remoto");
  Session& s = Idle();
  // A name of our own beside the local file, so the rename stays on one file
  // system; open honours the umask, as a plain create would.
  static std::atomic<unsigned> next{0};
  const fs::path folder = localFile.has_parent_path() ? localFile.parent_path() : fs::path(".");
  int fd = -1;
  fs::path temporary;
  for (int attempt = 0; fd < 0; ++attempt) {
    std::string name = ".";  // appended, not concatenated: GCC 12 warns falsely on "." + string
    name += localFile.filename().string();
    name += '.';
    name += std::to_string(::getpid());
    name += '.';
    name += std::to_string(next++);
    name += ".part";
    temporary = folder / name;
    fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && (errno != EEXIST || attempt == 100))
      throw LocalFileError(errno, localFile);
  }
  s.fd = fd;
  s.temporary = temporary;
  s.target = localFile;
  s.writeError = 0;
  curl_easy_reset(s.easy);
  curl_easy_setopt(s.easy, CURLOPT_TRANSFERTEXT, 0L);
  curl_easy_setopt(s.easy, CURLOPT_WRITEFUNCTION, &Session::OnFile);
  curl_easy_setopt(s.easy, CURLOPT_WRITEDATA, &s);
  Begin(Operation::Recv, s.folder + Encode(remoteName, false));
}

void InternetTransfer::Delete(std::string_view remoteName) {
  CheckText(remoteName, "El nombre del archivo remoto");
  Session& s = Idle();
  // After the folder is reached, and nothing is transferred.
  s.commands = curl_slist_append(nullptr, ("DELE " + std::string(remoteName)).c_str());
  if (!s.commands) throw std::bad_alloc();
  curl_easy_reset(s.easy);
  curl_easy_setopt(s.easy, CURLOPT_NOBODY, 1L);
  curl_easy_setopt(s.easy, CURLOPT_POSTQUOTE, s.commands);
  Begin(Operation::Delete, s.folder);
}

void InternetTransfer::Begin(Operation operation, const std::string& path) {
  Session& s = *session_;
  const std::string url = s.server + path;
  const long seconds = static_cast<long>(RequestTimeout.count());
  curl_easy_setopt(s.easy, CURLOPT_URL, url.c_str());
  curl_easy_setopt(s.easy, CURLOPT_PROTOCOLS_STR, "ftp");
  curl_easy_setopt(s.easy, CURLOPT_PATH_AS_IS, 1L);
  curl_easy_setopt(s.easy, CURLOPT_USERNAME, UserName.c_str());
  curl_easy_setopt(s.easy, CURLOPT_PASSWORD, Password.c_str());
  curl_easy_setopt(s.easy, CURLOPT_FTP_FILEMETHOD, static_cast<long>(CURLFTPMETHOD_SINGLECWD));
  curl_easy_setopt(s.easy, CURLOPT_CONNECTTIMEOUT, seconds);
  curl_easy_setopt(s.easy, CURLOPT_SERVER_RESPONSE_TIMEOUT, seconds);
  // A data transfer that stalls for as long is as dead as a silent server.
  curl_easy_setopt(s.easy, CURLOPT_LOW_SPEED_LIMIT, 1L);
  curl_easy_setopt(s.easy, CURLOPT_LOW_SPEED_TIME, seconds);
  curl_easy_setopt(s.easy, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(s.easy, CURLOPT_HEADERFUNCTION, &Session::OnReply);
  curl_easy_setopt(s.easy, CURLOPT_HEADERDATA, &s);
  s.reply.clear();
  s.operation = operation;
  if (curl_multi_add_handle(s.multi, s.easy) != CURLM_OK) {
    s.Abandon();
    Fail(kErrorTransfer, "No se pudo iniciar la operación FTP");
  }
  s.running = true;
}

void InternetTransfer::Quit() {
  if (!session_) return;
  // Closing the connections sends QUIT on each.
  session_.reset();
}

bool InternetTransfer::StillExecuting() {
  if (!session_ || !session_->running) return false;
  Session& s = *session_;
  int active = 0;
  curl_multi_perform(s.multi, &active);
  if (active > 0) {
    curl_multi_poll(s.multi, nullptr, 0, 10, nullptr);
    curl_multi_perform(s.multi, &active);
  }
  int left = 0;
  CURLMsg* message = nullptr;
  while ((message = curl_multi_info_read(s.multi, &left)) != nullptr) {
    if (message->msg != CURLMSG_DONE) continue;
    const CURLcode code = message->data.result;
    curl_multi_remove_handle(s.multi, s.easy);
    s.running = false;
    if (s.commands) curl_slist_free_all(s.commands);
    s.commands = nullptr;
    if (code != CURLE_OK) {
      s.CloseDownload(false);
      throw ErrorOf(code, s.reply, s.server, s.target, s.writeError);
    }
    if (s.operation == Operation::Recv) {
      const int fd = s.fd;
      s.fd = -1;
      // On disk before it takes its name: a crash must not leave a short file there.
      int error = ::fsync(fd) == 0 ? 0 : errno;
      if (::close(fd) != 0 && error == 0) error = errno;
      if (error == 0 && ::rename(s.temporary.c_str(), s.target.c_str()) != 0) error = errno;
      if (error != 0) {
        ::unlink(s.temporary.c_str());
        throw LocalFileError(error, s.target);
      }
    }
    return false;
  }
  return s.running;
}

std::string InternetTransfer::GetChunk(std::size_t size) {
  if (!session_) return {};
  Session& s = *session_;
  const std::string chunk = s.listing.substr(std::min(s.read, s.listing.size()), size);
  s.read += chunk.size();
  return chunk;
}

}  // namespace orvo::inet
