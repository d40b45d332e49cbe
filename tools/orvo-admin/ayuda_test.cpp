// orvo-admin as its user meets it: help, wrong arguments, file-system errors.
#include "tools/orvo-admin/ayuda.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "platform/testsupport/temp_drive.h"

namespace orvo::admin {
namespace {
namespace fs = std::filesystem;
using orvo::testing::TempDrive;

struct Salida {
  int estado = -1;
  std::string out, err;
};

// Runs the real orvo-admin with `args` (each word quoted for the shell).
Salida Corre(const TempDrive& c, const std::vector<std::string>& args, const std::string& entorno = "") {
  std::string orden = entorno + " " + ORVO_ADMIN;
  for (const std::string& a : args) orden += " '" + a + "'";
  const fs::path out = c.Path("salida.txt"), err = c.Path("errores.txt");
  orden += " >'" + out.string() + "' 2>'" + err.string() + "' </dev/null";
  Salida s;
  const int status = std::system(orden.c_str());
  s.estado = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  s.out = orvo::testing::ReadFile(out);
  s.err = orvo::testing::ReadFile(err);
  fs::remove(out);
  fs::remove(err);
  return s;
}

TEST(AyudaTest, HelpExplainsEveryVerbAndEachVerbOnItsOwn) {
  TempDrive c;
  for (const auto& args : std::vector<std::vector<std::string>>{{"help"}, {"--help"}, {"-h"}}) {
    SCOPED_TRACE(args[0]);
    const Salida s = Corre(c, args);
    EXPECT_EQ(s.estado, 0);
    EXPECT_EQ(s.err, "");
    for (const char* uso : {"orvo-admin newdb [--if-missing] [--empresa NOMBRE]", "orvo-admin launch PROGRAMA",
                            "orvo-admin classify [ARCHIVO]", "orvo-admin where", "orvo-admin help [ORDEN]"}) {
      EXPECT_NE(s.out.find(uso), std::string::npos) << uso << "\n" << s.out;
    }
  }
  const struct {
    std::vector<std::string> args;
    std::string uso;
    std::string dice;
  } verbos[] = {
      {{"newdb", "--help"}, "Uso: orvo-admin newdb [--if-missing] [--empresa NOMBRE]", "no deja nada a medias"},
      {{"help", "launch"}, "Uso: orvo-admin launch PROGRAMA [ARGUMENTOS...]", "marcador de inicio"},
      {{"classify", "-h"}, "Uso: orvo-admin classify [ARCHIVO]", "\"Id,Fecha,Hora\""},
      {{"classify", "--help"}, "Uso: orvo-admin classify [ARCHIVO]", "-> C1: ENTRADA 1 TARDE, retardo 00:31"},
      {{"where", "--help"}, "Uso: orvo-admin where", "No necesita pantalla"},
  };
  for (const auto& v : verbos) {
    SCOPED_TRACE(v.args[0] + " " + v.args[1]);
    const Salida s = Corre(c, v.args);
    EXPECT_EQ(s.estado, 0);
    EXPECT_EQ(s.out.rfind(v.uso + "\n", 0), 0u) << s.out;
    EXPECT_NE(s.out.find(v.dice), std::string::npos) << s.out;
  }
  EXPECT_TRUE(fs::is_empty(c.Root()) || !fs::exists(c.Path("Quiravel"))) << "help makes nothing";
}

TEST(AyudaTest, AWrongArgumentIsNamedWithTheReasonAndTheVerbsUsage) {
  TempDrive c;
  const struct {
    std::vector<std::string> args;
    std::string dice;
  } casos[] = {
      {{"newdb", "--empresa"}, "orvo-admin newdb: falta el valor de --empresa"},
      {{"newdb", "--empresa", "--if-missing"}, "orvo-admin newdb: falta el valor de --empresa"},
      {{"newdb", "--si-falta"}, "orvo-admin newdb: opción desconocida: --si-falta"},
      {{"newdb", "Aceros"}, "orvo-admin newdb: argumento de más: Aceros"},
      {{"where", "ahora"}, "orvo-admin where: no admite argumentos, y se dio: ahora"},
      {{"classify", "a.txt", "b.txt"}, "orvo-admin classify: argumento de más: b.txt"},
      {{"classify", "--todo"}, "orvo-admin classify: opción desconocida: --todo"},
      {{"launch"}, "orvo-admin launch: falta el programa que iniciar"},
      {{"help", "newdb", "launch"}, "orvo-admin help: argumento de más: launch"},
      {{"nuevabase"}, "orvo-admin: no existe la orden \"nuevabase\""},
      {{"help", "nuevabase"}, "orvo-admin: no existe la orden \"nuevabase\""},
      {{}, "orvo-admin newdb [--if-missing]"},
  };
  for (const auto& caso : casos) {
    SCOPED_TRACE(caso.dice);
    const Salida s = Corre(c, caso.args);
    EXPECT_EQ(s.estado, kEstadoUso);
    EXPECT_EQ(s.out, "");
    EXPECT_NE(s.err.find(caso.dice), std::string::npos) << s.err;
    if (caso.args.size() > 1 && caso.args[0] != "help") {
      EXPECT_NE(s.err.find("Uso: orvo-admin " + caso.args[0]), std::string::npos) << s.err;
    }
  }
  EXPECT_FALSE(fs::exists(c.Path("Quiravel"))) << "a refused newdb makes nothing";
}

TEST(AyudaTest, ClassifyGivenAFolderOrAMissingFileSaysSo) {
  TempDrive c;
  ASSERT_EQ(Corre(c, {"newdb"}).estado, 0);
  fs::create_directories(c.Path("checadas"));
  Salida s = Corre(c, {"classify", c.Path("checadas").string()});
  EXPECT_EQ(s.estado, 1);
  EXPECT_EQ(s.out, "");
  EXPECT_NE(s.err.find(c.Path("checadas").string() + " es una carpeta"), std::string::npos) << s.err;

  s = Corre(c, {"classify", c.Path("no hay.txt").string()});
  EXPECT_EQ(s.estado, 1);
  EXPECT_EQ(s.err, "Error 76: No se ha encontrado la ruta de acceso: '" + c.Path("no hay.txt").string() + "'\n");
}

TEST(AyudaTest, FileSystemErrorsComeInSpanishWithThePath) {
  TempDrive c;
  orvo::testing::WriteFile(c.Path("archivo"), "x");
  fs::create_directory_symlink("/sys", c.Path("sistema"));  // refused even to root
  // Drive C: where no folder can be made: the run time's number and text, as
  // the windows' error box and the backup classes give them.
  const struct {
    fs::path unidad;
    std::string error;
  } casos[] = {
      {c.Path("archivo/c"), "Error 76: No se ha encontrado la ruta de acceso: '"},
      {c.Path(std::string(300, 'n') + "/c"), "Error 52: Nombre o número de archivo incorrecto: '"},
      {c.Path("sistema/c"), "Error 70: Permiso denegado: '"},
  };
  for (const auto& caso : casos) {
    SCOPED_TRACE(caso.unidad.string());
    const Salida s = Corre(c, {"newdb"}, "ORVO_DRIVE_C='" + caso.unidad.string() + "'");
    EXPECT_EQ(s.estado, 1);
    EXPECT_EQ(s.err.rfind(caso.error + c.Root().string(), 0), 0u) << s.err;
    EXPECT_EQ(s.err.find("Not a directory"), std::string::npos) << s.err;
    EXPECT_EQ(s.err.find("File name too long"), std::string::npos) << s.err;
  }
}

}  // namespace
}  // namespace orvo::admin
