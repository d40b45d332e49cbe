// The engine across fork: a child process gets the engine as the parent
// left it between two calls, and searches on its calling thread.
#pragma once

namespace huellix {

// Registers, once per load of the library, the handlers that fork runs: the
// engine's lock is taken before the fork, so no call is half-way in the
// copy, and given back on both sides; in the child the search pool forgets
// the parent's workers. False when the system has no room for the handlers.
// Under the engine's lock.
bool HandleForks();

}  // namespace huellix
