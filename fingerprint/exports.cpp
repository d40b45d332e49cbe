// The exports of the engine's lifecycle, registration and database file.
// A null pointer is refused with the nearest result code before anything is
// touched.
#include <cstring>

#include "fingerprint/Huellix.h"
#include "fingerprint/database_file.h"
#include "fingerprint/engine_fork.h"
#include "fingerprint/export_guard.h"
#include "fingerprint/registration.h"

using namespace huellix;

extern "C" {

int32_t FPSInitializeEngine(const EngineParams* params, int32_t maximumTemplates) {
  return Guarded([&]() -> std::int32_t {
    EngineState& engine = Engine();
    if (engine.initialised) return kOk;
    if (params == nullptr || !HandleForks()) return kOutOfMemory;
    engine.maximum = maximumTemplates;
    if (int result = CreateEngineState(params->bytes); result != kOk) return result;
    engine.pool.Start(SearchThreads());
    engine.registered = 0;
    engine.initialised = true;
    return kOk;
  });
}

int32_t FPSTerminateEngine(void) {
  return GuardedInitialised([]() -> std::int32_t {
    DestroyEngineState();
    Engine().pool.Stop();
    Engine().registered = 0;
    Engine().initialised = false;
    return kOk;
  });
}

int32_t FPSSetEngineParam(const EngineParams* params) {
  return GuardedInitialised([&]() -> std::int32_t {
    if (params == nullptr) return kOutOfMemory;
    std::memcpy(Engine().params.data(), params->bytes, kEngineParamsSize);
    return kOk;
  });
}

int32_t FPSGetEngineParam(EngineParams* params) {
  return GuardedInitialised([&]() -> std::int32_t {
    if (params == nullptr) return kOutOfMemory;
    std::memcpy(params->bytes, Engine().params.data(), kEngineParamsSize);
    return kOk;
  });
}

int32_t FPSRegisterFP(const uint8_t* templ, const FingerprintId* id) {
  return GuardedInitialised([&]() -> std::int32_t {
    if (templ == nullptr || id == nullptr) return kCannotRead;
    if (Engine().registered > Engine().maximum) return kDatabaseFull;
    return AddFingerprint(templ, *id);
  });
}

int32_t FPSRemoveFP(const FingerprintId* id) {
  return GuardedInitialised([&]() -> std::int32_t {
    if (id == nullptr) return kNotRegistered;
    return DeleteFingerprint(*id);
  });
}

int32_t FPSCheckDuplicatedId(const FingerprintId* id) {
  return GuardedInitialised([&]() -> std::int32_t {
    // A missing id is not one the caller may go on to register.
    if (id == nullptr) return kAlreadyRegistered;
    return Engine().store.FingerprintKeyExists(PackFingerprintId(*id)) ? kAlreadyRegistered : kOk;
  });
}

int32_t FPSGetRegistedNum(void) {
  return GuardedInitialised([]() -> std::int32_t { return Engine().registered; });
}

int32_t FPSSaveFPDB(const char* fileName) {
  return GuardedInitialised([&]() -> std::int32_t {
    if (fileName == nullptr) return kCannotWriteFile;
    return WriteDatabaseFile(fileName);
  });
}

int32_t FPSLoadFPDB(const char* fileName) {
  return GuardedInitialised([&]() -> std::int32_t {
    if (fileName == nullptr) return kCannotRead;
    return ReadDatabaseFile(fileName);
  });
}

int32_t FPSClearFPDB(void) {
  return GuardedInitialised([]() -> std::int32_t { return ResetDatabase(); });
}

}  // extern "C"
