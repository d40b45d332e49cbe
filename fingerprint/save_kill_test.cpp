// A save of the template database killed (SIGKILL) part-way: the file holds
// the earlier save or the new one, whole, and a save run again gives the file
// of one uninterrupted save.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "fingerprint/engine_fixture.h"
#include "platform/testsupport/child.h"
#include "platform/testsupport/second_process.h"
#include "platform/testsupport/temp_drive.h"

namespace huellix {
namespace {

namespace fs = std::filesystem;

constexpr const char* kFingers = "150";

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

orvo::testing::Child Save(const fs::path& file, const fs::path& marker = {}) {
  std::vector<std::string> args{file.string(), kFingers};
  if (!marker.empty()) args.push_back(marker.string());
  return orvo::testing::Start(ORVO_FINGERPRINT_SAVE_CHILD, args);
}

class SaveKillTest : public testing::EngineTest {
 protected:
  orvo::testing::TempDrive drive_;
};

// Leftovers of killed saves: "<stem>.<pid>.<n>.tmp" beside the file; the
// stem when the name is one.
std::optional<std::string> StemOf(const std::string& name) {
  if (!name.ends_with(".tmp")) return std::nullopt;
  const std::size_t n = name.rfind('.', name.size() - 5);
  const std::size_t pid = n == std::string::npos || n == 0 ? std::string::npos : name.rfind('.', n - 1);
  if (pid == std::string::npos || pid == 0) return std::nullopt;
  return name.substr(0, pid);
}

TEST_F(SaveKillTest, AKilledSaveLeavesTheEarlierFileOrTheNewOneWhole) {
  auto whole = Save(drive_.Path("entera.db"));
  ASSERT_EQ(orvo::testing::WaitForEnd(whole), 0);
  const std::string saved = ReadAll(drive_.Path("entera.db"));

  for (int i = 0; i < 5; ++i) {
    const FingerprintId id = testing::Id(i + 1);
    ASSERT_EQ(FPSRegisterFP(testing::FingerTemplate(100 + i).data(), &id), FPS_OK);
  }
  // A short name, and one so long that its temporaries shorten it.
  for (const std::string& name : {std::string("huellas.db"), std::string(247, 'h') + ".db"}) {
    SCOPED_TRACE(name.size());
    const fs::path file = drive_.Path(name), marker = drive_.Path("marca");
    ASSERT_EQ(FPSSaveFPDB(file.c_str()), FPS_OK);
    const std::string earlier = ReadAll(file);

    // Killed at several points of its run of saves.
    for (int after : {0, 1, 3, 7, 15, 30}) {
      auto child = Save(file, marker);
      ASSERT_EQ(orvo::testing::KillAtMarker(child, marker, std::chrono::milliseconds{after}),
                orvo::testing::kKilled);
      const std::string now = ReadAll(file);
      EXPECT_TRUE(now == earlier || now == saved) << "killed " << after << " ms into its saves";
      EXPECT_EQ(FPSLoadFPDB(file.c_str()), FPS_OK);
    }
    // A kill between two saves leaves no temporary, and each saver removes
    // those of the dead: killed again until one is left, to see its name.
    const auto leftover = [&] {
      for (const auto& e : fs::directory_iterator(drive_.Root()))
        if (e.path().filename().string().ends_with(".tmp")) return true;
      return false;
    };
    for (int tries = 0; tries < 200 && !leftover(); ++tries) {
      auto child = Save(file, marker);
      ASSERT_EQ(orvo::testing::KillAtMarker(child, marker, std::chrono::milliseconds{tries % 20}),
                orvo::testing::kKilled);
    }
    fs::remove(marker);

    // Killed savers leave their temporaries, all named after the file and
    // within the limit; the name itself when it leaves room.
    std::optional<std::string> stem;
    for (const auto& e : fs::directory_iterator(drive_.Root())) {
      const std::string left = e.path().filename().string();
      if (left == name || left == "entera.db") continue;
      const auto its = StemOf(left);
      ASSERT_TRUE(its) << left;
      EXPECT_LE(left.size(), 255u);
      if (stem) {
        EXPECT_EQ(*its, *stem);
      }
      stem = its;
    }
    ASSERT_TRUE(stem) << "six killed savers left no temporary";
    if (name.size() < 200) {
      EXPECT_EQ(*stem, name);
    }
    EXPECT_LE(stem->size() + std::string(".4294967295.4294967295.tmp").size(), 255u) << *stem;

    // A temporary that a live saver may still be writing stays.
    const fs::path live = drive_.Path(*stem + "." + std::to_string(::getpid()) + ".999.tmp");
    std::ofstream(live) << "x";

    auto again = Save(file);
    ASSERT_EQ(orvo::testing::WaitForEnd(again), 0);
    EXPECT_EQ(ReadAll(file), saved);
    // What the killed saves left beside the file is gone with the next save.
    std::vector<std::string> left;
    for (const auto& e : fs::directory_iterator(drive_.Root())) left.push_back(e.path().filename().string());
    std::vector<std::string> expected{"entera.db", name, live.filename().string()};
    std::sort(left.begin(), left.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(left, expected);
    fs::remove(live);
    fs::remove(file);
  }
}

}  // namespace
}  // namespace huellix
