#include "fingerprint/engine_fixture.h"

#include "fingerprint/triplets.h"

namespace huellix::testing {

FingerprintId Id(std::int32_t user, int finger, int sample) {
  return FingerprintId{user, static_cast<std::uint8_t>(finger), static_cast<std::uint8_t>(sample)};
}

int IndexItemsOf(FingerprintKey key) {
  int items = 0;
  for (std::uint32_t slot = 0; slot < kSlotCount; ++slot)
    for (const IndexEntry& entry : Engine().index.SlotEntries(slot))
      for (const TrianglePose& pose : entry.Items()) items += pose.fingerprintKey == key ? 1 : 0;
  return items;
}

int IndexItemCount() {
  int items = 0;
  for (std::uint32_t slot = 0; slot < kSlotCount; ++slot)
    for (const IndexEntry& entry : Engine().index.SlotEntries(slot)) items += entry.itemCount;
  return items;
}

int AcceptedTriangles(const TemplateBytes& templ) {
  DecodedTemplate decoded;
  if (DecodeTemplate(templ.data(), decoded) != 0) return 0;
  TriangleList list;
  BuildTripletList(decoded, list);
  int accepted = 0;
  for (const Triangle& t : list.Triangles()) {
    ShapeKeyBytes shape;
    TrianglePose pose;
    accepted += ComputeTripletFeatures(t, decoded, shape, pose) ? 1 : 0;
  }
  return accepted;
}

TemplateBytes FingerTemplate(unsigned seed, int count) { return WriteTemplate(SyntheticFinger(seed, count)); }

}  // namespace huellix::testing
