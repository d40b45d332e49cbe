#include "fingerprint/search_pool.h"

#include <sched.h>

#include <cerrno>
#include <cstdlib>
#include <new>
#include <system_error>

namespace huellix {

int SearchThreads() {
  int processors = 1;
  cpu_set_t set;
  CPU_ZERO(&set);
  if (sched_getaffinity(0, sizeof set, &set) == 0) processors = CPU_COUNT(&set);
  else processors = static_cast<int>(std::thread::hardware_concurrency());
  if (processors < 1) processors = 1;
  if (const char* text = std::getenv("HUELLIX_THREADS"); text != nullptr && *text != '\0') {
    char* end = nullptr;
    errno = 0;
    const long cap = std::strtol(text, &end, 10);
    if (errno == 0 && *end == '\0' && cap >= 1 && cap < processors) processors = static_cast<int>(cap);
  }
  return processors;
}

void SearchPool::Start(int parts) {
  if (!workers_.empty()) return;
  stopping_ = false;
  for (int part = 1; part < parts; ++part) {
    try {
      workers_.emplace_back([this, part, seen = generation_] { Work(part, seen); });
    } catch (const std::system_error&) {
      break;  // the search runs on the threads it has
    }
  }
}

void SearchPool::Stop() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  for (std::thread& worker : workers_) worker.join();
  workers_.clear();
}

void SearchPool::Run(const std::function<void(int)>& task) {
  {
    std::lock_guard lock(mutex_);
    task_ = &task;
    pending_ = static_cast<int>(workers_.size());
    failure_ = nullptr;
    ++generation_;
  }
  wake_.notify_all();
  std::exception_ptr mine;
  try {
    task(0);
  } catch (...) {
    mine = std::current_exception();
  }
  std::unique_lock lock(mutex_);
  done_.wait(lock, [&] { return pending_ == 0; });
  task_ = nullptr;
  if (mine) std::rethrow_exception(mine);
  if (failure_) std::rethrow_exception(failure_);
}

void SearchPool::ForgetWorkers() noexcept {
  // A std::thread of a thread that does not exist here can be neither joined
  // nor destroyed, nor the mutex and condition variables that such threads
  // wait on: fresh ones are made in their place, the old ones never ended.
  for (std::thread& worker : workers_) new (&worker) std::thread();
  workers_.clear();
  new (&mutex_) std::mutex();
  new (&wake_) std::condition_variable();
  new (&done_) std::condition_variable();
  task_ = nullptr;
  pending_ = 0;
  stopping_ = false;
  failure_ = nullptr;
}

void SearchPool::Work(int part, std::uint64_t seen) {
  std::unique_lock lock(mutex_);
  while (true) {
    wake_.wait(lock, [&] { return stopping_ || generation_ != seen; });
    if (stopping_) return;
    seen = generation_;
    const std::function<void(int)>& task = *task_;
    lock.unlock();
    std::exception_ptr thrown;
    try {
      task(part);
    } catch (...) {
      thrown = std::current_exception();
    }
    lock.lock();
    if (thrown && !failure_) failure_ = thrown;
    if (--pending_ == 0) done_.notify_one();
  }
}

}  // namespace huellix
