#include "backup/cgzipfiles.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>

#include "backup/codemodule.h"
#include "platform/error/current_error.h"
#include "platform/testsupport/commands.h"
#include "platform/testsupport/temp_drive.h"
#include "platform/zip/zip_archive.h"

namespace orvo::backup {
namespace {
namespace fs = std::filesystem;
using orvo::testing::ReadFile;
using orvo::testing::ReadTree;
using orvo::testing::TempDrive;
using orvo::testing::WriteFile;

constexpr int kAlreadyListed = -2147219503;
constexpr int kNotListed = -2147219502;

TEST(CGZipFilesTest, NewInstanceHoldsItsInitialValues) {
  CGZipFiles zip;
  EXPECT_EQ(zip.ZipFileCount(), 0);
  EXPECT_FALSE(zip.RecurseFolders());
  EXPECT_EQ(zip.ZipFileName(), "");
  EXPECT_FALSE(zip.Encrypted());
  EXPECT_FALSE(zip.IncludeSystemFiles());
  EXPECT_EQ(zip.RootDirectory(), "\\");
  EXPECT_FALSE(zip.UpdatingZip());
}

// One step on the list: an AddFile or RemoveFile, and what it must give.
struct Step {
  bool add;
  const char* name;
  int error;  // 0: no error
  int countAfter;
};

TEST(CGZipFilesTest, ListKeysIgnoreCaseAndRaiseTheClassErrors) {
  const Step steps[] = {
      {true, "C:\\Quiravel\\*", 0, 1},
      {true, "C:\\Quiravel\\Res\\*", 0, 2},
      {true, "c:\\QUIRAVEL\\*", kAlreadyListed, 2},  // same key in another case
      {true, "querty", kAlreadyListed, 2},           // the dummy entry holds that key
      {true, "QUERTY", kAlreadyListed, 2},
      {true, "C:\\Año\\*", 0, 3},
      {true, "c:\\AÑO\\*", kAlreadyListed, 3},       // every Windows-1252 letter folds
      {false, "C:\\Windows\\ftpcnf.dll", kNotListed, 3},
      {false, "c:\\quiravel\\res\\*", 0, 2},
      {false, "C:\\Quiravel\\Res\\*", kNotListed, 2},
      {true, "C:\\Quiravel\\Res\\*", 0, 3},
  };
  CGZipFiles zip;
  for (const Step& s : steps) {
    try {
      s.add ? zip.AddFile(s.name) : zip.RemoveFile(s.name);
      EXPECT_EQ(s.error, 0) << s.name;
    } catch (const err::RaisedError& e) {
      EXPECT_EQ(e.number, s.error) << s.name;
      EXPECT_EQ(e.source, s.add ? "CGZip::AddFile" : "CGZip::RemoveFile");
      EXPECT_STREQ(e.what(), s.add ? "File is already in Zip List" : "File is not in Zip List");
    }
    EXPECT_EQ(zip.ZipFileCount(), s.countAfter) << s.name;
  }
}

TEST(CGZipFilesTest, BooleanPropertiesReadBackWhatWasSet) {
  CGZipFiles zip;
  const std::pair<std::function<void(bool)>, std::function<bool()>> flags[] = {
      {[&](bool v) { zip.RecurseFolders(v); }, [&] { return zip.RecurseFolders(); }},
      {[&](bool v) { zip.Encrypted(v); }, [&] { return zip.Encrypted(); }},
      {[&](bool v) { zip.IncludeSystemFiles(v); }, [&] { return zip.IncludeSystemFiles(); }},
      {[&](bool v) { zip.UpdatingZip(v); }, [&] { return zip.UpdatingZip(); }},
  };
  for (const auto& [set, get] : flags) {
    set(true);
    EXPECT_TRUE(get());
    set(false);
    EXPECT_FALSE(get());
  }
}

class CGZipFilesArchiveTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteFile(c.Path("Quiravel/Quiravel.mdb"), std::string(50000, 'm'));
    WriteFile(c.Path("Quiravel/Auxiliar.mdb"), "aux");
    WriteFile(c.Path("Quiravel/Res/logo.bmp"), "BM");
    WriteFile(c.Path("Quiravel/orvoBackup/QR1_viejo.ZIP"), "no entra");
    fs::create_directories(c.Path("salida"));
  }

  std::map<std::string, std::string> ByInfoZip(const fs::path& archive) {
    std::string log;
    auto tree = orvo::testing::TreeByInfoZip(archive, c.Path("por-unzip"), &log);
    EXPECT_TRUE(tree) << log;
    return tree.value_or(std::map<std::string, std::string>{});
  }

  TempDrive c;
};

TEST_F(CGZipFilesArchiveTest, BackupArchiveHoldsTheTopOfEachFolderUnderItsPath) {
  CGZipFiles zip;
  zip.ZipFileName("C:\\salida\\QR1_030226_090507.ZIP");
  zip.UpdatingZip(false);
  zip.AddFile("C:\\Quiravel\\*");
  zip.AddFile("C:\\Quiravel\\Res\\*");
  ASSERT_EQ(zip.MakeZipFile(), 0) << zip.GetLastMessage();
  const std::map<std::string, std::string> expected = {
      {"Quiravel/", ""},
      {"Quiravel/Quiravel.mdb", std::string(50000, 'm')},
      {"Quiravel/Auxiliar.mdb", "aux"},
      {"Quiravel/Res/", ""},
      {"Quiravel/Res/logo.bmp", "BM"},
  };
  EXPECT_EQ(ByInfoZip(c.Path("salida/QR1_030226_090507.ZIP")), expected);
}

TEST_F(CGZipFilesArchiveTest, NinetyNineNamesPassAndAHundredthRaises) {
  CGZipFiles zip;
  zip.ZipFileName("C:\\salida\\muchos.zip");
  for (int i = 1; i <= 99; ++i) {
    const std::string name = "C:\\muchos\\f" + std::to_string(i) + ".txt";
    WriteFile(c.Path("muchos/f" + std::to_string(i) + ".txt"), std::to_string(i));
    zip.AddFile(name);
  }
  ASSERT_EQ(zip.MakeZipFile(), 0) << zip.GetLastMessage();
  EXPECT_EQ(ByInfoZip(c.Path("salida/muchos.zip")).size(), 100u);  // 99 files and their folder

  zip.AddFile("C:\\muchos\\f100.txt");
  try {
    zip.MakeZipFile();
    ADD_FAILURE() << "no error";
  } catch (const err::RaisedError& e) {
    EXPECT_EQ(e.number, 9);
    EXPECT_EQ(e.source, "CGZipFiles::MakeZipFile");
  }
}

TEST_F(CGZipFilesArchiveTest, RootDirectoryReachesTheLibraryInUpperCase) {
  CGZipFiles zip;
  zip.ZipFileName("C:\\salida\\r.zip");
  zip.RootDirectory("c:\\quiravel\\año");
  zip.AddFile("Res\\*");
  WriteFile(c.Path("Quiravel/AÑO/Res/logo.bmp"), "BM");
  ASSERT_EQ(zip.MakeZipFile(), 0) << zip.GetLastMessage();
  EXPECT_EQ(zip::ZpGetOptions().rootDir, "C:\\QUIRAVEL\\AÑO");
  EXPECT_EQ(ByInfoZip(c.Path("salida/r.zip")), (std::map<std::string, std::string>{{"Res/", ""}, {"Res/logo.bmp", "BM"}}));
}

TEST_F(CGZipFilesArchiveTest, EncryptedAndSystemFilesChangeNothing) {
  CGZipFiles plain;
  plain.ZipFileName("C:\\salida\\a.zip");
  plain.AddFile("C:\\Quiravel\\*");
  ASSERT_EQ(plain.MakeZipFile(), 0);
  CGZipFiles flagged;
  flagged.ZipFileName("C:\\salida\\b.zip");
  flagged.Encrypted(true);
  flagged.IncludeSystemFiles(true);
  flagged.AddFile("C:\\Quiravel\\*");
  ASSERT_EQ(flagged.MakeZipFile(), 0);
  EXPECT_EQ(ReadFile(c.Path("salida/a.zip")), ReadFile(c.Path("salida/b.zip")));
}

TEST_F(CGZipFilesArchiveTest, LastMessageHoldsOnlyTheLastRun) {
  CGZipFiles first;
  first.ZipFileName("C:\\salida\\1.zip");
  first.AddFile("C:\\Quiravel\\Auxiliar.mdb");
  first.AddFile("C:\\Primera\\*");  // matches nothing: a warning in the text
  ASSERT_EQ(first.MakeZipFile(), 0);
  EXPECT_NE(first.GetLastMessage().find("Primera"), std::string::npos) << first.GetLastMessage();
  CGZipFiles second;
  second.ZipFileName("C:\\salida\\2.zip");
  second.AddFile("C:\\Quiravel\\Res\\logo.bmp");
  second.AddFile("C:\\Segunda\\*");
  ASSERT_EQ(second.MakeZipFile(), 0);
  EXPECT_EQ(first.GetLastMessage(), second.GetLastMessage());  // the module's one text
  EXPECT_EQ(second.GetLastMessage().find("Primera"), std::string::npos);
  EXPECT_NE(second.GetLastMessage().find("Segunda"), std::string::npos);
}

TEST_F(CGZipFilesArchiveTest, FailureIsANonZeroResultWithItsReason) {
  CGZipFiles zip;
  zip.ZipFileName("C:\\salida\\nada.zip");
  zip.AddFile("C:\\NoExiste\\*");
  EXPECT_NE(zip.MakeZipFile(), 0);
  EXPECT_NE(zip.GetLastMessage().find("NoExiste"), std::string::npos) << zip.GetLastMessage();
  EXPECT_FALSE(fs::exists(c.Path("salida/nada.zip")));
}

TEST(CodeModuleTest, ZipPrintTakesAtMost4097BytesUpToTheFirstNul) {
  TempDrive c;
  CodeModule::ZipNames names{"querty"};
  CodeModule::VBZipArchive(1, "C:\\x.zip", names, 0, 0, "\\");  // clears the text
  const std::size_t before = CodeModule::LastMessage().size();
  const std::string noNul(5000, 'a');
  CodeModule::ZipPrintCallback(noNul.data(), 4999);
  EXPECT_EQ(CodeModule::LastMessage().size() - before, 4097u);
  const char shortText[] = "uno\0dos";
  CodeModule::ZipPrintCallback(shortText, 7);
  EXPECT_EQ(CodeModule::LastMessage().substr(before + 4097), "uno");
  EXPECT_EQ(CodeModule::ZipPasswordCallback(nullptr, 0, "", ""), 1);
  char comment[8] = "x";
  EXPECT_EQ(CodeModule::ZipCommentCallback(comment)[0], '\0');
}

}  // namespace
}  // namespace orvo::backup
