#include "fingerprint/engine_state.h"

#include <cstring>

#include "fingerprint/result_codes.h"

namespace huellix {
namespace {

HeapLimits heapLimits;

bool CreateHeap(std::unique_ptr<orvo::heap::Heap>& heap, std::size_t initialSize, std::size_t maximum) {
  if (!heap) heap = orvo::heap::Heap::Create(initialSize, maximum);
  return heap != nullptr;
}

}  // namespace

EngineState& Engine() {
  static EngineState state;
  return state;
}

std::mutex& EngineLock() {
  static std::mutex lock;
  return lock;
}

void SetHeapLimits(const HeapLimits& limits) { heapLimits = limits; }

int CreateEngineState(const std::uint8_t* params) {
  EngineState& engine = Engine();
  if (params != engine.params.data()) std::memcpy(engine.params.data(), params, kEngineParamsSize);
  if (!CreateHeap(engine.indexHeap, kIndexHeapInitialSize, heapLimits.index) ||
      !CreateHeap(engine.storeHeap, kStoreHeapInitialSize, heapLimits.store) ||
      !CreateHeap(engine.voteHeap, kVoteHeapInitialSize, heapLimits.vote) ||
      !engine.index.Create(*engine.indexHeap) || !engine.store.Create(*engine.storeHeap)) {
    DestroyEngineState();
    return kOutOfMemory;
  }
  return kOk;
}

void DestroyEngineState() {
  EngineState& engine = Engine();
  engine.index.Drop();
  engine.store.Drop();
  engine.indexHeap.reset();
  engine.storeHeap.reset();
  engine.voteHeap.reset();
}

int ResetDatabase() {
  EngineState& engine = Engine();
  DestroyEngineState();
  engine.registered = 0;
  const int result = CreateEngineState(engine.params.data());
  if (result != kOk) engine.initialised = false;
  return result;
}

}  // namespace huellix
