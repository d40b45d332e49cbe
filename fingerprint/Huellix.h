/* Huellix: the fingerprint search engine's C interface. A caller registers
 * 400-byte minutiae templates under fingerprint ids, searches a probe template
 * against them one-to-many, and saves or loads the whole database.
 *
 *   EngineParams params = {0};
 *   FPSInitializeEngine(&params, 10000);
 *   FingerprintId id = {42, 1, 0};                  user 42, finger 1, sample 0
 *   if (FPSRegisterFP(templ, &id) == FPS_ALREADY_REGISTERED) ...
 *   SearchCandidate found[10];
 *   FPSSearchFP(probe, found, 10);                  best first; level 0 = none
 *   FPSSaveFPDB("/var/lib/huellas.db");
 *   FPSTerminateEngine();
 *
 * Every function returns a 32-bit result code (FPS_...). All state is global
 * to the process; calls may come from several threads and run one at a time.
 *
 * A search shares its work among threads that the engine starts at
 * initialisation and ends at termination: as many as the processors the
 * process may run on, at most the whole number in the environment variable
 * HUELLIX_THREADS when set at initialisation (HUELLIX_THREADS=1: every search
 * on the caller's thread alone). The candidates are the same for any number
 * of threads.
 *
 * A process may fork after initialising (a server that starts its workers
 * that way): fork waits for a call under way in another thread to end, and
 * the child keeps the engine as it stood, with every registration. The
 * engine's threads stay with the parent: the child's searches run on its
 * calling thread, as with HUELLIX_THREADS=1, and give the same candidates.
 * The engine starts no thread in a child by itself; a child that terminates
 * and initialises the engine again has threads of its own. Parent and child
 * then have separate databases.
 *
 * Only the low 24 bits of a user id and the low 4 bits of finger and sample
 * are kept: user -1 comes back as 16777215, finger 17 as finger 1. The id
 * with every kept bit set (user 16777215 or -1, finger 15, sample 15) is
 * reserved: registering it answers FPS_CANNOT_READ and stores nothing. */
#ifndef HUELLIX_H
#define HUELLIX_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define FPS_TEMPLATE_SIZE 400

/* Result codes. */
#define FPS_OK 0
#define FPS_NOT_INITIALIZED 1
#define FPS_OUT_OF_MEMORY 101
#define FPS_CANNOT_WRITE_FILE 102
#define FPS_CANNOT_READ 103          /* database file, or a template that does not decode */
#define FPS_DATABASE_FULL 201
#define FPS_NOT_REGISTERED 202
#define FPS_ALREADY_REGISTERED 203   /* also: identify found no candidate at the threshold */

typedef struct FingerprintId {
  int32_t userId;
  uint8_t finger;
  uint8_t sample;
} FingerprintId;

typedef struct SearchCandidate {
  int32_t userId;   /* 0..16777215 */
  uint8_t finger;
  uint8_t sample;
  uint8_t level;    /* 1..9; 0 in a record that holds no candidate */
  uint8_t reserved; /* always 0 */
} SearchCandidate;

/* Kept and handed back; the engine gives it no meaning. */
typedef struct EngineParams {
  uint8_t bytes[32];
} EngineParams;

/* Lifecycle: initialise first, terminate last. A second initialise keeps
 * the first maximum and parameters. */
int32_t FPSInitializeEngine(const EngineParams* params, int32_t maximumTemplates);
int32_t FPSTerminateEngine(void);
int32_t FPSSetEngineParam(const EngineParams* params);
int32_t FPSGetEngineParam(EngineParams* params);

/* Registration and removal. */
int32_t FPSRegisterFP(const uint8_t* templ, const FingerprintId* id);
int32_t FPSRemoveFP(const FingerprintId* id);
int32_t FPSCheckDuplicatedId(const FingerprintId* id);
/* The registered count; 1 when the engine is not initialised. */
int32_t FPSGetRegistedNum(void);

/* Search: up to count candidates, best first. Identify reports the best
 * candidate's user id and finger (sample 0) when its level reaches the
 * threshold's low 8 bits. */
int32_t FPSSearchFP(const uint8_t* probe, SearchCandidate* candidates, int32_t count);
int32_t FPSIdentifyFP(const uint8_t* probe, int32_t thresholdLevel, FingerprintId* id);

/* The database file. A load replaces the whole database; clear empties it.
 * A save writes a temporary file beside the named one and renames it over
 * it, so any name the system takes (up to 255 bytes) can be saved; the
 * replaced file's mode carries over. A load of anything but a regular file
 * (a folder, a device, a pipe even with no writer) answers
 * FPS_CANNOT_READ at once. */
int32_t FPSSaveFPDB(const char* fileName);
int32_t FPSLoadFPDB(const char* fileName);
int32_t FPSClearFPDB(void);

#ifdef __cplusplus
}
#endif

#endif /* HUELLIX_H */
