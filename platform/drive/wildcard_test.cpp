#include "platform/drive/wildcard.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/testsupport/temp_drive.h"

namespace orvo::drive {
namespace {
namespace fs = std::filesystem;

struct Case {
  const char* pattern;
  const char* name;
  bool matches;
};

TEST(WildcardTest, MatchesAsDosDid) {
  const Case cases[] = {
      {"*", "Quiravel.mdb", true},
      {"*", "crtd", true},
      {"*.*", "Quiravel.mdb", true},
      {"*.*", "crtd", true},              // every file, with or without a dot
      {"*.ldb", "Quiravel.ldb", true},
      {"*.ldb", "QUIRAVEL.LDB", true},
      {"*.ldb", "Quiravel.mdb", false},
      {"*.ldb", "Quiravel.ldb.bak", false},
      {"QR1*", "QR1_030226_090507.ZIP", true},
      {"QR1*", "qr1_030226_090507.zip", true},
      {"QR1*", "QR2_030226_090507.ZIP", false},
      {"QR1*", "xQR1_", false},
      {"?R1_*", "QR1_a", true},
      {"?.txt", "ñ.txt", true},           // "?" is one letter, not one byte
      {"??.txt", "ñ.txt", false},
      {"AÑO*", "año2026", true},          // Windows-1252 letters fold too
      {"*É", "café", true},
      {"*.", "crtd", true},               // names without extension
      {"*.", "crtd.txt", false},
      {"Res", "res", true},
      {"Res", "Res2", false},
      {"a*b*c", "aXXbYYc", true},
      {"a*b*c", "aXXbYY", false},
      {"", "", true},
      {"", "x", false},
      {"abc.*", "abc", true},
      {"abc.*", "abc.zip", true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(MatchesWildcard(c.pattern, c.name), c.matches) << c.pattern << " / " << c.name;
  }
}

TEST(WildcardTest, LongStarPatternsStayFast) {
  const std::string name(4000, 'a');
  EXPECT_FALSE(MatchesWildcard("*a*a*a*a*a*a*a*a*a*a*b", name));
}

TEST(WildcardTest, ListsMatchingFilesSortedWithoutHiddenOrFolders) {
  orvo::testing::TempDrive c;
  for (const char* f : {"b.ldb", "A.LDB", "c.mdb", ".oculto.ldb", "sub.ldb/x"}) {
    orvo::testing::WriteFile(c.Path(std::string("Q/") + f), "x");
  }
  fs::create_symlink(c.Path("Q/c.mdb"), c.Path("Q/enlace.ldb"));
  std::vector<std::string> names;
  for (const fs::path& p : ListFiles(c.Path("Q"), "*.ldb")) names.push_back(p.filename().string());
  EXPECT_EQ(names, (std::vector<std::string>{"A.LDB", "b.ldb", "enlace.ldb"}));
  EXPECT_EQ(ListFiles(c.Path("Q"), "*").size(), 4u);
  EXPECT_TRUE(ListFiles(c.Path("no-existe"), "*").empty());
}

}  // namespace
}  // namespace orvo::drive
