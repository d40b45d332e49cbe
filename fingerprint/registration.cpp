#include "fingerprint/registration.h"

#include <algorithm>
#include <array>

#include "fingerprint/engine_state.h"
#include "fingerprint/result_codes.h"
#include "fingerprint/triplets.h"

namespace huellix {
namespace {

// Calls visit(shape, pose) for each accepted triangle of the template.
template <class Visit>
void ForEachAcceptedTriangle(FingerprintKey key, const DecodedTemplate& decoded, Visit&& visit) {
  TriangleList list;
  BuildTripletList(decoded, list);
  for (const Triangle& triangle : list.Triangles()) {
    ShapeKeyBytes shape;
    TrianglePose pose;
    if (!ComputeTripletFeatures(triangle, decoded, shape, pose)) continue;
    pose.fingerprintKey = key;
    if (!visit(shape, pose)) return;
  }
}

}  // namespace

int IndexTemplateTriplets(FingerprintKey key, const DecodedTemplate& decoded) {
  TriangleIndex& index = Engine().index;
  // The template's triangles first, then their slots and records fetched
  // ahead of the insertions, which still go in the triangles' order: the
  // slots lie all over the index, and their memory waits overlap this way.
  std::array<std::uint32_t, kMaxTriangles> keys;
  std::array<TrianglePose, kMaxTriangles> poses;
  int count = 0;
  ForEachAcceptedTriangle(key, decoded, [&](const ShapeKeyBytes& shape, const TrianglePose& pose) {
    keys[static_cast<std::size_t>(count)] = QuantiseTripletKey(shape);
    poses[static_cast<std::size_t>(count++)] = pose;
    return true;
  });
  for (int k = 0; k < count; ++k) index.PrefetchSlot(keys[static_cast<std::size_t>(k)] % kSlotCount);
  for (int k = 0; k < count; ++k) index.PrefetchRecord(keys[static_cast<std::size_t>(k)] % kSlotCount);
  int filed = 0;
  while (filed < count &&
         index.InsertItem(keys[static_cast<std::size_t>(filed)], poses[static_cast<std::size_t>(filed)]) == kOk)
    ++filed;
  if (filed == count) return kOk;
  // Undo in reverse, each time the pose filed last under its key, so the
  // index is as it was before.
  while (filed > 0) index.RemoveItem(keys[static_cast<std::size_t>(--filed)], key, /*fromEnd=*/true);
  return kOutOfMemory;
}

void RemoveTemplateTriplets(FingerprintKey key, const DecodedTemplate& decoded) {
  TriangleIndex& index = Engine().index;
  ForEachAcceptedTriangle(key, decoded, [&](const ShapeKeyBytes& shape, const TrianglePose&) {
    index.RemoveIndexKey(shape, key);
    return true;
  });
}

int AddFingerprint(const std::uint8_t* templ, const FingerprintId& id) {
  EngineState& engine = Engine();
  const FingerprintKey key = PackFingerprintId(id);
  if (engine.store.FingerprintKeyExists(key)) return kAlreadyRegistered;
  if (engine.registered >= engine.maximum) return kDatabaseFull;
  std::array<std::uint8_t, kTemplateSize> copy;
  std::copy(templ, templ + kTemplateSize, copy.begin());
  DecodedTemplate decoded;
  if (int result = DecodeTemplate(copy.data(), decoded); result != kOk) return result;
  // The template goes in first: taking it out again cannot fail, so a
  // failure of the triangles leaves neither behind.
  if (int result = engine.store.StoreTemplate(key, copy.data()); result != kOk) return result;
  if (int result = IndexTemplateTriplets(key, decoded); result != kOk) {
    engine.store.RemoveTemplate(key, copy.data());
    return result;
  }
  ++engine.registered;
  return kOk;
}

int DeleteFingerprint(const FingerprintId& id) {
  EngineState& engine = Engine();
  const FingerprintKey key = PackFingerprintId(id);
  std::array<std::uint8_t, kTemplateSize> templ;
  if (!engine.store.RemoveTemplate(key, templ.data())) return kNotRegistered;
  // A stored template that does not decode (only a database file can bring
  // one) had no triangles filed for it.
  DecodedTemplate decoded;
  if (DecodeTemplate(templ.data(), decoded) == kOk) RemoveTemplateTriplets(key, decoded);
  --engine.registered;
  return kOk;
}

}  // namespace huellix
