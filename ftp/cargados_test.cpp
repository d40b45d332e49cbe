#include "ftp/cargados.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/error.h"
#include "platform/testsupport/temp_drive.h"

namespace orvo::ftp {
namespace {

using ::testing::HasSubstr;
namespace fs = std::filesystem;

TEST(CargadosTest, TheSameNameSizeAndDigestIsTheSameFile) {
  orvo::testing::TempDrive c;
  fs::create_directories(c.Path("Quiravel/poleosInternet"));
  const HuellaArchivo abc = Huella("a.dat", "abc");
  EXPECT_EQ(abc.tamano, 3u);
  EXPECT_EQ(abc.sha256, "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  EXPECT_FALSE(YaCargado(abc));  // no record yet

  AnotaCargado(abc);
  EXPECT_TRUE(YaCargado(abc));
  EXPECT_FALSE(YaCargado(Huella("a.dat", "abd")));  // more punches written into the same name
  EXPECT_FALSE(YaCargado(Huella("b.dat", "abc")));
  EXPECT_FALSE(YaCargado(Huella("A.DAT", "abc")));

  // A line cut short by a crash: the next one still stands on its own.
  const fs::path registro = c.Path("Quiravel/poleosInternet/cargados.txt");
  orvo::testing::WriteFile(registro, orvo::testing::ReadFile(registro) + "b.dat\t3\tba78");
  const HuellaArchivo otra = Huella("c.dat", "");
  AnotaCargado(otra);
  EXPECT_TRUE(YaCargado(otra));
  EXPECT_TRUE(YaCargado(abc));
  EXPECT_EQ(orvo::testing::ReadFile(registro),
            "a.dat\t3\t" + abc.sha256 + "\r\nb.dat\t3\tba78\r\nc.dat\t0\t" + otra.sha256 + "\r\n");
}

TEST(CargadosTest, ARecordThatCannotBeReadOrWrittenIsNamed) {
  orvo::testing::TempDrive c;
  fs::create_directories(c.Path("Quiravel/poleosInternet/cargados.txt"));  // a folder in its place
  for (const auto& intento : {+[] { YaCargado(Huella("a.dat", "x")); }, +[] { AnotaCargado(Huella("a.dat", "x")); }}) {
    try {
      intento();
      ADD_FAILURE() << "no error";
    } catch (const RuntimeError& e) {
      EXPECT_THAT(e.what(), HasSubstr("C:\\Quiravel\\poleosInternet\\cargados.txt"));
    }
  }
}

TEST(CargadosTest, TheRecordsNameInAnyCase) {
  EXPECT_TRUE(EsNombreDelRegistro("cargados.txt"));
  EXPECT_TRUE(EsNombreDelRegistro("CARGADOS.Txt"));
  EXPECT_FALSE(EsNombreDelRegistro("cargados.txt.dat"));
  EXPECT_FALSE(EsNombreDelRegistro("a.dat"));
}

}  // namespace
}  // namespace orvo::ftp
