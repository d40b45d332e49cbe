// The library called from eight threads at once: registration, search,
// removal and saving give what the same calls give made one after another.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "fingerprint/engine_fixture.h"
#include "platform/testsupport/temp_drive.h"

namespace huellix {
namespace {

namespace fs = std::filesystem;
using testing::FingerTemplate;
using testing::Id;
using testing::TemplateBytes;

constexpr int kThreads = 8;
constexpr int kPerThread = 12;
constexpr int kCandidates = 5;

struct Finger {
  FingerprintId id;
  TemplateBytes templ;
};

// Thread t's fingers: its own users, each a different synthetic finger.
std::vector<Finger> FingersOf(int t) {
  std::vector<Finger> fingers;
  for (int i = 0; i < kPerThread; ++i)
    fingers.push_back({Id(1000 * (t + 1) + i, 1 + i % 10), FingerTemplate(static_cast<unsigned>(t * kPerThread + i))});
  return fingers;
}

using Candidates = std::vector<std::uint8_t>;  // the candidate records as bytes

Candidates Search(const TemplateBytes& probe) {
  std::vector<SearchCandidate> found(kCandidates);
  EXPECT_EQ(FPSSearchFP(probe.data(), found.data(), kCandidates), FPS_OK);
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(found.data());
  return Candidates(bytes, bytes + sizeof(SearchCandidate) * found.size());
}

// How many index items each fingerprint key has, over the whole index.
std::map<FingerprintKey, int> ItemsPerKey() {
  std::map<FingerprintKey, int> items;
  for (std::uint32_t slot = 0; slot < kSlotCount; ++slot)
    for (const IndexEntry& entry : Engine().index.SlotEntries(slot))
      for (const TrianglePose& pose : entry.Items()) ++items[pose.fingerprintKey];
  return items;
}

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

// Runs body(t) on eight threads at once and waits for them all.
template <typename Body>
void OnEightThreads(Body body) {
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) threads.emplace_back(body, t);
  for (std::thread& thread : threads) thread.join();
}

class ConcurrencyTest : public testing::EngineTest {
 protected:
  std::vector<std::vector<Finger>> fingers_ = [] {
    std::vector<std::vector<Finger>> all;
    for (int t = 0; t < kThreads; ++t) all.push_back(FingersOf(t));
    return all;
  }();
  orvo::testing::TempDrive drive_;
};

TEST_F(ConcurrencyTest, EightThreadsGiveWhatTheSameCallsGiveOneAfterAnother) {
  // One after another: register everything, remove every third finger.
  for (const auto& mine : fingers_)
    for (const Finger& f : mine) ASSERT_EQ(FPSRegisterFP(f.templ.data(), &f.id), FPS_OK);
  for (const auto& mine : fingers_)
    for (int i = 0; i < kPerThread; i += 3) ASSERT_EQ(FPSRemoveFP(&mine[i].id), FPS_OK);
  const int sequentialCount = FPSGetRegistedNum();
  const auto sequentialItems = ItemsPerKey();
  Reinitialise(kMaximum);

  // Registration on eight threads, while each thread also searches and asks
  // about ids; the searches must not break while the index changes under them.
  OnEightThreads([&](int t) {
    for (const Finger& f : fingers_[t]) {
      EXPECT_EQ(FPSCheckDuplicatedId(&f.id), FPS_OK);
      EXPECT_EQ(FPSRegisterFP(f.templ.data(), &f.id), FPS_OK);
      EXPECT_EQ(FPSRegisterFP(f.templ.data(), &f.id), FPS_ALREADY_REGISTERED);
      Search(f.templ);
    }
  });
  ASSERT_EQ(FPSGetRegistedNum(), kThreads * kPerThread);

  // Searches of an unchanging database: each thread's answers equal those
  // of the same searches made one at a time.
  std::vector<std::vector<Candidates>> alone(kThreads), together(kThreads);
  for (int t = 0; t < kThreads; ++t)
    for (const Finger& f : fingers_[t]) {
      alone[t].push_back(Search(f.templ));
      SearchCandidate best;
      std::memcpy(&best, alone[t].back().data(), sizeof best);
      EXPECT_EQ(best.userId, f.id.userId) << "a registered finger is its own best candidate";
    }
  OnEightThreads([&](int t) {
    for (const Finger& f : fingers_[t]) together[t].push_back(Search(f.templ));
  });
  EXPECT_EQ(together, alone);

  // Saves of an unchanging database, eight at once into eight files: each
  // file holds the bytes of a save made alone.
  ASSERT_EQ(FPSSaveFPDB(drive_.Path("alone.db").c_str()), FPS_OK);
  OnEightThreads([&](int t) {
    EXPECT_EQ(FPSSaveFPDB(drive_.Path("together" + std::to_string(t) + ".db").c_str()), FPS_OK);
  });
  const std::string saved = ReadAll(drive_.Path("alone.db"));
  for (int t = 0; t < kThreads; ++t)
    EXPECT_EQ(ReadAll(drive_.Path("together" + std::to_string(t) + ".db")), saved) << "thread " << t;

  // Removal on eight threads, with saves into one shared file between them:
  // the same count and the same index items per fingerprint as one after another.
  OnEightThreads([&](int t) {
    for (int i = 0; i < kPerThread; i += 3) {
      EXPECT_EQ(FPSRemoveFP(&fingers_[t][i].id), FPS_OK);
      EXPECT_EQ(FPSRemoveFP(&fingers_[t][i].id), FPS_NOT_REGISTERED);
      EXPECT_EQ(FPSSaveFPDB(drive_.Path("shared.db").c_str()), FPS_OK);
    }
  });
  EXPECT_EQ(FPSGetRegistedNum(), sequentialCount);
  EXPECT_EQ(ItemsPerKey(), sequentialItems);

  // The shared file is one whole save of some moment: it loads.
  EXPECT_EQ(FPSLoadFPDB(drive_.Path("shared.db").c_str()), FPS_OK);
  EXPECT_EQ(std::distance(fs::directory_iterator(drive_.Root()), fs::directory_iterator()), 2 + kThreads)
      << "no temporary file is left behind";
}

}  // namespace
}  // namespace huellix
