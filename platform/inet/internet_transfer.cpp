#include "platform/inet/internet_transfer.h"

#include <curl/curl.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <optional>

#include "platform/drive/whole_file.h"
#include "platform/error/file_error.h"

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
  return RuntimeError(kErrorLocalFile,
                      "No se puede escribir el archivo " + file.string() + ": " + std::string(err::ReasonOf(error).text));
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

// The server's own words, after ours.
std::string Respuesta(const std::string& reply) {
  return reply.empty() ? std::string() : " El servidor respondió: " + reply;
}

// The partial files of the downloads under way, where a signal handler can
// reach them: a fixed table of paths, each published by its state.
constexpr int kPartialSlots = 8;
struct PartialSlot {
  std::atomic<int> state{0};  // 0 free, 1 being written, 2 holds a path
  char path[4096];
};
PartialSlot partialSlots[kPartialSlots];
static_assert(std::atomic<int>::is_always_lock_free);

int ClaimPartialSlot(const fs::path& file) {
  const std::string text = file.string();
  if (text.size() >= sizeof PartialSlot::path) return -1;
  for (int i = 0; i < kPartialSlots; ++i) {
    int free = 0;
    if (!partialSlots[i].state.compare_exchange_strong(free, 1)) continue;
    std::memcpy(partialSlots[i].path, text.c_str(), text.size() + 1);
    partialSlots[i].state.store(2);
    return i;
  }
  return -1;
}

// After the file is gone or renamed: a signal in between finds no file.
void ReleasePartialSlot(int& slot) {
  if (slot >= 0) partialSlots[slot].state.store(0);
  slot = -1;
}

// ".NAME.PID.N.part", as Recv names its partial file; the PID when `name` is one.
std::optional<pid_t> PartialFileOwner(std::string_view name) {
  constexpr std::string_view kEnd = ".part";
  if (name.size() < 2 || name.front() != '.' || !name.ends_with(kEnd)) return std::nullopt;
  name.remove_suffix(kEnd.size());
  auto number = [&name]() -> std::optional<long long> {
    const std::size_t dot = name.rfind('.');
    if (dot == std::string_view::npos || dot + 1 == name.size() || name.size() - dot > 12) return std::nullopt;
    long long value = 0;
    for (char c : name.substr(dot + 1)) {
      if (c < '0' || c > '9') return std::nullopt;
      value = value * 10 + (c - '0');
    }
    name = name.substr(0, dot);
    return value;
  };
  if (!number()) return std::nullopt;
  const auto pid = number();
  if (!pid || *pid <= 0 || name.size() < 2) return std::nullopt;
  return static_cast<pid_t>(*pid);
}

}  // namespace

void RemovePartialDownloads() noexcept {
  for (PartialSlot& slot : partialSlots)
    if (slot.state.load() == 2) ::unlink(slot.path);
}

void RemoveAbandonedPartialFiles(const fs::path& folder) {
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    const auto owner = PartialFileOwner(it->path().filename().string());
    if (!owner || *owner == ::getpid()) continue;
    // Only a process that no longer exists has left its file for good.
    if (::kill(*owner, 0) == 0 || errno != ESRCH) continue;
    std::error_code ignored;
    fs::remove(it->path(), ignored);
  }
}

struct InternetTransfer::Session {
  CURLM* multi = nullptr;
  CURL* easy = nullptr;
  bool running = false;
  Operation operation = Operation::None;

  std::string server;  // "ftp://host[:port]", fixed for the session
  std::string folder;  // the folder's URL path, encoded, with its trailing '/'
  std::string folderText;  // the folder as given, for messages
  std::string remoteName;  // the file of the running operation, for messages

  std::string reply;   // the server's last reply line

  std::string listing;
  std::size_t read = 0;

  curl_slist* commands = nullptr;

  std::optional<drive::WholeFileWriter> download;  // the download's partial file
  int slot = -1;           // its place in the table of partial files
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
    DiscardDownload();
    if (commands) curl_slist_free_all(commands);
    commands = nullptr;
  }

  void DiscardDownload() {
    if (!download) return;
    download.reset();
    ReleasePartialSlot(slot);
  }

  RuntimeError ErrorOf(CURLcode code) const;

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
    std::error_code ec;
    s->download->Write(std::string_view(data, n), ec);
    s->writeError = ec.value();
    return ec ? 0 : n;
  }
};

InternetTransfer::InternetTransfer() = default;

InternetTransfer::~InternetTransfer() = default;

// What a finished operation's failure means to the user, in words of our own:
// the transfer library's texts are English and never reach a message.
RuntimeError InternetTransfer::Session::ErrorOf(CURLcode code) const {
  const std::string en = " del servidor FTP " + server;
  const std::string archivo = "el archivo " + remoteName;
  const bool listado = operation == Operation::Dir;
  // With no folder of its own, the session works in the login folder.
  const std::string carpeta = folderText.empty() ? "inicial" : folderText;
  const std::string lo = listado ? "el listado de la carpeta " + carpeta : archivo;
  const std::string delLo = listado ? "del listado de la carpeta " + carpeta : "del archivo " + remoteName;
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
    case CURLE_LOGIN_DENIED:
      return RuntimeError(kErrorServerRefused,
                          "El servidor FTP " + server + " no aceptó el usuario o la contraseña." + Respuesta(reply));
    case CURLE_REMOTE_ACCESS_DENIED:
      return RuntimeError(kErrorServerRefused, "No se encuentra la carpeta " + carpeta + en +
                                                   ", o no se puede entrar en ella." + Respuesta(reply));
    case CURLE_REMOTE_FILE_NOT_FOUND:
      return RuntimeError(kErrorServerRefused, "No se encuentra " + archivo + en + "." + Respuesta(reply));
    case CURLE_QUOTE_ERROR:
      return RuntimeError(kErrorServerRefused,
                          "El servidor FTP " + server + " no borró " + archivo + "." + Respuesta(reply));
    case CURLE_FTP_COULDNT_RETR_FILE:
      return RuntimeError(kErrorServerRefused, "El servidor FTP " + server + " no entregó " + lo + "." + Respuesta(reply));
    case CURLE_PARTIAL_FILE:
      return RuntimeError(kErrorTransfer, "Se recibió solo una parte " + delLo + en +
                                              ": la transferencia se cortó antes de terminar.");
    case CURLE_RECV_ERROR:
    case CURLE_SEND_ERROR:
    case CURLE_GOT_NOTHING:
      return RuntimeError(kErrorTransfer, "Se perdió la conexión con el servidor FTP " + server + ".");
    default:
      break;
  }
  // Anything else the server turned down: its own reply says why.
  if (!reply.empty() && (reply[0] == '4' || reply[0] == '5'))
    return RuntimeError(kErrorServerRefused,
                        "El servidor FTP " + server + " rechazó la operación." + Respuesta(reply));
  return RuntimeError(kErrorTransfer, "Falló la operación FTP con el servidor " + server + " (error " +
                                          std::to_string(static_cast<int>(code)) + " de la transferencia)");
}

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
  s.folderText = folder;
  s.remoteName.clear();
  curl_easy_reset(s.easy);
  curl_easy_setopt(s.easy, CURLOPT_NOBODY, 1L);
  Begin(Operation::Cd, s.folder);
}

void InternetTransfer::Dir() {
  Session& s = Idle();
  s.listing.clear();
  s.read = 0;
  s.remoteName.clear();
  curl_easy_reset(s.easy);
  curl_easy_setopt(s.easy, CURLOPT_DIRLISTONLY, 1L);
  curl_easy_setopt(s.easy, CURLOPT_WRITEFUNCTION, &Session::OnListing);
  curl_easy_setopt(s.easy, CURLOPT_WRITEDATA, &s);
  Begin(Operation::Dir, s.folder);
}

void InternetTransfer::Recv(std::string_view remoteName, const fs::path& localFile) {
  CheckText(remoteName, "El nombre del archivo remoto");
  Session& s = Idle();
  std::error_code ec;
  s.download.emplace(localFile, 0666, ".part", ec);
  if (ec) {
    s.download.reset();
    throw LocalFileError(ec.value(), localFile);
  }
  s.slot = ClaimPartialSlot(s.download->Temporary());
  s.target = localFile;
  s.remoteName = remoteName;
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
  s.remoteName = remoteName;
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
    // The folder was reached (a refused CWD is another error): a 550 to
    // its name listing is how some servers say it holds nothing.
    if (code == CURLE_FTP_COULDNT_RETR_FILE && s.operation == Operation::Dir && s.reply.starts_with("550")) {
      s.listing.clear();
      return false;
    }
    if (code != CURLE_OK) {
      s.DiscardDownload();
      throw s.ErrorOf(code);
    }
    if (s.operation == Operation::Recv) {
      std::error_code ec;
      s.download->Commit(ec);
      s.DiscardDownload();
      if (ec) throw LocalFileError(ec.value(), s.target);
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
