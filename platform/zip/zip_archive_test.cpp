#include "platform/zip/zip_archive.h"

#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstdint>
#include <ctime>
#include <map>
#include <string>
#include <vector>

#include "platform/testsupport/commands.h"
#include "platform/testsupport/temp_drive.h"
#include "platform/zip/result.h"

namespace orvo::zip {
namespace {
namespace fs = std::filesystem;
using orvo::testing::ReadFile;
using orvo::testing::ReadTree;
using orvo::testing::TempDrive;
using orvo::testing::WriteFile;

class ZipArchiveTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ZipUserFunctions f;
    f.print = [this](const char* text, unsigned long) {
      printed += text;
      return 0;
    };
    ZpInit(f);
    ZpSetOptions({.rootDir = "\\"});
    // The product folder as the backup finds it.
    WriteFile(c.Path("Quiravel/Quiravel.mdb"), std::string(200000, 'q') + "fin");
    WriteFile(c.Path("Quiravel/Auxiliar.mdb"), "aux");
    WriteFile(c.Path("Quiravel/vacío.txt"), "");
    WriteFile(c.Path("Quiravel/.oculto"), "no");
    WriteFile(c.Path("Quiravel/Res/logo.bmp"), "BM");
    WriteFile(c.Path("Quiravel/Res/Sub/más.txt"), "profundo");
  }

  int Archive(std::vector<std::string> names, const std::string& zipName = "C:\\salida\\a.zip") {
    printed.clear();
    fs::create_directories(c.Path("salida"));
    return ZpArchive(static_cast<long>(names.size()), zipName, names);
  }

  // What Info-ZIP's unzip makes of the archive, in a fresh folder.
  std::map<std::string, std::string> Extracted(const fs::path& archive) {
    std::string log;
    auto tree = orvo::testing::TreeByInfoZip(archive, c.Path("por-unzip"), &log);
    EXPECT_TRUE(tree) << log;
    return tree.value_or(std::map<std::string, std::string>{});
  }

  TempDrive c;
  std::string printed;
};

TEST_F(ZipArchiveTest, FolderPatternStoresNamesRelativeToTheDriveRoot) {
  ASSERT_EQ(Archive({"querty", "C:\\Quiravel\\*", "C:\\quiravel\\RES\\*"}), kOk) << printed;
  // The dummy name matched nothing: a warning, not a failure.
  EXPECT_NE(printed.find("querty"), std::string::npos);
  const auto tree = Extracted(c.Path("salida/a.zip"));
  const std::map<std::string, std::string> expected = {
      {"Quiravel/", ""},
      {"Quiravel/Quiravel.mdb", ReadFile(c.Path("Quiravel/Quiravel.mdb"))},
      {"Quiravel/Auxiliar.mdb", "aux"},
      {"Quiravel/vacío.txt", ""},
      {"Quiravel/Res/", ""},
      {"Quiravel/Res/logo.bmp", "BM"},
  };
  EXPECT_EQ(tree, expected);
}

TEST_F(ZipArchiveTest, StarAndStarDotStarSelectTheSameFiles) {
  ASSERT_EQ(Archive({"C:\\Quiravel\\*.*"}, "C:\\salida\\b.zip"), kOk) << printed;
  ASSERT_EQ(Archive({"C:\\Quiravel\\*"}, "C:\\salida\\c.zip"), kOk) << printed;
  EXPECT_EQ(Extracted(c.Path("salida/b.zip")), Extracted(c.Path("salida/c.zip")));
}

TEST_F(ZipArchiveTest, RecursionTakesTheWholeTreeAndInfoZipRebuildsIt) {
  ZpSetOptions({.rootDir = "C:\\QUIRAVEL", .recurse = true});
  ASSERT_EQ(Archive({"*"}), kOk) << printed;
  auto expected = ReadTree(c.Path("Quiravel"));
  expected.erase(".oculto");
  EXPECT_EQ(Extracted(c.Path("salida/a.zip")), expected);
}

TEST_F(ZipArchiveTest, KeepsModificationTimesToTheSecond) {
  const fs::path mdb = c.Path("Quiravel/Quiravel.mdb");
  const struct timespec times[2] = {{1234567891, 0}, {1234567891, 0}};  // an odd second: not a DOS time
  ASSERT_EQ(::utimensat(AT_FDCWD, mdb.c_str(), times, 0), 0);
  ASSERT_EQ(Archive({"C:\\Quiravel\\Quiravel.mdb"}), kOk) << printed;
  Extracted(c.Path("salida/a.zip"));
  struct stat st;
  ASSERT_EQ(::stat(c.Path("por-unzip/Quiravel/Quiravel.mdb").c_str(), &st), 0);
  EXPECT_EQ(st.st_mtime, 1234567891);
}

TEST_F(ZipArchiveTest, NothingMatchedWritesNoArchive) {
  EXPECT_EQ(Archive({"querty", "C:\\NoHay\\*"}), kNothingToDo);
  EXPECT_FALSE(fs::exists(c.Path("salida/a.zip")));
  EXPECT_NE(printed.find("NoHay"), std::string::npos) << printed;
}

TEST_F(ZipArchiveTest, UpdateReplacesOnlyNewerFiles) {
  ASSERT_EQ(Archive({"C:\\Quiravel\\*"}), kOk);
  const struct timespec old[2] = {{1000000000, 0}, {1000000000, 0}};
  const struct timespec later[2] = {{0, UTIME_OMIT}, {std::time(nullptr) + 100, 0}};
  WriteFile(c.Path("Quiravel/Auxiliar.mdb"), "cambiado");  // newer than its entry
  ASSERT_EQ(::utimensat(AT_FDCWD, c.Path("Quiravel/Auxiliar.mdb").c_str(), later, 0), 0);
  WriteFile(c.Path("Quiravel/Quiravel.mdb"), "viejo");
  ASSERT_EQ(::utimensat(AT_FDCWD, c.Path("Quiravel/Quiravel.mdb").c_str(), old, 0), 0);
  ZpSetOptions({.rootDir = "\\", .update = true});
  ASSERT_EQ(Archive({"C:\\Quiravel\\*"}), kOk) << printed;
  const auto tree = Extracted(c.Path("salida/a.zip"));
  EXPECT_EQ(tree.at("Quiravel/Auxiliar.mdb"), "cambiado");
  EXPECT_EQ(tree.at("Quiravel/Quiravel.mdb").size(), 200003u);  // older file: entry kept
}

// Files in the archive's folder after a failed run: the old archive or nothing.
std::vector<std::string> Names(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(folder)) names.push_back(e.path().filename().string());
  return names;
}

TEST_F(ZipArchiveTest, FullDiskLeavesNoArchiveAndSaysWhy) {
  // A file size limit stands in for a full disk: writes past it fail.
  struct rlimit saved;
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
  auto handler = std::signal(SIGXFSZ, SIG_IGN);
  // Incompressible data, so the archive grows past the limit.
  std::string noise(300000, '\0');
  std::uint32_t x = 12345;
  for (char& ch : noise) ch = static_cast<char>((x = x * 1103515245 + 12345) >> 24);
  WriteFile(c.Path("Quiravel/Quiravel.mdb"), noise);
  struct rlimit small = saved;
  small.rlim_cur = 50000;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  const int result = Archive({"C:\\Quiravel\\*"});
  ::setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, handler);
  EXPECT_EQ(result, kWriteError);
  EXPECT_TRUE(Names(c.Path("salida")).empty()) << Names(c.Path("salida")).front();
  EXPECT_NE(printed.find("a.zip"), std::string::npos) << printed;
  EXPECT_NE(printed.find(": Disco lleno"), std::string::npos) << printed;
}

TEST_F(ZipArchiveTest, UnreadableFileLeavesTheEarlierArchiveAndNamesTheFile) {
  ASSERT_EQ(Archive({"C:\\Quiravel\\*"}), kOk);
  const std::string before = ReadFile(c.Path("salida/a.zip"));
  // Root reads every file, so the run happens in a child without root's rights.
  EXPECT_EXIT(
      {
        if (::geteuid() == 0) {
          for (const auto& e : fs::recursive_directory_iterator(c.Root())) ::lchown(e.path().c_str(), 65534, 65534);
          ::chown(c.Root().c_str(), 65534, 65534);
          if (::setgid(65534) != 0 || ::setuid(65534) != 0) std::_Exit(3);
        }
        ::chmod(c.Path("Quiravel/Auxiliar.mdb").c_str(), 0);
        const int r = Archive({"C:\\Quiravel\\*"});
        const bool named = printed.find("Quiravel/Auxiliar.mdb") != std::string::npos &&
                           printed.find(": Permiso denegado") != std::string::npos;
        std::_Exit(r == kReadError && named && Names(c.Path("salida")).size() == 1 ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
  EXPECT_EQ(ReadFile(c.Path("salida/a.zip")), before);
}

}  // namespace
}  // namespace orvo::zip
