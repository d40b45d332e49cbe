#include "platform/drive/fitting_name.h"

#include <gtest/gtest.h>

#include <string>

namespace orvo::drive {
namespace {

bool IsDigest(std::string_view tail) {
  return tail.size() == 17 && tail[0] == '~' && tail.find_first_not_of("0123456789abcdef", 1) == std::string::npos;
}

TEST(FittingNameTest, ANameThatFitsStaysAndALongerOneIsCutWithADigest) {
  const struct {
    const char* what;
    std::string name;
    std::size_t room;
    std::size_t kept;  // bytes of the name that stay; all of it when it fits
  } cases[] = {
      {"short", "informe.txt", 227, 11},
      {"exactly the room", std::string(227, 'a'), 227, 227},
      {"one byte more", std::string(228, 'a'), 227, 210},
      {"the longest a system takes", std::string(255, 'b'), 227, 210},
      // Two-byte letters: the cut falls before a letter, never inside one.
      {"a letter just before the cut", std::string(121, 'n') + "\xC3\xB1" + std::string(120, 'n'), 140, 123},
      {"a letter across the cut", std::string(122, 'n') + "\xC3\xB1" + std::string(120, 'n'), 140, 122},
      {"three-byte letters", std::string(121, 'n') + "\xE2\x82\xAC" + std::string(120, 'n'), 140, 121},
  };
  for (const auto& k : cases) {
    SCOPED_TRACE(k.what);
    const std::string fitted = FittingName(k.name, k.room);
    EXPECT_LE(fitted.size(), k.room);
    EXPECT_EQ(fitted.substr(0, k.kept), k.name.substr(0, k.kept));
    if (k.kept == k.name.size()) {
      EXPECT_EQ(fitted, k.name);
    } else {
      EXPECT_TRUE(IsDigest(fitted.substr(k.kept))) << fitted;
    }
    EXPECT_EQ(FittingName(k.name, k.room), fitted) << "the same name gives the same result";
  }
}

TEST(FittingNameTest, LongNamesThatBeginAlikeStayApart) {
  const std::string common(240, 'r');
  EXPECT_NE(FittingName(common + "a.dat", 227), FittingName(common + "b.dat", 227));
  EXPECT_NE(FittingName(common + "a.dat", 227), FittingName(common + "a.dat2", 227));
}

}  // namespace
}  // namespace orvo::drive
