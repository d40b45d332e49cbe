// Test fixture of the backup and restore tests: a private drive C: with a main
// database made as the administrator program makes it and a small data tree,
// a private program folder for markers and result files, and the real
// Snapmake (or a stand-in script) to start from it.
#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/testsupport/temp_drive.h"

namespace orvo::backup::prueba {

struct Prueba {
  Prueba();

  // Rows in some of the wiped tables and files in every folder a set takes.
  void Llena();

  // Changes after a backup of what a restore puts back: a row added and
  // rows deleted, files changed at the top, in a subfolder and in a
  // companion's folder, and a file added at the top.
  void Cambia();

  // Runs SQL on the main database with a connection of its own, closed after.
  void Sql(const std::string& sql);
  // How many rows a table holds.
  long Filas(const std::string& tabla);
  // What the engine's full integrity check says of the main database ("ok").
  std::string Integridad();

  // The data as a user sees it: every file under C: except the backup folder
  // and the main database (path -> bytes), plus every row of every table of
  // the main database ("tabla" -> rows as text, in rowid order).
  using Estado = std::map<std::string, std::string>;
  Estado Captura();

  // The result file's bytes; nullopt when there is none.
  std::optional<std::string> Crtd() const;

  // Puts the built Snapmake into the program folder.
  void InstalaSnapmake() const;
  // A shell script named Snapmake in the program folder.
  void FalsoSnapmake(const std::string& cuerpo) const;

  // Runs the real Snapmake unattended, as Snapload starts it, and waits for
  // its end; gives its exit status.
  int RespaldoDesatendido() const;
  // Makes a set of the data as it stands now with the real Snapmake (which
  // must be installed); the name of its main archive, empty when none came.
  std::string NuevoRespaldo() const;

  // The archives in the backup folder, by name.
  std::vector<std::string> Respaldos() const;
  // The entry names of an archive, as Info-ZIP's unzip lists them.
  std::vector<std::string> Entradas(const std::filesystem::path& archivo) const;

  std::filesystem::path Respaldo() const { return c.Path("Quiravel/orvoBackup"); }

  orvo::testing::TempDrive c;
  std::filesystem::path programa;  // the program folder of every program started, $ORVO_PROGRAM_FOLDER
};

}  // namespace orvo::backup::prueba
