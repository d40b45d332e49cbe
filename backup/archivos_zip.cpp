#include "backup/archivos_zip.h"

#include <zip.h>

#include <array>
#include <memory>

#include "platform/drive/drive.h"
#include "platform/error.h"

namespace orvo::respaldo {

namespace fs = std::filesystem;

namespace {

[[noreturn]] void Danado(const fs::path& archivo, const std::string& motivo) {
  throw RuntimeError(3343, "El archivo " + archivo.filename().string() + " está dañado: " + motivo);
}

// An entry name that stays inside the folder it is extracted into.
bool NombreSeguro(std::string_view nombre) {
  if (nombre.empty() || nombre.front() == '/' || nombre.front() == '\\') return false;
  if (nombre.size() >= 2 && nombre[1] == ':') return false;
  std::size_t inicio = 0;
  while (inicio <= nombre.size()) {
    std::size_t fin = nombre.find_first_of("/\\", inicio);
    if (fin == std::string_view::npos) fin = nombre.size();
    if (nombre.substr(inicio, fin - inicio) == "..") return false;
    inicio = fin + 1;
  }
  return true;
}

}  // namespace

std::vector<std::string> PruebaZip(const fs::path& archivo) {
  int error = 0;
  std::unique_ptr<zip_t, decltype(&zip_discard)> zip(
      zip_open(archivo.c_str(), ZIP_RDONLY | ZIP_CHECKCONS, &error), zip_discard);
  if (!zip) {
    zip_error_t detalle;
    zip_error_init_with_code(&detalle, error);
    const std::string motivo = zip_error_strerror(&detalle);
    zip_error_fini(&detalle);
    Danado(archivo, motivo);
  }
  std::vector<std::string> nombres;
  std::array<char, 1 << 16> bloque{};
  const zip_int64_t cuantas = zip_get_num_entries(zip.get(), 0);
  for (zip_int64_t i = 0; i < cuantas; ++i) {
    const char* nombre = zip_get_name(zip.get(), static_cast<zip_uint64_t>(i), ZIP_FL_ENC_GUESS);
    if (nombre == nullptr) Danado(archivo, zip_strerror(zip.get()));
    if (!NombreSeguro(nombre)) Danado(archivo, std::string("nombre no permitido \"") + nombre + "\"");
    std::string_view vista(nombre);
    if (vista.ends_with('/')) continue;
    // Reading to the end makes the library compare the entry's check sum.
    std::unique_ptr<zip_file_t, decltype(&zip_fclose)> entrada(
        zip_fopen_index(zip.get(), static_cast<zip_uint64_t>(i), 0), zip_fclose);
    if (!entrada) Danado(archivo, std::string(nombre) + ": " + zip_strerror(zip.get()));
    zip_int64_t leidos = 0;
    while ((leidos = zip_fread(entrada.get(), bloque.data(), bloque.size())) > 0) {
    }
    if (leidos < 0) Danado(archivo, std::string(nombre) + ": " + zip_file_strerror(entrada.get()));
    nombres.emplace_back(vista);
  }
  return nombres;
}

std::string RutaWindows(const fs::path& ruta) {
  const fs::path raiz = fs::weakly_canonical(drive::Root());
  const fs::path absoluta = fs::weakly_canonical(ruta);
  const fs::path relativa = absoluta.lexically_relative(raiz);
  if (relativa.empty() || *relativa.begin() == "..") {
    throw RuntimeError(76, "No se ha encontrado la ruta de acceso: " + ruta.string());
  }
  std::string texto = "C:";
  if (relativa != ".") {
    for (const fs::path& parte : relativa) texto += "\\" + parte.string();
  }
  return texto;
}

}  // namespace orvo::respaldo
