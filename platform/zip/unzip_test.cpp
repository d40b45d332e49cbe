#include "platform/zip/unzip.h"
#include <gtest/gtest.h>
namespace orvo::zip {
namespace {
TEST(UnzipTest, Placeholder) {}
}
}
