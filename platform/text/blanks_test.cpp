#include "platform/text/blanks.h"

#include <gtest/gtest.h>

namespace orvo::text {

TEST(Blanks, TrimBlanksAtBothEndsOnly) {
  EXPECT_EQ(TrimBlanks("  dbq \t"), "dbq");
  EXPECT_EQ(TrimBlanks("\r\n a b \n"), "a b");
  EXPECT_EQ(TrimBlanks(" \t "), "");
  EXPECT_EQ(TrimBlanks(""), "");
}

}  // namespace orvo::text
