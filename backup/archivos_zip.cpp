#include "backup/archivos_zip.h"

#include <algorithm>
#include <cstring>

#include "platform/drive/drive.h"
#include "backup/cgunzipfiles.h"
#include "backup/cgzipfiles.h"
#include "platform/error.h"
#include "platform/zip/result.h"
#include "platform/zip/unzip.h"

namespace orvo::backup {

namespace fs = std::filesystem;

namespace {

int Imprime(std::string& acumulado, const char* texto, unsigned long largo) {
  acumulado.append(texto, std::min<std::size_t>(largo, std::strlen(texto)));
  return 0;
}

}  // namespace

ResultadoZip Comprime(std::string_view archivo, const std::vector<std::string>& nombres, std::string_view raiz) {
  backup::CGZipFiles zip;
  zip.ZipFileName(std::string(archivo));
  zip.UpdatingZip(false);
  zip.RootDirectory(std::string(raiz));
  for (const std::string& nombre : nombres) zip.AddFile(nombre);
  ResultadoZip hecho;
  hecho.resultado = zip.MakeZipFile();
  hecho.mensaje = zip.GetLastMessage();
  return hecho;
}

ResultadoZip Extrae(std::string_view archivo, std::string_view carpeta, bool conservaCarpetas,
                    forms::Dialogs& dialogs, const std::string& titulo) {
  backup::CGUnzipFiles unzip(dialogs, titulo);
  unzip.ZipFileName(std::string(archivo));
  unzip.ExtractDir(std::string(carpeta));
  unzip.HonorDirectories(conservaCarpetas);
  ResultadoZip hecho;
  hecho.resultado = unzip.Unzip("", "");
  hecho.mensaje = unzip.GetLastMessage();
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
  return relativa == "." ? std::string("C:") : EnUnidadC(relativa);
}

std::string EnUnidadC(const fs::path& relativa) {
  std::string texto = "C:";
  for (const fs::path& parte : relativa) {
    texto += '\\';
    texto += parte.string();
  }
  return texto;
}

}  // namespace orvo::backup
