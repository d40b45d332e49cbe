// A 400-byte minutiae template from outside (a caller's reader): the decoder
// refuses it or gives neighbour lists that keep their rules, and a template
// that decodes registers and is removed again without leaving anything behind.
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "fingerprint/Huellix.h"
#include "fingerprint/template_decoder.h"
#include "fuzz/check.h"

namespace {

void CheckNeighbours(const huellix::DecodedTemplate& decoded) {
  const int n = decoded.header.count;
  FUZZ_CHECK(n >= 0 && n <= huellix::kMaxMinutiae);
  for (int i = 0; i < n; ++i) {
    const auto& neighbours = decoded.minutiae[i].neighbours;
    std::uint32_t previous = 0;
    for (const huellix::Neighbour& slot : neighbours) {
      if (slot.index == huellix::kNoNeighbour) {
        FUZZ_CHECK(slot.distance == huellix::kNoDistance);
        previous = huellix::kNoDistance;
        continue;
      }
      FUZZ_CHECK(slot.index < n && slot.index != i);
      FUZZ_CHECK(slot.distance >= 20 && slot.distance <= 139);
      FUZZ_CHECK(slot.distance >= previous);
      FUZZ_CHECK(huellix::WithinNeighbourRange(decoded.minutiae[i], decoded.minutiae[slot.index]));
      previous = slot.distance;
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  EngineParams params{};
  if (FPSInitializeEngine(&params, 100) != FPS_OK) std::abort();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::array<std::uint8_t, huellix::kTemplateSize> templ{};
  std::memcpy(templ.data(), data, std::min(size, templ.size()));

  static huellix::DecodedTemplate decoded;
  const int decodedResult = huellix::DecodeTemplate(templ.data(), decoded);
  FUZZ_CHECK(decodedResult == FPS_OK || decodedResult == FPS_CANNOT_READ);
  if (decodedResult == FPS_OK) CheckNeighbours(decoded);

  const FingerprintId id{7, 1, 0};
  const int registered = FPSRegisterFP(templ.data(), &id);
  if (decodedResult != FPS_OK) {
    FUZZ_CHECK(registered == FPS_CANNOT_READ);
  } else {
    FUZZ_CHECK(registered == FPS_OK);
    FUZZ_CHECK(FPSGetRegistedNum() == 1);
    FUZZ_CHECK(FPSCheckDuplicatedId(&id) == FPS_ALREADY_REGISTERED);
    FUZZ_CHECK(FPSRemoveFP(&id) == FPS_OK);
  }
  FUZZ_CHECK(FPSGetRegistedNum() == 0);
  return 0;
}
