// The template database file as another program or a damaged disk may leave
// it: a load gives a whole database or an empty one, and what loads saves and
// loads again with the same count.
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "fingerprint/Huellix.h"
#include "fuzz/check.h"
#include "fuzz/temp_folder.h"

namespace {

// A file in memory, named through /proc so the engine opens it as any file.
class MemoryFile {
 public:
  MemoryFile() : fd_(memfd_create("orvo-fuzz-fpdb", MFD_CLOEXEC)) {
    if (fd_ < 0) std::abort();
    name_ = "/proc/self/fd/" + std::to_string(fd_);
  }
  ~MemoryFile() { close(fd_); }
  void Fill(const std::uint8_t* data, std::size_t size) {
    if (ftruncate(fd_, 0) != 0 || pwrite(fd_, data, size, 0) != static_cast<ssize_t>(size)) std::abort();
  }
  const char* Name() const { return name_.c_str(); }

 private:
  int fd_;
  std::string name_;
};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  EngineParams params{};
  if (FPSInitializeEngine(&params, 50) != FPS_OK) std::abort();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static MemoryFile input;
  input.Fill(data, size);
  const int loaded = FPSLoadFPDB(input.Name());
  FUZZ_CHECK(loaded == FPS_OK || loaded == FPS_CANNOT_READ || loaded == FPS_DATABASE_FULL);
  if (loaded != FPS_OK) {
    FUZZ_CHECK(FPSGetRegistedNum() == 0);
    return 0;
  }
  const int count = FPSGetRegistedNum();
  FUZZ_CHECK(count >= 0 && count <= 50);

  // A search over what was loaded, with the input's last 400 bytes as the
  // probe: the index may name fingerprints the file did not store.
  std::array<std::uint8_t, FPS_TEMPLATE_SIZE> probe{};
  const std::size_t take = std::min<std::size_t>(size, probe.size());
  std::memcpy(probe.data(), data + size - take, take);
  std::array<SearchCandidate, 5> found{};
  const int searched = FPSSearchFP(probe.data(), found.data(), static_cast<int>(found.size()));
  FUZZ_CHECK(searched == FPS_OK || searched == FPS_CANNOT_READ);
  for (const SearchCandidate& c : found) {
    FUZZ_CHECK(c.level <= 9 && c.reserved == 0);
    if (c.level == 0) continue;
    const FingerprintId id{c.userId, c.finger, c.sample};
    FUZZ_CHECK(FPSCheckDuplicatedId(&id) == FPS_ALREADY_REGISTERED);
  }

  // A save writes through a temporary name beside the file, so the round
  // trip goes through a real folder. (Saving scans the whole index, which is
  // slow under coverage tracing: once per input.)
  const std::string saved = FuzzFolder() / "saved.db";
  FUZZ_CHECK(FPSSaveFPDB(saved.c_str()) == FPS_OK);
  FUZZ_CHECK(FPSLoadFPDB(saved.c_str()) == FPS_OK);
  FUZZ_CHECK(FPSGetRegistedNum() == count);
  return 0;
}
