#include "fingerprint/search_pool.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <atomic>
#include <stdexcept>
#include <string>
#include <vector>

namespace huellix {
namespace {

TEST(SearchThreadsTest, TheEnvironmentCapsTheProcessors) {
  unsetenv("HUELLIX_THREADS");
  const int processors = SearchThreads();
  ASSERT_GE(processors, 1);
  struct Case {
    const char* value;
    int threads;
  };
  // Anything but a whole number of 1 or more leaves the processors' count.
  const Case cases[] = {{"1", 1},          {"2", std::min(2, processors)}, {"99999", processors}, {"", processors},
                        {"0", processors}, {"-3", processors},             {"3x", processors},    {"abc", processors}};
  for (const Case& c : cases) {
    setenv("HUELLIX_THREADS", c.value, 1);
    EXPECT_EQ(SearchThreads(), c.threads) << '"' << c.value << '"';
  }
  unsetenv("HUELLIX_THREADS");
}

TEST(SearchPoolTest, EveryPartRunsOnceAndAThrowReachesTheCaller) {
  SearchPool pool;
  for (int round = 0; round < 3; ++round) {
    pool.Start(4);  // again after a stop: the new threads wait for the next task
    ASSERT_EQ(pool.Parts(), 4);
    for (int task = 0; task < 20; ++task) {
      std::vector<std::atomic<int>> runs(4);
      pool.Run([&](int part) { ++runs[static_cast<std::size_t>(part)]; });
      for (const auto& r : runs) ASSERT_EQ(r.load(), 1);
    }
    EXPECT_THROW(pool.Run([](int part) {
      if (part == 2) throw std::runtime_error("part 2");
    }),
                 std::runtime_error);
    std::atomic<int> after{0};
    pool.Run([&](int) { ++after; });
    EXPECT_EQ(after.load(), 4);
    pool.Stop();
    EXPECT_EQ(pool.Parts(), 1);
  }
}

}  // namespace
}  // namespace huellix
