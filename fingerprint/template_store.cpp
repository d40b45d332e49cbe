#include "fingerprint/template_store.h"

#include <cstring>

#include "fingerprint/result_codes.h"

namespace huellix {

bool TemplateStore::Create(orvo::heap::Heap& heap) {
  heap_ = &heap;
  buckets_ = static_cast<StoredTemplate**>(heap.AllocateZeroed(sizeof(StoredTemplate*) * kBucketCount));
  return buckets_ != nullptr;
}

void TemplateStore::Drop() {
  heap_ = nullptr;
  buckets_ = nullptr;
}

int TemplateStore::StoreTemplate(FingerprintKey key, const std::uint8_t* templ) {
  auto* record = static_cast<StoredTemplate*>(heap_->Allocate(sizeof(StoredTemplate)));
  if (record == nullptr) return kOutOfMemory;
  record->key = key;
  std::memcpy(record->templ.data(), templ, kTemplateSize);
  record->next = nullptr;
  StoredTemplate** link = &buckets_[key % kBucketCount];
  while (*link != nullptr) link = &(*link)->next;
  *link = record;
  return kOk;
}

const StoredTemplate* TemplateStore::Find(FingerprintKey key) const {
  for (const StoredTemplate* r = buckets_[key % kBucketCount]; r != nullptr; r = r->next)
    if (r->key == key) return r;
  return nullptr;
}

bool TemplateStore::FetchTemplate(FingerprintKey key, std::uint8_t* buffer) const {
  const StoredTemplate* record = Find(key);
  if (record == nullptr) return false;
  std::memcpy(buffer, record->templ.data(), kTemplateSize);
  return true;
}

bool TemplateStore::FingerprintKeyExists(FingerprintKey key) const { return Find(key) != nullptr; }

int TemplateStore::CountStoredTemplates() const {
  int count = 0;
  for (std::uint32_t b = 0; b < kBucketCount; ++b)
    for (const StoredTemplate* r = buckets_[b]; r != nullptr; r = r->next) ++count;
  return count;
}

bool TemplateStore::RemoveTemplate(FingerprintKey key, std::uint8_t* buffer) {
  for (StoredTemplate** link = &buckets_[key % kBucketCount]; *link != nullptr; link = &(*link)->next) {
    StoredTemplate* record = *link;
    if (record->key != key) continue;
    *link = record->next;
    std::memcpy(buffer, record->templ.data(), kTemplateSize);
    heap_->Free(record);
    return true;
  }
  return false;
}

}  // namespace huellix
