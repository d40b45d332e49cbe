#include "platform/heap/heap.h"

#include <cstdint>
#include <cstdlib>
#include <new>

namespace orvo::heap {

// Every block carries a header linking it into its heap, so that destroying
// the heap frees whatever its owner never freed.
struct alignas(std::max_align_t) Heap::Block {
  Block* previous;
  Block* next;
  std::size_t size;
};

std::unique_ptr<Heap> Heap::Create(std::size_t initialSize, std::size_t maximumSize) {
  if (maximumSize != 0 && initialSize > maximumSize) return nullptr;
  return std::unique_ptr<Heap>(new (std::nothrow) Heap(maximumSize));
}

Heap::~Heap() {
  while (first_ != nullptr) {
    Block* next = first_->next;
    std::free(first_);
    first_ = next;
  }
}

bool Heap::Fits(std::size_t more) const {
  if (more > SIZE_MAX - sizeof(Block)) return false;
  return maximumSize_ == 0 || (bytesInUse_ <= maximumSize_ && more <= maximumSize_ - bytesInUse_);
}

void Heap::Link(Block* block) {
  block->previous = nullptr;
  block->next = first_;
  if (first_ != nullptr) first_->previous = block;
  first_ = block;
  bytesInUse_ += block->size;
}

void Heap::Unlink(Block* block) {
  if (block->previous != nullptr) block->previous->next = block->next;
  else first_ = block->next;
  if (block->next != nullptr) block->next->previous = block->previous;
  bytesInUse_ -= block->size;
}

void* Heap::Adopt(void* memory, std::size_t size) {
  if (memory == nullptr) return nullptr;
  auto* block = static_cast<Block*>(memory);
  block->size = size;
  Link(block);
  return block + 1;
}

void* Heap::Allocate(std::size_t size) {
  if (!Fits(size)) return nullptr;
  return Adopt(std::malloc(sizeof(Block) + size), size);
}

void* Heap::AllocateZeroed(std::size_t size) {
  // calloc leaves large blocks to fresh zero pages instead of writing them.
  if (!Fits(size)) return nullptr;
  return Adopt(std::calloc(1, sizeof(Block) + size), size);
}

void* Heap::Reallocate(void* data, std::size_t size) {
  if (data == nullptr) return Allocate(size);
  Block* old = static_cast<Block*>(data) - 1;
  if (size > old->size && !Fits(size - old->size)) return nullptr;
  if (size > SIZE_MAX - sizeof(Block)) return nullptr;
  // Unlinked first: realloc may move the block, and the list must not point
  // at the old place; on failure the block goes back unchanged.
  Unlink(old);
  auto* block = static_cast<Block*>(std::realloc(old, sizeof(Block) + size));
  if (block == nullptr) {
    Link(old);
    return nullptr;
  }
  block->size = size;
  Link(block);
  return block + 1;
}

void Heap::Free(void* data) {
  if (data == nullptr) return;
  Block* block = static_cast<Block*>(data) - 1;
  Unlink(block);
  std::free(block);
}

}  // namespace orvo::heap
