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
  // The template's triangles first, then filed in their order through a
  // pipeline: the slot of the triangle kStage * 3 ahead is fetched, the
  // record of the one kStage * 2 ahead and the places of the one kStage ahead,
  // so the memory waits of triangles all over the index overlap.
  std::array<std::uint32_t, kMaxTriangles> keys;
  std::array<TrianglePose, kMaxTriangles> poses;
  int count = 0;
  ForEachAcceptedTriangle(key, decoded, [&](const ShapeKeyBytes& shape, const TrianglePose& pose) {
    keys[static_cast<std::size_t>(count)] = QuantiseTripletKey(shape);
    poses[static_cast<std::size_t>(count++)] = pose;
    return true;
  });
  constexpr int kStage = 6;
  const auto keyAt = [&](int k) { return keys[static_cast<std::size_t>(k)]; };
  int filed = 0;
  for (int k = -3 * kStage; k < count; ++k) {
    if (const int at = k + 3 * kStage; at >= 0 && at < count) index.PrefetchSlot(keyAt(at) % kSlotCount);
    if (const int at = k + 2 * kStage; at >= 0 && at < count) index.PrefetchRecord(keyAt(at) % kSlotCount);
    if (const int at = k + kStage; at >= 0 && at < count) index.PrefetchAppend(keyAt(at));
    if (k < 0) continue;
    if (index.InsertItem(keyAt(k), poses[static_cast<std::size_t>(k)]) != kOk) break;
    ++filed;
  }
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
  if (key == kReservedKey) return kCannotRead;
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
