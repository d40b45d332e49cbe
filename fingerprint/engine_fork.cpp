#include "fingerprint/engine_fork.h"

#include <pthread.h>

#include "fingerprint/engine_state.h"

namespace huellix {
namespace {

void BeforeFork() { EngineLock().lock(); }

void InParent() { EngineLock().unlock(); }

// The child has one thread, this one: nothing waits for the lock here.
void InChild() {
  Engine().pool.ForgetWorkers();
  EngineLock().unlock();
}

}  // namespace

bool HandleForks() {
  // The handlers go when the library is unloaded (glibc drops those of an
  // unloaded object), and come again with the next load's first initialise.
  static bool registered = false;
  if (!registered) registered = pthread_atfork(BeforeFork, InParent, InChild) == 0;
  return registered;
}

}  // namespace huellix
