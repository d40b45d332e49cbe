// SearchPool: the threads one search shares its work among, kept for the
// engine's life (started at initialisation, joined at termination), so a
// search does not pay for creating them. The caller's thread is part 0.
//
//   SearchPool pool;
//   pool.Start(SearchThreads());               // hardware's, capped by HUELLIX_THREADS
//   pool.Run([&](int part) { ... });           // part = 0 .. pool.Parts() - 1, all done on return
//   pool.Stop();
//
// One Run at a time: the engine's lock serialises the searches. Something
// thrown by a part is thrown again by Run once every part has ended.
//
// A child made by fork has only the thread that called fork: the workers
// stayed in the parent. The child's fork handler calls ForgetWorkers, and
// the child's searches run on its calling thread until a Start. No thread is
// started in the child on the engine's own account: creating threads in the
// child of a process with several is beyond what POSIX promises (and
// ThreadSanitizer refuses it), so that stays the caller's choice, through a
// termination and a new initialisation.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace huellix {

// The processors this process may run on, capped by the environment variable
// HUELLIX_THREADS when it holds a whole number of 1 or more (1: every search
// on the caller's thread alone).
int SearchThreads();

class SearchPool {
 public:
  SearchPool() = default;
  ~SearchPool() { Stop(); }
  SearchPool(const SearchPool&) = delete;
  SearchPool& operator=(const SearchPool&) = delete;

  // Starts parts - 1 workers; fewer when the system refuses more. Nothing
  // when already started.
  void Start(int parts);
  void Stop();
  int Parts() const { return static_cast<int>(workers_.size()) + 1; }

  void Run(const std::function<void(int part)>& task);

  // In a fork's child, before anything else touches the pool: the workers
  // and the state they shared are dropped without being joined or destroyed
  // (they belong to threads of the parent), leaving one part. Nothing is
  // allocated, so the fork handler may call it.
  void ForgetWorkers() noexcept;

 private:
  // Runs each task given after the generation `seen`, until stopped.
  void Work(int part, std::uint64_t seen);

  std::vector<std::thread> workers_;
  std::mutex mutex_;
  std::condition_variable wake_, done_;
  const std::function<void(int)>* task_ = nullptr;
  std::uint64_t generation_ = 0;
  int pending_ = 0;
  bool stopping_ = false;
  std::exception_ptr failure_;
};

}  // namespace huellix
