#include "common/texto_externo.h"

#include <iconv.h>

#include <cerrno>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <system_error>

#include "platform/db/database_file.h"

namespace orvo::common {

namespace {

constexpr const char* kReemplazo = "\xEF\xBF\xBD";  // U+FFFD
constexpr const char* kSimboloNul = "\xE2\x90\x80";  // U+2400

// ASCII without NUL reads the same in every encoding here.
bool EsAsciiSinNul(std::string_view bytes) {
  for (char c : bytes)
    if (c == '\0' || static_cast<unsigned char>(c) >= 0x80) return false;
  return true;
}

// One descriptor per direction and thread: opening one costs far more than a line.
class Conversor {
 public:
  // With `copiaEntrada` the converter only validates: what it accepts is
  // copied from the input and its own output is dropped.
  Conversor(const char* a, const char* desde, bool copiaEntrada = false)
      : cd_(iconv_open(a, desde)), copiaEntrada_(copiaEntrada) {}
  ~Conversor() {
    if (Abierto()) iconv_close(cd_);
  }
  Conversor(const Conversor&) = delete;
  Conversor& operator=(const Conversor&) = delete;

  // Converts all of `bytes`; an invalid byte becomes `reemplazo`, or stops
  // the conversion (false, with its offset in `fallo`) when `reemplazo` is null.
  bool Convierte(std::string_view bytes, std::string& salida, const char* reemplazo,
                 std::size_t* fallo = nullptr) {
    salida.clear();
    if (!Abierto()) {
      if (fallo) *fallo = 0;
      return false;
    }
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    char* entrada = const_cast<char*>(bytes.data());
    std::size_t quedan = bytes.size();
    char bloque[256];
    // A sequence cut short at the end is as invalid as a wrong one.
    auto invalido = [&]() {
      if (reemplazo == nullptr) {
        if (fallo) *fallo = bytes.size() - quedan;
        return false;
      }
      salida += reemplazo;
      ++entrada;
      --quedan;
      iconv(cd_, nullptr, nullptr, nullptr, nullptr);
      return true;
    };
    while (quedan > 0) {
      char* destino = bloque;
      std::size_t libre = sizeof bloque;
      const char* antes = entrada;
      std::size_t r = iconv(cd_, &entrada, &quedan, &destino, &libre);
      if (copiaEntrada_) {
        salida.append(antes, static_cast<std::size_t>(entrada - antes));
      } else {
        salida.append(bloque, static_cast<std::size_t>(destino - bloque));
      }
      if (r != static_cast<std::size_t>(-1)) continue;
      if (errno == E2BIG) continue;
      if (!invalido()) return false;
    }
    return true;
  }

 private:
  bool Abierto() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
  iconv_t cd_;
  bool copiaEntrada_;
};

Conversor& Lector(Codificacion codificacion) {
  // UTF-8 is checked by converting it to UTF-16, which holds exactly the
  // characters UTF-8 may encode (glibc's UTF-8 to UTF-8 lets through the old
  // five- and six-byte forms).
  thread_local Conversor cp1252("UTF-8", "WINDOWS-1252");
  thread_local Conversor utf8("UTF-16LE", "UTF-8", true);
  return codificacion == Codificacion::Utf8 ? utf8 : cp1252;
}

bool EsContinuacion(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// Where the UTF-8 character at bytes[i] ends. A lead byte and the continuation
// bytes that follow it make one character; a continuation byte with no lead
// before it is a character of its own.
std::size_t FinDeCaracterUtf8(std::string_view bytes, std::size_t i) {
  const bool inicio = !EsContinuacion(bytes[i]);
  ++i;
  if (inicio)
    while (i < bytes.size() && EsContinuacion(bytes[i])) ++i;
  return i;
}

}  // namespace

std::optional<std::string> LeeArchivo(const std::filesystem::path& archivo) {
  std::error_code ec;
  if (std::filesystem::is_directory(archivo, ec)) return std::nullopt;
  // A database is no text file; and reading one by other means than the
  // engine would take away the locks of this program's own connection to it.
  if (db::IsDatabaseFile(archivo)) return std::nullopt;
  std::ifstream in(archivo, std::ios::binary);
  if (!in) return std::nullopt;
  std::string contenido;
  if (auto tam = std::filesystem::file_size(archivo, ec); !ec) contenido.reserve(tam);
  contenido.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  if (in.bad()) return std::nullopt;
  return contenido;
}

std::vector<Linea> Lineas(std::string_view contenido) {
  Codificacion codificacion = Codificacion::Windows1252;
  if (contenido.starts_with(kMarcaUtf8)) {
    contenido.remove_prefix(kMarcaUtf8.size());
    codificacion = Codificacion::Utf8;
  }
  // The DOS end of file: a Ctrl-Z with nothing after it but more of the
  // same, blanks and line ends. Lines after a Ctrl-Z are text it would hide.
  const std::size_t ultimo = contenido.find_last_not_of(std::string_view("\x1A \t\r\n", 5));
  const std::size_t cola = ultimo == std::string_view::npos ? 0 : ultimo + 1;
  contenido = contenido.substr(0, contenido.find(kFinDeArchivo, cola));
  std::vector<Linea> lineas;
  std::size_t numero = 0;
  std::size_t desde = 0;
  while (desde < contenido.size()) {
    std::size_t fin = contenido.find('\n', desde);
    std::size_t siguiente = fin == std::string_view::npos ? contenido.size() : fin + 1;
    if (fin == std::string_view::npos) fin = contenido.size();
    std::string_view bytes = contenido.substr(desde, fin - desde);
    if (!bytes.empty() && bytes.back() == '\r') bytes.remove_suffix(1);
    lineas.push_back({++numero, bytes, codificacion});
    desde = siguiente;
  }
  return lineas;
}

bool TieneFinDeArchivo(const Linea& l) { return l.bytes.find(kFinDeArchivo) != std::string_view::npos; }

bool EsLineaVacia(std::string_view bytes) { return SinBlancos(bytes).empty(); }

std::string_view SinBlancos(std::string_view texto) {
  const auto b = texto.find_first_not_of(" \t");
  if (b == std::string_view::npos) return {};
  return texto.substr(b, texto.find_last_not_of(" \t") - b + 1);
}

std::string_view CortaCaracteres(std::string_view bytes, Codificacion codificacion, std::size_t desde,
                                 std::size_t ancho) {
  if (codificacion == Codificacion::Windows1252) {
    return desde < bytes.size() ? bytes.substr(desde, ancho) : std::string_view();
  }
  std::size_t inicio = 0;
  for (std::size_t n = 0; n < desde && inicio < bytes.size(); ++n) inicio = FinDeCaracterUtf8(bytes, inicio);
  std::size_t fin = inicio;
  for (std::size_t n = 0; n < ancho && fin < bytes.size(); ++n) fin = FinDeCaracterUtf8(bytes, fin);
  return bytes.substr(inicio, fin - inicio);
}

std::size_t CuentaCaracteres(std::string_view bytes, Codificacion codificacion) {
  if (codificacion == Codificacion::Windows1252) return bytes.size();
  std::size_t n = 0;
  for (std::size_t i = 0; i < bytes.size(); i = FinDeCaracterUtf8(bytes, i)) ++n;
  return n;
}

std::optional<std::string> Decodifica(std::string_view bytes, Codificacion codificacion) {
  if (EsAsciiSinNul(bytes)) return std::string(bytes);
  if (bytes.find('\0') != std::string_view::npos) return std::nullopt;
  std::string salida;
  if (!Lector(codificacion).Convierte(bytes, salida, nullptr)) return std::nullopt;
  return salida;
}

std::optional<std::string> CaracterRechazado(std::string_view bytes, Codificacion codificacion) {
  if (EsAsciiSinNul(bytes)) return std::nullopt;
  const std::size_t nul = bytes.find('\0');
  std::string salida;
  std::size_t fallo = 0;
  const bool bien = Lector(codificacion).Convierte(bytes.substr(0, nul), salida, nullptr, &fallo);
  if (bien) {
    if (nul == std::string_view::npos) return std::nullopt;
    return "NUL";
  }
  char texto[32];
  std::snprintf(texto, sizeof texto, "el byte 0x%02X", static_cast<unsigned>(static_cast<unsigned char>(bytes[fallo])));
  return std::string(texto);
}

std::string Legible(std::string_view bytes, Codificacion codificacion) {
  if (EsAsciiSinNul(bytes)) return std::string(bytes);
  std::string salida;
  std::string parte;
  for (std::size_t desde = 0;;) {
    const std::size_t nul = bytes.find('\0', desde);
    Lector(codificacion).Convierte(bytes.substr(desde, nul - desde), parte, kReemplazo);
    salida += parte;
    if (nul == std::string_view::npos) break;
    salida += kSimboloNul;
    desde = nul + 1;
  }
  return salida;
}

std::optional<std::string> AWindows1252(std::string_view utf8) {
  if (EsAsciiSinNul(utf8)) return std::string(utf8);
  thread_local Conversor escritor("WINDOWS-1252", "UTF-8");
  std::string salida;
  if (!escritor.Convierte(utf8, salida, nullptr)) return std::nullopt;
  return salida;
}

}  // namespace orvo::common
