// Private heaps, the stand-in for HeapCreate, HeapAlloc, HeapReAlloc, HeapFree
// and HeapDestroy: blocks that can be freed one by one or all at once.
//
//   auto heap = orvo::heap::Heap::Create(1'000'000);      // growable
//   if (!heap) { /* not created */ }
//   void* block = heap->Allocate(400);                    // nullptr when it fails
//   heap->Free(block);
//   heap.reset();                                         // frees every block left
//
// The initial size is a hint, as on Windows. A nonzero maximum caps the bytes
// handed out at once (a heap whose initial size is above its maximum is not
// created), which is how tests make allocation fail on purpose. A heap is not
// synchronised: its owner serialises the calls.
#pragma once

#include <cstddef>
#include <memory>

namespace orvo::heap {

class Heap {
 public:
  // nullptr when the heap cannot be created.
  static std::unique_ptr<Heap> Create(std::size_t initialSize, std::size_t maximumSize = 0);

  ~Heap();
  Heap(const Heap&) = delete;
  Heap& operator=(const Heap&) = delete;

  // nullptr when the heap's maximum would be passed or memory runs out.
  void* Allocate(std::size_t size);
  void* AllocateZeroed(std::size_t size);
  // Grows or shrinks a block, keeping its contents; nullptr on failure, and the
  // old block is then left as it was. A null block is a fresh allocation.
  void* Reallocate(void* block, std::size_t size);
  // A null block is ignored.
  void Free(void* block);

  std::size_t BytesInUse() const { return bytesInUse_; }
  std::size_t MaximumSize() const { return maximumSize_; }

 private:
  struct Block;
  explicit Heap(std::size_t maximumSize) : maximumSize_(maximumSize) {}
  bool Fits(std::size_t more) const;
  void* Adopt(void* memory, std::size_t size);
  void Link(Block* block);
  void Unlink(Block* block);

  std::size_t maximumSize_;
  std::size_t bytesInUse_ = 0;
  Block* first_ = nullptr;
};

}  // namespace orvo::heap
