#include "import/texto_externo.h"

#include <iconv.h>

#include <cerrno>
#include <fstream>
#include <iterator>
#include <system_error>

namespace orvo::importer {

namespace {

bool EsAscii(std::string_view bytes) {
  for (char c : bytes)
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  return true;
}

// One descriptor per thread: opening one costs far more than a line.
class Conversor {
 public:
  Conversor() : cd_(iconv_open("UTF-8", "WINDOWS-1252")) {}
  ~Conversor() {
    if (cd_ != reinterpret_cast<iconv_t>(-1)) iconv_close(cd_);
  }
  Conversor(const Conversor&) = delete;
  Conversor& operator=(const Conversor&) = delete;

  // Converts all of `bytes`; an undefined byte becomes `reemplazo`, or stops
  // the conversion (false) when `reemplazo` is null.
  bool Convierte(std::string_view bytes, std::string& salida, const char* reemplazo) {
    if (cd_ == reinterpret_cast<iconv_t>(-1)) return false;
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    salida.clear();
    char* entrada = const_cast<char*>(bytes.data());
    std::size_t quedan = bytes.size();
    char bloque[256];
    while (quedan > 0) {
      char* destino = bloque;
      std::size_t libre = sizeof bloque;
      std::size_t r = iconv(cd_, &entrada, &quedan, &destino, &libre);
      salida.append(bloque, static_cast<std::size_t>(destino - bloque));
      if (r != static_cast<std::size_t>(-1)) continue;
      if (errno == E2BIG) continue;
      if (reemplazo == nullptr) return false;
      salida += reemplazo;
      ++entrada;
      --quedan;
    }
    return true;
  }

 private:
  iconv_t cd_;
};

Conversor& ConversorDelHilo() {
  thread_local Conversor conversor;
  return conversor;
}

}  // namespace

std::optional<std::string> LeeArchivo(const std::filesystem::path& archivo) {
  std::error_code ec;
  if (std::filesystem::is_directory(archivo, ec)) return std::nullopt;
  std::ifstream in(archivo, std::ios::binary);
  if (!in) return std::nullopt;
  std::string contenido;
  if (auto tam = std::filesystem::file_size(archivo, ec); !ec) contenido.reserve(tam);
  contenido.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  if (in.bad()) return std::nullopt;
  return contenido;
}

std::vector<Linea> Lineas(std::string_view contenido) {
  std::vector<Linea> lineas;
  std::size_t numero = 0;
  std::size_t desde = 0;
  while (desde < contenido.size()) {
    std::size_t fin = contenido.find('\n', desde);
    std::size_t siguiente = fin == std::string_view::npos ? contenido.size() : fin + 1;
    if (fin == std::string_view::npos) fin = contenido.size();
    std::string_view bytes = contenido.substr(desde, fin - desde);
    if (!bytes.empty() && bytes.back() == '\r') bytes.remove_suffix(1);
    lineas.push_back({++numero, bytes});
    desde = siguiente;
  }
  return lineas;
}

bool EsLineaVacia(std::string_view bytes) {
  return bytes.find_first_not_of(" \t") == std::string_view::npos;
}

std::optional<std::string> DesdeWindows1252(std::string_view bytes) {
  if (EsAscii(bytes)) return std::string(bytes);
  std::string salida;
  if (!ConversorDelHilo().Convierte(bytes, salida, nullptr)) return std::nullopt;
  return salida;
}

std::string Windows1252Legible(std::string_view bytes) {
  if (EsAscii(bytes)) return std::string(bytes);
  std::string salida;
  ConversorDelHilo().Convierte(bytes, salida, "\xEF\xBF\xBD");
  return salida;
}

}  // namespace orvo::importer
