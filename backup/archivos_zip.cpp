#include "backup/archivos_zip.h"

#include <algorithm>
#include <cstring>

#include "platform/drive/drive.h"
#include "platform/error.h"
#include "platform/zip/result.h"
#include "platform/zip/unzip.h"
#include "platform/zip/zip_archive.h"

namespace orvo::respaldo {

namespace fs = std::filesystem;

namespace {

// The calls the wrapper classes make, for this file's adapters.
int Imprime(std::string& acumulado, const char* texto, unsigned long largo) {
  acumulado.append(texto, std::min<std::size_t>(largo, std::strlen(texto)));
  return 0;
}

}  // namespace

ResultadoZip Comprime(std::string_view archivo, const std::vector<std::string>& nombres, std::string_view raiz) {
  ResultadoZip hecho;
  zip::ZipUserFunctions funciones;
  funciones.print = [&](const char* texto, unsigned long largo) { return Imprime(hecho.mensaje, texto, largo); };
  zip::ZpInit(funciones);
  zip::ZpOptions opciones;
  opciones.rootDir = std::string(raiz);
  zip::ZpSetOptions(opciones);
  hecho.resultado = zip::ZpArchive(static_cast<long>(nombres.size()), archivo, nombres);
  return hecho;
}

ResultadoZip Extrae(std::string_view archivo, std::string_view carpeta, bool conservaCarpetas) {
  ResultadoZip hecho;
  zip::UnzipOptions opciones;
  opciones.zipFileName = std::string(archivo);
  opciones.extractDir = std::string(carpeta);
  opciones.honorDirectories = conservaCarpetas ? 1 : 0;
  opciones.overwriteFiles = 1;
  opciones.quietLevel = 2;
  zip::UnzipUserFunctions funciones;
  funciones.print = [&](const char* texto, unsigned long largo) { return Imprime(hecho.mensaje, texto, largo); };
  hecho.resultado = zip::Wiz_SingleEntryUnzip(opciones, funciones);
  return hecho;
}

std::vector<std::string> PruebaZip(const fs::path& archivo) {
  zip::UnzipOptions opciones;
  opciones.zipFileName = RutaWindows(archivo);
  opciones.test = 1;
  opciones.quietLevel = 2;
  std::vector<std::string> nombres;
  std::string mensaje;
  zip::UnzipUserFunctions funciones;
  funciones.print = [&](const char* texto, unsigned long largo) { return Imprime(mensaje, texto, largo); };
  funciones.message = [&](const zip::EntryDetails& entrada) {
    if (!entrada.name.ends_with('/')) nombres.push_back(entrada.name);
  };
  if (zip::Wiz_SingleEntryUnzip(opciones, funciones) != zip::kOk) {
    throw RuntimeError(3343, "El archivo " + archivo.filename().string() + " está dañado:\n" + mensaje);
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
