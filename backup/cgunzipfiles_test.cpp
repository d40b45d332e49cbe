#include "backup/cgunzipfiles.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <map>
#include <string>

#include "backup/cgzipfiles.h"
#include "backup/codemodule.h"
#include "platform/error/current_error.h"
#include "platform/error/numbers.h"
#include "platform/forms/scripted_dialogs.h"
#include "platform/testsupport/commands.h"
#include "platform/testsupport/temp_drive.h"

namespace orvo::backup {
namespace {
namespace fs = std::filesystem;
using forms::Answer;
using forms::ScriptedDialogs;
using orvo::testing::ReadFile;
using orvo::testing::ReadTree;
using orvo::testing::TempDrive;
using orvo::testing::WriteFile;

TEST(CGUnzipFilesTest, NewInstanceHoldsItsInitialValues) {
  ScriptedDialogs boxes;
  CGUnzipFiles u(boxes, "Snapload");
  EXPECT_EQ(u.MessageLevel(), 2);
  EXPECT_TRUE(u.HonorDirectories());
  EXPECT_TRUE(u.OverWriteFiles());
  EXPECT_TRUE(u.CaseSensitive());
  for (bool flag : {u.ExtractNewer(), u.SpaceToUnderScore(), u.PromptOverwrite(), u.WriteToStdOut(), u.TestZip(),
                    u.ExtractOnlyNewer(), u.DisplayComment(), u.ConvertCRtoCRLF(), u.Verbose()}) {
    EXPECT_FALSE(flag);
  }
  EXPECT_EQ(u.ExtractList(), 0);
  EXPECT_EQ(u.Privilege(), 0);
  EXPECT_EQ(u.ZipFileName(), "");
  EXPECT_EQ(u.ExtractDir(), "");
}

TEST(CGUnzipFilesTest, IntegerPropertiesOutside16BitsOverflowAtUnzip) {
  const std::function<void(CGUnzipFiles&)> settings[] = {
      [](CGUnzipFiles& u) { u.MessageLevel(40000); },
      [](CGUnzipFiles& u) { u.ExtractList(-40000); },
      [](CGUnzipFiles& u) { u.Privilege(32768); },
  };
  for (const auto& set : settings) {
    ScriptedDialogs boxes;
    CGUnzipFiles u(boxes, "Snapload");
    set(u);
    try {
      u.Unzip("C:\\x.zip", "C:");
      ADD_FAILURE() << "no overflow";
    } catch (const err::RaisedError& e) {
      EXPECT_EQ(e.number, err::kOverflow);
      EXPECT_EQ(e.what(), err::Text(err::kOverflow));
      EXPECT_EQ(e.source, "CGUnZipFiles::Unzip");
    }
  }
  ScriptedDialogs boxes;
  CGUnzipFiles u(boxes, "Snapload");
  u.MessageLevel(-32768);
  u.Privilege(32767);
  TempDrive c;
  EXPECT_NE(u.Unzip("C:\\x.zip", "C:"), 0);  // fits: runs, and reports the missing archive
}

TEST(CodeModuleTest, UnzipPrintTurnsALoneLineFeedIntoCrLf) {
  TempDrive c;
  ScriptedDialogs boxes;
  CodeModule::VBUnzip("C:\\no-hay.zip", "C:", {}, boxes, "Snapload");  // clears the texts
  const std::string before = CodeModule::LastMessage();
  CodeModule::UnzipPrintCallback("\n", 1);
  CodeModule::UnzipPrintCallback("\nmás", 4);
  CodeModule::UnzipPrintCallback("texto\0resto", 11);
  EXPECT_EQ(CodeModule::LastMessage(), before + "\r\n\r\ntexto");
}

TEST(CodeModuleTest, PasswordIsCutToTheBufferAndAnEmptyAnswerStopsTheAsking) {
  TempDrive c;
  ScriptedDialogs boxes;
  CodeModule::VBUnzip("C:\\no-hay.zip", "C:", {}, boxes, "Snapload");  // clears the flag
  CodeModule::PromptScope scope(boxes, "Snapload");
  boxes.Input(std::string(300, 'k'));
  char buffer[16];
  std::memset(buffer, 'x', sizeof buffer);
  EXPECT_EQ(CodeModule::UnzipPasswordCallback(buffer, 10, "", ""), 0);
  EXPECT_EQ(std::string(buffer), std::string(9, 'k'));
  EXPECT_EQ(buffer[10], 'x');  // nothing past the buffer's size
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].text, "Please Enter The Password!");
  EXPECT_EQ(boxes.shown[0].title, "Snapload");
  EXPECT_EQ(boxes.shown[0].defaultText, "");

  boxes.Input("");
  EXPECT_EQ(CodeModule::UnzipPasswordCallback(buffer, 10, "", ""), 1);
  EXPECT_EQ(CodeModule::PasswordRefused(), 1);
  EXPECT_EQ(CodeModule::UnzipPasswordCallback(buffer, 10, "", ""), 1);
  EXPECT_EQ(boxes.shown.size(), 2u);  // not asked again

  CodeModule::VBUnzip("C:\\no-hay.zip", "C:", {}, boxes, "Snapload");
  EXPECT_EQ(CodeModule::PasswordRefused(), 0);  // the next extraction asks again
}

class CGUnzipFilesArchiveTest : public ::testing::Test {
 protected:
  fs::path InfoZip(const std::string& names, const std::string& flags) {
    const fs::path archive = c.Path("iz.zip");
    std::string log;
    EXPECT_TRUE(orvo::testing::InfoZipCreate(c.Root(), archive, names, flags, &log)) << log;
    return archive;
  }

  TempDrive c;
  ScriptedDialogs boxes;
};

TEST_F(CGUnzipFilesArchiveTest, RestoresABackupArchiveIntoTheDriveWithItsFolders) {
  WriteFile(c.Path("Quiravel/Quiravel.mdb"), std::string(30000, 'q'));
  WriteFile(c.Path("Quiravel/Auxiliar.mdb"), "aux");
  const auto original = ReadTree(c.Path("Quiravel"));
  CGZipFiles zip;
  zip.ZipFileName("C:\\QR1_030226_090507.ZIP");
  zip.AddFile("C:\\Quiravel\\*");
  ASSERT_EQ(zip.MakeZipFile(), 0) << zip.GetLastMessage();
  fs::remove_all(c.Path("Quiravel"));
  fs::create_directories(c.Path("Quiravel"));
  WriteFile(c.Path("Quiravel/Quiravel.mdb"), "otro");

  CGUnzipFiles u(boxes, "Snapload");
  u.ZipFileName("C:\\QR1_030226_090507.ZIP");
  u.ExtractDir("C:");
  u.HonorDirectories(true);
  ASSERT_EQ(u.Unzip("", ""), 0) << u.GetLastMessage();
  EXPECT_EQ(ReadTree(c.Path("Quiravel")), original);
  EXPECT_TRUE(boxes.shown.empty());  // replaced without a question
}

TEST_F(CGUnzipFilesArchiveTest, InfoZipArchiveWithFoldersKeptAndDropped) {
  WriteFile(c.Path("Quira/Año 2026/señal.txt"), "ñ");
  WriteFile(c.Path("Quira/raíz.txt"), "r");
  fs::create_directories(c.Path("Quira/vacía"));
  const fs::path archive = InfoZip("Quira", "-r");
  {
    CGUnzipFiles u(boxes, "Snapload");
    ASSERT_EQ(u.Unzip("C:\\iz.zip", "C:\\kept"), 0) << u.GetLastMessage();
    EXPECT_EQ(ReadTree(c.Path("kept/Quira")), ReadTree(c.Path("Quira")));
  }
  {
    CGUnzipFiles u(boxes, "Snapload");
    u.ZipFileName("C:\\iz.zip");
    u.HonorDirectories(false);
    ASSERT_EQ(u.Unzip("", "C:\\dropped"), 0) << u.GetLastMessage();
    EXPECT_EQ(u.ZipFileName(), "C:\\iz.zip");  // an empty argument keeps the property
    EXPECT_EQ(u.ExtractDir(), "C:\\dropped");
    EXPECT_EQ(ReadTree(c.Path("dropped")),
              (std::map<std::string, std::string>{{"señal.txt", "ñ"}, {"raíz.txt", "r"}}));
  }
}

TEST_F(CGUnzipFilesArchiveTest, OverwritePromptAnswers) {
  for (const char* f : {"a.txt", "b.txt", "c.txt"}) WriteFile(c.Path(std::string("src/") + f), std::string("nuevo ") + f);
  InfoZip("src/a.txt src/b.txt src/c.txt", "");
  struct Case {
    std::vector<Answer> answers;
    std::vector<std::string> after;
    std::size_t boxes;
  } cases[] = {
      {{Answer::Yes, Answer::No, Answer::Yes}, {"nuevo a.txt", "viejo", "nuevo c.txt"}, 3},
      {{Answer::No, Answer::Cancel}, {"viejo", "viejo", "viejo"}, 2},  // Cancel: replace none, ask no more
  };
  for (const Case& k : cases) {
    for (const char* f : {"a.txt", "b.txt", "c.txt"}) WriteFile(c.Path(std::string("dest/src/") + f), "viejo");
    ScriptedDialogs prompts;
    for (Answer a : k.answers) prompts.Answer(a);
    CGUnzipFiles u(prompts, "Snapload");
    u.PromptOverwrite(true);
    EXPECT_EQ(u.Unzip("C:\\iz.zip", "C:\\dest"), 0) << u.GetLastMessage();
    ASSERT_EQ(prompts.shown.size(), k.boxes);
    EXPECT_EQ(prompts.shown[0].text, "Overwrite C:\\dest\\src\\a.txt?");
    EXPECT_EQ(prompts.shown[0].title, "VBUnZip32 - File Already Exists!");
    EXPECT_EQ(prompts.shown[0].icon, forms::Icon::Exclamation);
    EXPECT_EQ(prompts.shown[0].buttons, forms::Buttons::YesNoCancel);
    EXPECT_EQ((std::vector<std::string>{ReadFile(c.Path("dest/src/a.txt")), ReadFile(c.Path("dest/src/b.txt")),
                                         ReadFile(c.Path("dest/src/c.txt"))}),
              k.after);
  }
}

TEST_F(CGUnzipFilesArchiveTest, PasswordProtectedArchiveAsksThroughTheInputBox) {
  WriteFile(c.Path("src/a.txt"), "secreto");
  InfoZip("src/a.txt", "-P clave");
  boxes.Input("clave");
  CGUnzipFiles u(boxes, "Snapload");
  ASSERT_EQ(u.Unzip("C:\\iz.zip", "C:\\dest"), 0) << u.GetLastMessage();
  EXPECT_EQ(ReadFile(c.Path("dest/src/a.txt")), "secreto");
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].text, "Please Enter The Password!");

  fs::remove_all(c.Path("dest"));
  boxes.Input(std::nullopt);  // cancelled: the entry is left out, and the result says so
  EXPECT_NE(u.Unzip("", ""), 0);
  EXPECT_FALSE(fs::exists(c.Path("dest/src/a.txt")));
  EXPECT_FALSE(u.GetLastMessage().empty());
}

TEST_F(CGUnzipFilesArchiveTest, DamagedOrMissingArchiveIsANonZeroResultWithItsReason) {
  CGUnzipFiles u(boxes, "Snapload");
  EXPECT_NE(u.Unzip("C:\\no-existe.zip", "C:\\dest"), 0);
  EXPECT_NE(u.GetLastMessage().find("no-existe.zip"), std::string::npos) << u.GetLastMessage();
  WriteFile(c.Path("basura.zip"), "esto no es un zip");
  EXPECT_NE(u.Unzip("C:\\basura.zip", ""), 0);
  EXPECT_FALSE(u.GetLastMessage().empty());
}

// A folder the system refuses is the run's write error with the run time's
// reason, never an error raised out of the class.
TEST_F(CGUnzipFilesArchiveTest, AnExtractionFolderWithATooLongNameIsAWriteErrorWithTheReason) {
  WriteFile(c.Path("a.txt"), "a");
  InfoZip("a.txt", "-q");
  CGUnzipFiles u(boxes, "Snapload");
  EXPECT_EQ(u.Unzip("C:\\iz.zip", "C:\\" + std::string(300, 'n')), 4);
  EXPECT_NE(u.GetLastMessage().find(": Nombre o número de archivo incorrecto"), std::string::npos) << u.GetLastMessage();
}

}  // namespace
}  // namespace orvo::backup
