#include "common/lanzamiento.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "platform/error.h"
#include "platform/forms/scripted_dialogs.h"
#include "platform/testsupport/temp_drive.h"

namespace orvo::common {
namespace {

namespace fs = std::filesystem;
using forms::ScriptedDialogs;
using testing::ReadFile;
using testing::WriteFile;

class Lanzamiento : public ::testing::Test {
 protected:
  void SetUp() override { fs::create_directories(carpeta); }

  // The names in the program folder, so a test sees stray files as well.
  std::set<std::string> Nombres() const {
    std::set<std::string> nombres;
    for (const auto& e : fs::directory_iterator(carpeta)) nombres.insert(e.path().filename());
    return nombres;
  }

  void ExpectRechazo(const ScriptedDialogs& cajas) const {
    ASSERT_EQ(cajas.shown.size(), 1u);
    const auto& caja = cajas.shown[0];
    EXPECT_EQ(caja.kind, ScriptedDialogs::Shown::Message);
    EXPECT_EQ(caja.text, "Este Modulo solo se ejecuta desde Orvo Rivuvurazozer");
    EXPECT_EQ(caja.title, "Orvo");
    EXPECT_EQ(caja.icon, forms::Icon::Exclamation);
    EXPECT_EQ(caja.buttons, forms::Buttons::Ok);
  }

  testing::TempDrive c;
  fs::path carpeta = c.Path("Programa");
};

TEST_F(Lanzamiento, SinMarcadorMuestraElRechazoYNoSigue) {
  ScriptedDialogs cajas;
  EXPECT_FALSE(PruebaMarcador(carpeta, kMarcadorSnapload, cajas));
  ExpectRechazo(cajas);
  EXPECT_TRUE(Nombres().empty());
}

TEST_F(Lanzamiento, CadaMarcadorPermiteUnaSolaEjecucion) {
  for (const std::string_view marcador :
       {kMarcadorLinkset, kMarcadorRelevo, kMarcadorSnapmake, kMarcadorSnapload}) {
    SCOPED_TRACE(std::string(marcador));
    CreaMarcador(carpeta, marcador);
    EXPECT_EQ(Nombres(), std::set<std::string>{std::string(marcador)});

    ScriptedDialogs primera;
    EXPECT_TRUE(PruebaMarcador(carpeta, marcador, primera));
    EXPECT_TRUE(primera.shown.empty());
    EXPECT_TRUE(Nombres().empty());

    ScriptedDialogs segunda;
    EXPECT_FALSE(PruebaMarcador(carpeta, marcador, segunda));
    ExpectRechazo(segunda);
  }
  EXPECT_EQ(kMarcadorLinkset, "RevFTP");
  EXPECT_EQ(kMarcadorRelevo, "RevTI");
  EXPECT_EQ(kMarcadorSnapmake, "RevSnapmake");
  EXPECT_EQ(kMarcadorSnapload, "RevSnapload");
}

TEST_F(Lanzamiento, ElMarcadorDeOtraHerramientaNoSirve) {
  CreaMarcador(carpeta, kMarcadorSnapmake);
  ScriptedDialogs cajas;
  EXPECT_FALSE(PruebaMarcador(carpeta, kMarcadorSnapload, cajas));
  ExpectRechazo(cajas);
  EXPECT_EQ(Nombres(), std::set<std::string>{"RevSnapmake"});
}

TEST_F(Lanzamiento, UnMarcadorDeSoloLecturaSeBorraIgual) {
  const fs::path marcador = carpeta / "RevTI";
  WriteFile(marcador, "");
  fs::permissions(marcador, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  ScriptedDialogs cajas;
  EXPECT_TRUE(PruebaMarcador(carpeta, kMarcadorRelevo, cajas));
  EXPECT_TRUE(cajas.shown.empty());
  EXPECT_FALSE(fs::exists(marcador));
}

TEST_F(Lanzamiento, UnMarcadorEscritoConOtrasMayusculasSirve) {
  // A Windows caller may spell it so; the content is never read either.
  WriteFile(carpeta / "REVsnapMAKE", "no importa");
  ScriptedDialogs cajas;
  EXPECT_TRUE(PruebaMarcador(carpeta, kMarcadorSnapmake, cajas));
  EXPECT_TRUE(cajas.shown.empty());
  EXPECT_TRUE(Nombres().empty());
}

TEST_F(Lanzamiento, UnaCarpetaConElNombreDelMarcadorNoEsMarcador) {
  fs::create_directory(carpeta / "RevFTP");
  ScriptedDialogs cajas;
  EXPECT_FALSE(PruebaMarcador(carpeta, kMarcadorLinkset, cajas));
  ExpectRechazo(cajas);
  EXPECT_TRUE(fs::is_directory(carpeta / "RevFTP"));
}

TEST_F(Lanzamiento, CreaMarcadorReemplazaCualquierArchivoDeEseNombre) {
  WriteFile(carpeta / "revsnapmake", "restos");
  WriteFile(carpeta / "RevSnapmake", "contenido anterior");
  fs::permissions(carpeta / "RevSnapmake", fs::perms::owner_read);
  CreaMarcador(carpeta, kMarcadorSnapmake);
  EXPECT_EQ(Nombres(), std::set<std::string>{"RevSnapmake"});
  EXPECT_EQ(fs::file_size(carpeta / "RevSnapmake"), 0u);
}

TEST_F(Lanzamiento, CreaMarcadorEnUnaCarpetaQueNoExisteFalla) {
  const fs::path falta = carpeta / "no-existe";
  try {
    CreaMarcador(falta, kMarcadorSnapmake);
    FAIL() << "no error";
  } catch (const RuntimeError& e) {
    EXPECT_EQ(e.number, 76);
    EXPECT_NE(std::string(e.what()).find((falta / "RevSnapmake").string()), std::string::npos)
        << e.what();
  }
}

TEST_F(Lanzamiento, ElResultadoTieneExactamenteSusBytes) {
  const struct {
    Resultado resultado;
    std::string bytes;
  } casos[] = {
      {Resultado::Ok, std::string("ok\r\n")},
      {Resultado::Err, std::string("err\r\n")},
      {Resultado::Salir, std::string("salir\r\n")},
      {Resultado::Vacio, std::string()},
  };
  for (const auto& caso : casos) {
    SCOPED_TRACE(caso.bytes.size());
    EscribeResultado(carpeta, caso.resultado);
    EXPECT_EQ(ReadFile(carpeta / "crtd"), caso.bytes);
    EXPECT_EQ(fs::file_size(carpeta / "crtd"), caso.bytes.size());
    EXPECT_EQ(Nombres(), std::set<std::string>{"crtd"});  // no temporary file left
  }
}

TEST_F(Lanzamiento, UnResultadoAnteriorSeSobrescribe) {
  WriteFile(carpeta / "crtd", "un resultado mucho mas largo que el nuevo\r\n");
  fs::permissions(carpeta / "crtd", fs::perms::owner_read);
  EscribeResultado(carpeta, Resultado::Ok);
  EXPECT_EQ(ReadFile(carpeta / "crtd"), "ok\r\n");
  EscribeResultado(carpeta, Resultado::Vacio);
  EXPECT_EQ(ReadFile(carpeta / "crtd"), "");
  EXPECT_EQ(Nombres(), std::set<std::string>{"crtd"});
}

TEST_F(Lanzamiento, QuienEsperaElResultadoNuncaLoVeAMedias) {
  // A writer that truncated "crtd" in place would show an empty or cut file
  // between its steps; the poller here must only ever see whole results.
  std::atomic<bool> fin{false};
  std::vector<std::string> vistos;
  std::thread lector([&] {
    while (!fin) {
      std::ifstream in(carpeta / "crtd", std::ios::binary);
      if (!in) continue;
      std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
      if (bytes != "ok\r\n" && bytes != "salir\r\n") vistos.push_back(bytes);
    }
  });
  for (int i = 0; i < 1000; ++i)
    EscribeResultado(carpeta, i % 2 ? Resultado::Ok : Resultado::Salir);
  fin = true;
  lector.join();
  EXPECT_TRUE(vistos.empty()) << vistos.size() << " partial reads, first \"" << vistos.front()
                              << '"';
  EXPECT_EQ(Nombres(), std::set<std::string>{"crtd"});
}

TEST_F(Lanzamiento, ElResultadoEnUnaCarpetaQueNoExisteFallaNombrandoLaRuta) {
  const fs::path falta = carpeta / "no-existe";
  try {
    EscribeResultado(falta, Resultado::Ok);
    FAIL() << "no error";
  } catch (const RuntimeError& e) {
    EXPECT_EQ(e.number, 76);
    EXPECT_NE(std::string(e.what()).find((falta / "crtd").string()), std::string::npos) << e.what();
  }
}

TEST_F(Lanzamiento, ElResultadoEnUnaCarpetaSinPermisoFallaSinDejarRestos) {
  if (::geteuid() == 0) GTEST_SKIP() << "root writes into any folder";
  fs::permissions(carpeta, fs::perms::owner_read | fs::perms::owner_exec);
  try {
    EscribeResultado(carpeta, Resultado::Ok);
    ADD_FAILURE() << "no error";
  } catch (const RuntimeError& e) {
    EXPECT_EQ(e.number, 70);
    EXPECT_NE(std::string(e.what()).find((carpeta / "crtd").string()), std::string::npos)
        << e.what();
  }
  EXPECT_TRUE(Nombres().empty());
  fs::permissions(carpeta, fs::perms::owner_all);
}

}  // namespace
}  // namespace orvo::common
