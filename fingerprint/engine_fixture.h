// Test support: an initialised engine for the life of a test, terminated and
// with its heap limits cleared afterwards, and ways to look into its index.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>

#include "fingerprint/Huellix.h"
#include "fingerprint/engine_state.h"
#include "fingerprint/fingerprint_id.h"
#include "fingerprint/template_writer.h"

namespace huellix::testing {

class EngineTest : public ::testing::Test {
 protected:
  static constexpr std::int32_t kMaximum = 1000;

  void SetUp() override { Initialise(kMaximum); }
  void TearDown() override {
    FPSTerminateEngine();
    SetHeapLimits({});
  }
  void Initialise(std::int32_t maximum) {
    EngineParams params{};
    ASSERT_EQ(FPSInitializeEngine(&params, maximum), FPS_OK);
  }
  void Reinitialise(std::int32_t maximum) {
    FPSTerminateEngine();
    Initialise(maximum);
  }
};

FingerprintId Id(std::int32_t user, int finger = 1, int sample = 0);
// The poses filed for the fingerprint anywhere in the index.
int IndexItemsOf(FingerprintKey key);
int IndexItemCount();
// The poses a registration of the template would file.
int AcceptedTriangles(const TemplateBytes& templ);
// A template whose minutiae form a few triangles (seed picks the finger).
TemplateBytes FingerTemplate(unsigned seed, int count = 30);

}  // namespace huellix::testing
