#include "platform/zip/unzip.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <zip.h>
#include <zlib.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "platform/testsupport/commands.h"
#include "platform/testsupport/temp_drive.h"
#include "platform/zip/zip_error.h"
#include "platform/zip/result.h"

namespace orvo::zip {
namespace {
namespace fs = std::filesystem;
using orvo::testing::ReadFile;
using orvo::testing::ReadTree;
using orvo::testing::TempDrive;
using orvo::testing::WriteFile;

class UnzipTest : public ::testing::Test {
 protected:
  void SetUp() override {
    functions.print = [this](const char* text, unsigned long) {
      printed += text;
      return 0;
    };
    options.overwriteFiles = 1;
    options.extractDir = "C:\\destino";
  }

  // An archive made by Info-ZIP's zip from names under the drive (given to
  // the shell as they are, in the order they go into the archive).
  fs::path InfoZip(const std::string& names, const std::string& flags, const std::string& name = "iz.zip") {
    const fs::path archive = c.Path(name);
    std::string log;
    EXPECT_TRUE(orvo::testing::InfoZipCreate(c.Root(), archive, names, flags, &log)) << log;
    return archive;
  }

  // An archive written through libzip with entries named as given.
  fs::path Crafted(const std::vector<std::pair<std::string, std::string>>& entries, const std::string& name,
                   const std::string& linkEntry = "") {
    const fs::path archive = c.Path(name);
    int error = 0;
    zip_t* za = zip_open(archive.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    EXPECT_NE(za, nullptr);
    for (const auto& [entry, bytes] : entries) {
      zip_source_t* s = zip_source_buffer(za, bytes.data(), bytes.size(), 0);
      const zip_int64_t i = zip_file_add(za, entry.c_str(), s, ZIP_FL_ENC_RAW);
      EXPECT_GE(i, 0) << entry;
      if (entry == linkEntry) {
        zip_file_set_external_attributes(za, static_cast<zip_uint64_t>(i), 0, ZIP_OPSYS_UNIX,
                                         static_cast<zip_uint32_t>(S_IFLNK | 0777) << 16);
      }
    }
    EXPECT_EQ(zip_close(za), 0);
    return archive;
  }

  int Unzip(const fs::path& archive) {
    printed.clear();
    options.zipFileName = "C:\\" + archive.lexically_relative(c.Root()).string();
    return Wiz_SingleEntryUnzip(options, functions);
  }

  TempDrive c;
  UnzipOptions options;
  UnzipUserFunctions functions;
  std::string printed;
};

TEST_F(UnzipTest, InfoZipArchiveWithFoldersKept) {
  WriteFile(c.Path("fuente/Quiravel/Quiravel.mdb"), "base");
  WriteFile(c.Path("fuente/Quiravel/Año 2026/señal.txt"), "ñ");
  fs::create_directories(c.Path("fuente/Quiravel/vacía"));
  const fs::path archive = InfoZip("fuente", "-r");
  ASSERT_EQ(Unzip(archive), kOk) << printed;
  auto expected = ReadTree(c.Path("fuente"));
  auto got = ReadTree(c.Path("destino/fuente"));
  EXPECT_EQ(got, expected);
  EXPECT_NE(printed.find("señal.txt"), std::string::npos) << printed;
}

TEST_F(UnzipTest, InfoZipArchiveWithFoldersDropped) {
  WriteFile(c.Path("fuente/a.txt"), "a");
  WriteFile(c.Path("fuente/sub/b.txt"), "b");
  WriteFile(c.Path("fuente/sub/más/ç.txt"), "c");
  options.honorDirectories = 0;
  ASSERT_EQ(Unzip(InfoZip("fuente", "-r")), kOk) << printed;
  const std::map<std::string, std::string> expected = {{"a.txt", "a"}, {"b.txt", "b"}, {"ç.txt", "c"}};
  EXPECT_EQ(ReadTree(c.Path("destino")), expected);
}

TEST_F(UnzipTest, KeepsTheEntryTimesAndFindsFoldersIgnoringCase) {
  WriteFile(c.Path("fuente/Quiravel/x.mdb"), "x");
  const struct timespec times[2] = {{1234567891, 0}, {1234567891, 0}};
  ASSERT_EQ(::utimensat(AT_FDCWD, c.Path("fuente/Quiravel/x.mdb").c_str(), times, 0), 0);
  const fs::path archive = InfoZip("fuente", "-r");
  WriteFile(c.Path("destino/FUENTE/quiravel/X.MDB"), "anterior");
  ASSERT_EQ(Unzip(archive), kOk) << printed;
  struct stat st;
  ASSERT_EQ(::stat(c.Path("destino/FUENTE/quiravel/X.MDB").c_str(), &st), 0);
  EXPECT_EQ(st.st_mtime, 1234567891);
  // The existing folders and file were used, as Windows would: no second copy.
  EXPECT_EQ(ReadTree(c.Path("destino")),
            (std::map<std::string, std::string>{{"FUENTE/", ""}, {"FUENTE/quiravel/", ""}, {"FUENTE/quiravel/X.MDB", "x"}}));
}

TEST_F(UnzipTest, RefusesEntriesThatLeaveTheFolderAndExtractsTheRest) {
  const fs::path archive = Crafted({{"bien.txt", "ok"},
                                    {"../fuera.txt", "x"},
                                    {"sub/../../fuera2.txt", "x"},
                                    {"/tmp/absoluto.txt", "x"},
                                    {"C:\\Windows\\unidad.txt", "x"},
                                    {"..\\fuera3.txt", "x"},
                                    {"enlace", "/etc/passwd"}},
                                   "malo.zip", "enlace");
  EXPECT_EQ(Unzip(archive), kWarning) << printed;
  EXPECT_EQ(ReadTree(c.Path("destino")), (std::map<std::string, std::string>{{"bien.txt", "ok"}}));
  for (const char* f : {"fuera.txt", "fuera2.txt", "fuera3.txt", "destino/enlace"}) EXPECT_FALSE(fs::exists(c.Path(f))) << f;
  EXPECT_FALSE(fs::exists("/tmp/absoluto.txt"));
  for (const char* why : {"\"..\"", "absoluto", "letra de unidad", "enlace"}) {
    EXPECT_NE(printed.find(why), std::string::npos) << why << "\n" << printed;
  }
}

TEST_F(UnzipTest, AFolderNameTheSystemRefusesIsThatEntrysProblemOnly) {
  // Longer than a file name may be (found by fuzzing: the lookup threw).
  const std::string largo(300, 'a');
  const fs::path archive = Crafted({{largo + "/dentro.txt", "x"}, {"bien.txt", "ok"}}, "largo.zip");
  EXPECT_EQ(Unzip(archive), kWriteError) << printed;
  EXPECT_EQ(ReadTree(c.Path("destino")), (std::map<std::string, std::string>{{"bien.txt", "ok"}}));
  EXPECT_NE(printed.find(largo), std::string::npos) << printed;
}

TEST_F(UnzipTest, AFileEntryNamedOnlyByDotsIsRefused) {
  // Found by fuzzing: no name was left to write the file under.
  const fs::path archive = Crafted({{".", "x"}, {"./.\\.", "y"}, {"bien.txt", "ok"}}, "puntos.zip");
  EXPECT_EQ(Unzip(archive), kWarning) << printed;
  EXPECT_EQ(ReadTree(c.Path("destino")), (std::map<std::string, std::string>{{"bien.txt", "ok"}}));
  EXPECT_NE(printed.find("vacío"), std::string::npos) << printed;
}

TEST_F(UnzipTest, DamagedEntryFailsAndLeavesTheOldFile) {
  std::string data(100000, '\0');
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 7 % 251);
  WriteFile(c.Path("fuente/datos.bin"), data);
  const fs::path archive = InfoZip("fuente", "-r -0");  // stored, so a flipped byte reaches the CRC check
  std::string bytes = ReadFile(archive);
  const std::size_t at = bytes.find(data.substr(5000, 64));
  ASSERT_NE(at, std::string::npos);
  bytes[at] ^= 0x55;
  WriteFile(archive, bytes);
  WriteFile(c.Path("destino/fuente/datos.bin"), "anterior");
  EXPECT_EQ(Unzip(archive), kDamaged);
  EXPECT_NE(printed.find("CRC"), std::string::npos) << printed;
  EXPECT_EQ(ReadFile(c.Path("destino/fuente/datos.bin")), "anterior");
  EXPECT_EQ(ReadTree(c.Path("destino/fuente")).size(), 1u);  // no temporary left behind
  options.test = 1;
  EXPECT_EQ(Unzip(archive), kDamaged);
}

// Compressed data that inflate refuses is reported in Spanish, as are every
// other error of the library and of zlib under it.
TEST_F(UnzipTest, DamagedCompressedDataIsReportedInSpanish) {
  std::string data;
  for (int i = 0; i < 20000; ++i) data += "linea " + std::to_string(i * 7919 % 10007) + "\r\n";
  WriteFile(c.Path("fuente/datos.txt"), data);
  const fs::path archive = InfoZip("fuente", "-r -6");
  std::string bytes = ReadFile(archive);
  for (std::size_t i = 200; i < 264; ++i) bytes[i] = '\xff';
  WriteFile(archive, bytes);
  EXPECT_EQ(Unzip(archive), kDamaged);
  EXPECT_EQ(printed.find("Zlib"), std::string::npos) << printed;
  EXPECT_NE(printed.find("dañad"), std::string::npos) << printed;

  EXPECT_EQ(DescribeZipError(ZIP_ER_ZLIB, Z_DATA_ERROR), "los datos comprimidos están dañados");
  for (int code = ZIP_ER_MULTIDISK; code <= ZIP_ER_CANCELLED; ++code) {
    zip_error_t e;
    zip_error_init_with_code(&e, code);
    const std::string english = zip_error_strerror(&e);
    zip_error_fini(&e);
    EXPECT_EQ(DescribeZipError(code, 0).find(english), std::string::npos) << code << ": " << english;
  }
}

TEST_F(UnzipTest, TestModeWritesNothing) {
  WriteFile(c.Path("fuente/a.txt"), "a");
  options.test = 1;
  EXPECT_EQ(Unzip(InfoZip("fuente", "-r")), kOk) << printed;
  EXPECT_FALSE(fs::exists(c.Path("destino/fuente")));
  EXPECT_NE(printed.find("OK"), std::string::npos);
}

TEST_F(UnzipTest, ExistingFilesFollowTheOverwriteOptionsAndAnswers) {
  WriteFile(c.Path("fuente/a.txt"), "nuevo a");
  WriteFile(c.Path("fuente/b.txt"), "nuevo b");
  WriteFile(c.Path("fuente/c.txt"), "nuevo c");
  const fs::path archive = InfoZip("fuente/a.txt fuente/b.txt fuente/c.txt", "");
  auto reset = [&] {
    for (const char* f : {"a.txt", "b.txt", "c.txt"}) WriteFile(c.Path(std::string("destino/fuente/") + f), "viejo");
  };
  reset();
  options.overwriteFiles = 0;
  EXPECT_EQ(Unzip(archive), kOk);
  EXPECT_EQ(ReadFile(c.Path("destino/fuente/a.txt")), "viejo");

  struct Case {
    std::vector<int> answers;
    std::vector<std::string> contents;
    std::size_t asked;
  } cases[] = {
      {{kReplaceYes, kReplaceNo, kReplaceYes}, {"nuevo a", "viejo", "nuevo c"}, 3},
      {{kReplaceNo, kReplaceNone}, {"viejo", "viejo", "viejo"}, 2},  // None: asks no more
  };
  for (const Case& k : cases) {
    reset();
    std::vector<std::string> asked;
    std::size_t next = 0;
    functions.replace = [&](char* name) {
      asked.push_back(name);
      return k.answers.at(next++);
    };
    options.promptToOverwrite = 1;
    EXPECT_EQ(Unzip(archive), kOk) << printed;
    EXPECT_EQ(asked.size(), k.asked);
    EXPECT_EQ(asked.front(), "C:\\destino\\fuente\\a.txt");
    EXPECT_EQ((std::vector<std::string>{ReadFile(c.Path("destino/fuente/a.txt")), ReadFile(c.Path("destino/fuente/b.txt")),
                                         ReadFile(c.Path("destino/fuente/c.txt"))}),
              k.contents);
  }
}

TEST_F(UnzipTest, NewerOnlyKeepsFilesNewerThanTheirEntries) {
  WriteFile(c.Path("fuente/a.txt"), "archivado");
  const struct timespec old[2] = {{1000000000, 0}, {1000000000, 0}};
  ASSERT_EQ(::utimensat(AT_FDCWD, c.Path("fuente/a.txt").c_str(), old, 0), 0);
  const fs::path archive = InfoZip("fuente", "-r");
  WriteFile(c.Path("destino/fuente/a.txt"), "más nuevo");
  options.extractOnlyNewer = 1;
  EXPECT_EQ(Unzip(archive), kOk);
  EXPECT_EQ(ReadFile(c.Path("destino/fuente/a.txt")), "más nuevo");
  ASSERT_EQ(::utimensat(AT_FDCWD, c.Path("destino/fuente/a.txt").c_str(), old, 0), 0);
  const struct timespec older[2] = {{900000000, 0}, {900000000, 0}};
  ASSERT_EQ(::utimensat(AT_FDCWD, c.Path("destino/fuente/a.txt").c_str(), older, 0), 0);
  EXPECT_EQ(Unzip(archive), kOk);
  EXPECT_EQ(ReadFile(c.Path("destino/fuente/a.txt")), "archivado");
}

TEST_F(UnzipTest, AsksForThePasswordOfProtectedEntries) {
  WriteFile(c.Path("fuente/a.txt"), "secreto a");
  WriteFile(c.Path("fuente/b.txt"), "secreto b");
  const fs::path archive = InfoZip("fuente", "-r -P clave");
  std::vector<std::string> answers = {"mala", "clave"};
  std::size_t asked = 0;
  functions.password = [&](char* buffer, int size, const char*, const char*) {
    if (asked >= answers.size()) return 1;
    std::strncpy(buffer, answers[asked++].c_str(), static_cast<std::size_t>(size) - 1);
    return 0;
  };
  EXPECT_EQ(Unzip(archive), kOk) << printed;
  EXPECT_EQ(asked, 2u);  // the good password serves the second entry too
  EXPECT_EQ(ReadFile(c.Path("destino/fuente/b.txt")), "secreto b");

  fs::remove_all(c.Path("destino"));
  asked = 2;  // no more answers: the user gives none
  EXPECT_EQ(Unzip(archive), kBadPassword) << printed;
  EXPECT_FALSE(fs::exists(c.Path("destino/fuente/a.txt")));
}

TEST_F(UnzipTest, MissingArchiveAndRefusedOptions) {
  options.zipFileName = "C:\\no-existe.zip";
  EXPECT_EQ(Wiz_SingleEntryUnzip(options, functions), kNotFound);
  EXPECT_NE(printed.find("no-existe.zip"), std::string::npos);
  options.writeToStdOut = 1;
  EXPECT_EQ(Wiz_SingleEntryUnzip(options, functions), kBadOptions);
}

TEST_F(UnzipTest, VersionNamesLibzip) {
  UzpVersion v;
  UzpVersion2(v);
  EXPECT_EQ(v.libzipVersion, zip_libzip_version());
  EXPECT_FALSE(v.zlibVersion.empty());
}

}  // namespace
}  // namespace orvo::zip
