#include "common/error_archivo.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>

namespace orvo::common {
namespace {
namespace fs = std::filesystem;

TEST(ErrorArchivoTest, EachFailureGetsTheRunTimesNumberAndSpanishWordsWithThePath) {
  const struct {
    int error;
    int numero;
    std::string texto;
  } casos[] = {
      {ENOENT, 76, "No se ha encontrado la ruta de acceso"},
      {ENOTDIR, 76, "No se ha encontrado la ruta de acceso"},
      {EACCES, 70, "Permiso denegado"},
      {EROFS, 70, "Permiso denegado"},
      {EEXIST, 58, "El archivo ya existe"},
      {ENOSPC, 61, "Disco lleno"},
      {EIO, 57, "Error de E/S en el dispositivo"},
      {EISDIR, 75, "Error de acceso a la ruta o el archivo"},
      {0, 75, "Error de acceso a la ruta o el archivo"},
  };
  for (const auto& c : casos) {
    SCOPED_TRACE(c.error);
    const RuntimeError e = ErrorArchivo(c.error, "/datos/año 1/x.mdb");
    EXPECT_EQ(e.number, c.numero);
    EXPECT_EQ(std::string(e.what()), c.texto + ": /datos/año 1/x.mdb");
  }
}

TEST(ErrorArchivoTest, WhatTheFileSystemThrewNamesItsFirstPath) {
  const fs::path falta = fs::temp_directory_path() / "orvo-no-existe" / "Quiravel.mdb";
  try {
    (void)fs::file_size(falta);
    FAIL() << "no error";
  } catch (const fs::filesystem_error& fallo) {
    const RuntimeError e = ErrorArchivo(fallo);
    EXPECT_EQ(e.number, 76);
    EXPECT_EQ(std::string(e.what()), "No se ha encontrado la ruta de acceso: " + falta.string());
  }
}

}  // namespace
}  // namespace orvo::common
