/* Loads libHuellix.so with dlopen from a C program, as an outside caller
 * does, and runs the engine interface's edge cases through its exports. */
#include <dlfcn.h>
#include <errno.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <stdio.h>
#include <string.h>
#include <sys/wait.h>
#include <unistd.h>

#include "fingerprint/Huellix.h"

static int failures = 0;

#define CHECK_EQ(actual, expected)                                                              \
  do {                                                                                          \
    long a_ = (long)(actual), e_ = (long)(expected);                                            \
    if (a_ != e_) {                                                                             \
      fprintf(stderr, "%s:%d: %s is %ld, expected %ld\n", __FILE__, __LINE__, #actual, a_, e_); \
      ++failures;                                                                               \
    }                                                                                           \
  } while (0)

static struct {
  int32_t (*InitializeEngine)(const EngineParams*, int32_t);
  int32_t (*TerminateEngine)(void);
  int32_t (*SetEngineParam)(const EngineParams*);
  int32_t (*GetEngineParam)(EngineParams*);
  int32_t (*RegisterFP)(const uint8_t*, const FingerprintId*);
  int32_t (*RemoveFP)(const FingerprintId*);
  int32_t (*SearchFP)(const uint8_t*, SearchCandidate*, int32_t);
  int32_t (*SaveFPDB)(const char*);
  int32_t (*LoadFPDB)(const char*);
  int32_t (*ClearFPDB)(void);
  int32_t (*IdentifyFP)(const uint8_t*, int32_t, FingerprintId*);
  int32_t (*GetRegistedNum)(void);
  int32_t (*CheckDuplicatedId)(const FingerprintId*);
} fps;

static int Bind(void* library) {
  struct {
    const char* name;
    void** slot;
  } symbols[] = {
      {"FPSInitializeEngine", (void**)&fps.InitializeEngine}, {"FPSTerminateEngine", (void**)&fps.TerminateEngine},
      {"FPSSetEngineParam", (void**)&fps.SetEngineParam},     {"FPSGetEngineParam", (void**)&fps.GetEngineParam},
      {"FPSRegisterFP", (void**)&fps.RegisterFP},             {"FPSRemoveFP", (void**)&fps.RemoveFP},
      {"FPSSearchFP", (void**)&fps.SearchFP},                 {"FPSSaveFPDB", (void**)&fps.SaveFPDB},
      {"FPSLoadFPDB", (void**)&fps.LoadFPDB},                 {"FPSClearFPDB", (void**)&fps.ClearFPDB},
      {"FPSIdentifyFP", (void**)&fps.IdentifyFP},             {"FPSGetRegistedNum", (void**)&fps.GetRegistedNum},
      {"FPSCheckDuplicatedId", (void**)&fps.CheckDuplicatedId},
  };
  for (size_t i = 0; i < sizeof symbols / sizeof symbols[0]; ++i) {
    *symbols[i].slot = dlsym(library, symbols[i].name);
    if (*symbols[i].slot == NULL) {
      fprintf(stderr, "%s is not exported\n", symbols[i].name);
      return 0;
    }
  }
  return 1;
}

/* A template of three minutiae that form one triangle. */
static void MakeTemplate(uint8_t* templ) {
  static const int xy[3][2] = {{48, 14}, {7, 55}, {0, 0}};
  memset(templ, 0, FPS_TEMPLATE_SIZE);
  templ[13] = 3;
  templ[14] = 200; /* width 200 */
  templ[16] = 200;
  for (int k = 0; k < 3; ++k) {
    templ[32 + 4 * k] = (uint8_t)(k * 40 << 1);
    templ[33 + 4 * k] = (uint8_t)xy[k][0];
    templ[34 + 4 * k] = (uint8_t)xy[k][1];
  }
}

static FingerprintId Id(int32_t user, int finger, int sample) {
  FingerprintId id;
  memset(&id, 0, sizeof id);
  id.userId = user;
  id.finger = (uint8_t)finger;
  id.sample = (uint8_t)sample;
  return id;
}

static int32_t Register(int32_t user, int finger, int sample) {
  uint8_t templ[FPS_TEMPLATE_SIZE];
  MakeTemplate(templ);
  FingerprintId id = Id(user, finger, sample);
  return fps.RegisterFP(templ, &id);
}

static int32_t Duplicated(int32_t user, int finger, int sample) {
  FingerprintId id = Id(user, finger, sample);
  return fps.CheckDuplicatedId(&id);
}

static void BeforeInitialisation(void) {
  uint8_t templ[FPS_TEMPLATE_SIZE];
  MakeTemplate(templ);
  FingerprintId id = Id(1, 1, 0);
  EngineParams params;
  SearchCandidate found[2];
  CHECK_EQ(fps.GetRegistedNum(), 1);
  CHECK_EQ(fps.TerminateEngine(), FPS_NOT_INITIALIZED);
  CHECK_EQ(fps.SetEngineParam(&params), FPS_NOT_INITIALIZED);
  CHECK_EQ(fps.GetEngineParam(&params), FPS_NOT_INITIALIZED);
  CHECK_EQ(fps.RegisterFP(templ, &id), FPS_NOT_INITIALIZED);
  CHECK_EQ(fps.RemoveFP(&id), FPS_NOT_INITIALIZED);
  CHECK_EQ(fps.SearchFP(templ, found, 2), FPS_NOT_INITIALIZED);
  CHECK_EQ(fps.SaveFPDB("/nonexistent/x.db"), FPS_NOT_INITIALIZED);
  CHECK_EQ(fps.LoadFPDB("/nonexistent/x.db"), FPS_NOT_INITIALIZED);
  CHECK_EQ(fps.ClearFPDB(), FPS_NOT_INITIALIZED);
  CHECK_EQ(fps.IdentifyFP(templ, 1, &id), FPS_NOT_INITIALIZED);
  CHECK_EQ(fps.CheckDuplicatedId(&id), FPS_NOT_INITIALIZED);
}

static void Lifecycle(void) {
  EngineParams first, second, read;
  memset(&first, 0x11, sizeof first);
  memset(&second, 0x22, sizeof second);

  CHECK_EQ(fps.InitializeEngine(&first, 5), FPS_OK);
  /* A second initialise keeps the first maximum and parameters. */
  CHECK_EQ(fps.InitializeEngine(&second, 1), FPS_OK);
  CHECK_EQ(fps.GetEngineParam(&read), FPS_OK);
  CHECK_EQ(memcmp(&read, &first, sizeof read), 0);
  CHECK_EQ(Register(1, 1, 0), FPS_OK);
  CHECK_EQ(Register(2, 1, 0), FPS_OK);
  CHECK_EQ(fps.GetRegistedNum(), 2);
  CHECK_EQ(fps.SetEngineParam(&second), FPS_OK);
  CHECK_EQ(fps.GetEngineParam(&read), FPS_OK);
  CHECK_EQ(memcmp(&read, &second, sizeof read), 0);

  /* Terminate twice; initialise again starts empty. */
  CHECK_EQ(fps.TerminateEngine(), FPS_OK);
  CHECK_EQ(fps.TerminateEngine(), FPS_NOT_INITIALIZED);
  CHECK_EQ(fps.GetRegistedNum(), 1);
  CHECK_EQ(fps.InitializeEngine(&first, 3), FPS_OK);
  CHECK_EQ(fps.GetRegistedNum(), 0);
  CHECK_EQ(Duplicated(1, 1, 0), FPS_OK);
  CHECK_EQ(fps.TerminateEngine(), FPS_OK);
}

static void KeysAndDuplicates(void) {
  EngineParams params;
  memset(&params, 0, sizeof params);
  CHECK_EQ(fps.InitializeEngine(&params, 4), FPS_OK);
  /* Only the low 24 bits of the user and 4 bits of finger and sample count. */
  CHECK_EQ(Register(16777216, 1, 0), FPS_OK);
  CHECK_EQ(Duplicated(0, 1, 0), FPS_ALREADY_REGISTERED);
  CHECK_EQ(Register(5, 17, 0), FPS_OK);
  CHECK_EQ(Duplicated(5, 1, 0), FPS_ALREADY_REGISTERED);
  CHECK_EQ(Register(5, 1, 16), FPS_ALREADY_REGISTERED);
  /* Another finger of the same user is another fingerprint. */
  CHECK_EQ(Register(7, 2, 0), FPS_OK);
  CHECK_EQ(Duplicated(7, 1, 0), FPS_OK);
  CHECK_EQ(Duplicated(7, 2, 0), FPS_ALREADY_REGISTERED);
  /* User -1, finger 15, sample 15 is the key with all bits set: reserved. */
  CHECK_EQ(Register(-1, 15, 15), FPS_CANNOT_READ);
  CHECK_EQ(Duplicated(16777215, 15, 15), FPS_OK);
  CHECK_EQ(Register(-1, 15, 14), FPS_OK);
  CHECK_EQ(Duplicated(16777215, 15, 14), FPS_ALREADY_REGISTERED);
  /* Full: a new id is refused, a registered one is named as such. */
  CHECK_EQ(fps.GetRegistedNum(), 4);
  CHECK_EQ(Register(8, 1, 0), FPS_DATABASE_FULL);
  CHECK_EQ(Register(7, 2, 0), FPS_ALREADY_REGISTERED);
  FingerprintId highest = Id(16777215, 15, 14);
  CHECK_EQ(fps.RemoveFP(&highest), FPS_OK);
  CHECK_EQ(fps.RemoveFP(&highest), FPS_NOT_REGISTERED);
  CHECK_EQ(fps.GetRegistedNum(), 3);
  CHECK_EQ(fps.ClearFPDB(), FPS_OK);
  CHECK_EQ(fps.GetRegistedNum(), 0);
  CHECK_EQ(fps.TerminateEngine(), FPS_OK);
}

static void Maximums(void) {
  EngineParams params;
  memset(&params, 0, sizeof params);
  const int32_t maximums[] = {0, -1, -100000};
  for (size_t i = 0; i < sizeof maximums / sizeof maximums[0]; ++i) {
    CHECK_EQ(fps.InitializeEngine(&params, maximums[i]), FPS_OK);
    CHECK_EQ(Register(1, 1, 0), FPS_DATABASE_FULL);
    CHECK_EQ(fps.GetRegistedNum(), 0);
    CHECK_EQ(fps.TerminateEngine(), FPS_OK);
  }
}

static void EmptySearches(void) {
  EngineParams params;
  memset(&params, 0, sizeof params);
  uint8_t probe[FPS_TEMPLATE_SIZE];
  MakeTemplate(probe);
  CHECK_EQ(fps.InitializeEngine(&params, 10), FPS_OK);

  SearchCandidate found[3];
  memset(found, 0x5A, sizeof found);
  CHECK_EQ(fps.SearchFP(probe, found, 3), FPS_OK);
  for (int i = 0; i < 3; ++i) CHECK_EQ(found[i].userId | found[i].level | found[i].finger, 0);

  FingerprintId id = Id(99, 9, 9);
  CHECK_EQ(fps.IdentifyFP(probe, 1, &id), FPS_ALREADY_REGISTERED);
  CHECK_EQ(id.userId | id.finger | id.sample, 0);
  /* No candidate at all is "nothing found" even with threshold 0: success
   * with user 0 would read as a match. */
  id = Id(99, 9, 9);
  CHECK_EQ(fps.IdentifyFP(probe, 0, &id), FPS_ALREADY_REGISTERED);
  CHECK_EQ(id.userId | id.finger | id.sample, 0);
  id = Id(99, 9, 9);
  CHECK_EQ(fps.IdentifyFP(probe, 256, &id), FPS_ALREADY_REGISTERED); /* only the low 8 bits count: 0 */
  CHECK_EQ(id.userId | id.finger | id.sample, 0);
  CHECK_EQ(fps.TerminateEngine(), FPS_OK);
}

/* Forks: the child runs `body` and reports its result through a pipe.
 * Returns 1 when the child reported success and ended with status 0. The
 * wait is bounded: a child whose search never returns writes nothing and
 * is killed after two minutes. */
static int InChild(int (*body)(void*), void* arg) {
  int ends[2];
  if (pipe(ends) != 0) return 0;
  fflush(stdout);
  fflush(stderr);
  const pid_t child = fork();
  if (child < 0) {
    close(ends[0]);
    close(ends[1]);
    return 0;
  }
  if (child == 0) {
    close(ends[0]);
    const char verdict = body(arg) ? 'y' : 'n';
    if (write(ends[1], &verdict, 1) != 1) _exit(2);
    _exit(0); /* nothing of the parent's exit handlers runs twice */
  }
  close(ends[1]);
  /* Everything the child writes, up to its end (the pipe's end of file). */
  char verdict = 0;
  int ended = 0;
  for (;;) {
    struct pollfd waiting = {ends[0], POLLIN, 0};
    const int ready = poll(&waiting, 1, 120000);
    if (ready < 0 && errno == EINTR) continue;
    if (ready != 1) break;
    char byte;
    const ssize_t got = read(ends[0], &byte, 1);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) {
      ended = got == 0;
      break;
    }
    verdict = byte;
  }
  close(ends[0]);
  if (!ended) {
    fprintf(stderr, "the child %d did not end within two minutes: killed\n", (int)child);
    kill(child, SIGKILL);
  }
  int status = 0;
  while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  return ended && verdict == 'y' && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

#define CANDIDATES 4

struct Expected {
  SearchCandidate found[CANDIDATES];
  int32_t registered;
};

static int SearchGives(const struct Expected* expected) {
  uint8_t probe[FPS_TEMPLATE_SIZE];
  MakeTemplate(probe);
  SearchCandidate found[CANDIDATES];
  memset(found, 0x5A, sizeof found);
  return fps.SearchFP(probe, found, CANDIDATES) == FPS_OK && memcmp(found, expected->found, sizeof found) == 0;
}

/* In a forked child: the inherited engine searches as the parent's did, more
 * than once, and after a registration of the child's own; a grandchild made
 * by the child does the same. */
static int ChildSearches(void* arg) {
  const struct Expected* expected = arg;
  if (fps.GetRegistedNum() != expected->registered) return 0;
  for (int i = 0; i < 3; ++i)
    if (!SearchGives(expected)) return 0;
  if (Register(900, 1, 0) != FPS_OK || fps.GetRegistedNum() != expected->registered + 1) return 0;
  uint8_t probe[FPS_TEMPLATE_SIZE];
  MakeTemplate(probe);
  SearchCandidate found[CANDIDATES];
  if (fps.SearchFP(probe, found, CANDIDATES) != FPS_OK) return 0;
  if (fps.TerminateEngine() != FPS_OK) return 0;
#ifndef __SANITIZE_THREAD__ /* it refuses threads started after a fork */
  /* Initialised again, the child has threads of its own. */
  EngineParams params;
  memset(&params, 0, sizeof params);
  if (fps.InitializeEngine(&params, 100) != FPS_OK || Register(1, 1, 0) != FPS_OK ||
      fps.SearchFP(probe, found, CANDIDATES) != FPS_OK || fps.TerminateEngine() != FPS_OK)
    return 0;
#endif
  return 1;
}

static int ChildSearchesAndForks(void* arg) {
  const struct Expected* expected = arg;
  if (!SearchGives(expected)) return 0;
  if (!InChild(ChildSearches, arg)) return 0;
  return ChildSearches(arg);
}

/* An engine with six fingers registered, and what a search of it gives. */
static void InitialiseWithSix(int finger, struct Expected* expected) {
  EngineParams params;
  memset(&params, 0, sizeof params);
  CHECK_EQ(fps.InitializeEngine(&params, 100), FPS_OK);
  for (int user = 1; user <= 6; ++user) CHECK_EQ(Register(user, finger, 0), FPS_OK);
  uint8_t probe[FPS_TEMPLATE_SIZE];
  MakeTemplate(probe);
  CHECK_EQ(fps.SearchFP(probe, expected->found, CANDIDATES), FPS_OK);
  expected->registered = fps.GetRegistedNum();
}

/* A caller that initialises and registers, then forks its workers (a
 * pre-fork server): each child uses the engine it inherited. */
static void ForkAfterRegistering(void) {
  struct Expected expected;
  InitialiseWithSix(1, &expected);
  CHECK_EQ(InChild(ChildSearches, &expected), 1);
  CHECK_EQ(InChild(ChildSearchesAndForks, &expected), 1);
  /* The parent is as it was: its threads, its database. */
  CHECK_EQ(SearchGives(&expected), 1);
  CHECK_EQ(fps.GetRegistedNum(), 6);
  CHECK_EQ(fps.TerminateEngine(), FPS_OK);
}

struct Searcher {
  const struct Expected* expected;
  int stop; /* set by the main thread once its forks are done */
  pthread_mutex_t lock;
  int failed;
};

static void* SearchUntilStopped(void* arg) {
  struct Searcher* searcher = arg;
  for (;;) {
    pthread_mutex_lock(&searcher->lock);
    const int stop = searcher->stop;
    pthread_mutex_unlock(&searcher->lock);
    if (stop) return NULL;
    if (!SearchGives(searcher->expected)) searcher->failed = 1;
  }
}

/* Forks while another thread of the caller searches: the child never gets
 * the engine half-way through a call. */
static void ForkDuringAnotherThreadsSearches(void) {
  struct Expected expected;
  InitialiseWithSix(2, &expected);
  struct Searcher searcher = {&expected, 0, PTHREAD_MUTEX_INITIALIZER, 0};
  pthread_t thread;
  CHECK_EQ(pthread_create(&thread, NULL, SearchUntilStopped, &searcher), 0);
  for (int i = 0; i < 5; ++i) CHECK_EQ(InChild(ChildSearches, &expected), 1);
  pthread_mutex_lock(&searcher.lock);
  searcher.stop = 1;
  pthread_mutex_unlock(&searcher.lock);
  CHECK_EQ(pthread_join(thread, NULL), 0);
  CHECK_EQ(searcher.failed, 0);
  CHECK_EQ(fps.TerminateEngine(), FPS_OK);
}

int main(int argc, char** argv) {
  const char* path = argc > 1 ? argv[1] : "libHuellix.so";
  void* library = dlopen(path, RTLD_NOW | RTLD_LOCAL);
  if (library == NULL) {
    fprintf(stderr, "%s\n", dlerror());
    return 1;
  }
  if (!Bind(library)) return 1;
  BeforeInitialisation();
  Lifecycle();
  KeysAndDuplicates();
  Maximums();
  EmptySearches();
  ForkAfterRegistering();
  ForkDuringAnotherThreadsSearches();
  dlclose(library);
  if (failures != 0) fprintf(stderr, "%d checks failed\n", failures);
  return failures == 0 ? 0 : 1;
}
