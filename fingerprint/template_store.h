// TemplateStore: the registered templates under their FingerprintKeys, in
// 100,000 buckets (bucket = key mod 100,000) on the store heap, each bucket
// a chain in insertion order. Every key is an ordinary value: no key stands
// for "empty".
//
//   TemplateStore store;
//   if (!store.Create(heap)) { /* 101 */ }
//   store.StoreTemplate(key, templ);                 // 0 or 101
//   if (store.FingerprintKeyExists(key)) ...
//   store.FetchTemplate(key, buffer);                // buffer untouched when absent
#pragma once

#include <array>
#include <cstdint>

#include "fingerprint/fingerprint_id.h"
#include "fingerprint/template_decoder.h"
#include "platform/heap/heap.h"

namespace huellix {

constexpr std::uint32_t kBucketCount = 100'000;

struct StoredTemplate {
  FingerprintKey key;
  std::array<std::uint8_t, kTemplateSize> templ;
  StoredTemplate* next;
};

class TemplateStore {
 public:
  // Allocates the zeroed bucket table on the heap; false when it cannot.
  bool Create(orvo::heap::Heap& heap);
  // Forgets everything without freeing: for when the heap is destroyed whole.
  void Drop();

  // Appends at the end of the key's chain: 0, or 101 when memory runs out.
  int StoreTemplate(FingerprintKey key, const std::uint8_t* templ);
  // True and the template copied into buffer when the key is stored.
  bool FetchTemplate(FingerprintKey key, std::uint8_t* buffer) const;
  bool FingerprintKeyExists(FingerprintKey key) const;
  int CountStoredTemplates() const;
  // Takes the record out of its chain and frees it after copying its
  // template into buffer; false when the key is not stored.
  bool RemoveTemplate(FingerprintKey key, std::uint8_t* buffer);

  // The first record of a bucket's chain, or nullptr.
  const StoredTemplate* Bucket(std::uint32_t bucket) const { return buckets_[bucket]; }

 private:
  const StoredTemplate* Find(FingerprintKey key) const;

  orvo::heap::Heap* heap_ = nullptr;
  StoredTemplate** buckets_ = nullptr;
};

}  // namespace huellix
