// The engine's state, one per process: lifecycle flag, maximum and
// registered count, the caller's parameter block, the three private heaps
// and the triangle index and template store that live on them, and the
// threads a search shares its work among.
//
// Every export runs under EngineLock() (see export_guard.h); nothing here
// locks by itself.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>

#include "fingerprint/search_pool.h"
#include "fingerprint/template_store.h"
#include "fingerprint/triangle_index.h"
#include "platform/heap/heap.h"

namespace huellix {

constexpr std::size_t kIndexHeapInitialSize = 20'000'000;
constexpr std::size_t kStoreHeapInitialSize = 1'000'000;
constexpr std::size_t kVoteHeapInitialSize = 100'000;
constexpr std::size_t kEngineParamsSize = 32;

struct EngineState {
  bool initialised = false;
  std::int32_t maximum = 0;
  std::int32_t registered = 0;
  std::array<std::uint8_t, kEngineParamsSize> params{};
  std::unique_ptr<orvo::heap::Heap> indexHeap;
  std::unique_ptr<orvo::heap::Heap> storeHeap;
  std::unique_ptr<orvo::heap::Heap> voteHeap;  // the vote table of a running search
  TriangleIndex index;
  TemplateStore store;
  SearchPool pool;  // from initialisation to termination
};

EngineState& Engine();
std::mutex& EngineLock();

// Heap maximums for tests that make creation or allocation fail; 0 is
// growable without limit, as the engine runs normally.
struct HeapLimits {
  std::size_t index = 0;
  std::size_t store = 0;
  std::size_t vote = 0;
};
void SetHeapLimits(const HeapLimits& limits);

// Keeps the parameters, creates the heaps that do not exist yet and the
// index's and store's tables: 0, or 101 with the heaps destroyed again.
int CreateEngineState(const std::uint8_t* params);
// Destroys the heaps, dropping every index entry and stored template.
void DestroyEngineState();
// An empty database with the same parameters and maximum: 0, or 101 and the
// engine uninitialised, since nothing is left to work on.
int ResetDatabase();

}  // namespace huellix
