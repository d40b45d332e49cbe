// Test helper: a second process that saves the template database, for the
// test that kills a save part-way.
//
//   fingerprint_save_child FILE COUNT [MARKER]
//
// Registers COUNT synthetic fingers, then saves them into FILE: once, or, with
// MARKER, over and over after making the marker, until it is killed. Exit
// status 0 when the save went well.
#include <fstream>
#include <string>

#include "fingerprint/Huellix.h"
#include "fingerprint/template_writer.h"

int main(int argc, char** argv) {
  if (argc < 3) return 2;
  const char* file = argv[1];
  const int count = std::stoi(argv[2]);
  EngineParams params{};
  if (FPSInitializeEngine(&params, count) != FPS_OK) return 1;
  for (int i = 0; i < count; ++i) {
    const auto templ = huellix::testing::WriteTemplate(huellix::testing::SyntheticFinger(static_cast<unsigned>(i), 40));
    const FingerprintId id{i + 1, 1, 0};
    if (FPSRegisterFP(templ.data(), &id) != FPS_OK) return 1;
  }
  if (argc < 4) return FPSSaveFPDB(file) == FPS_OK ? 0 : 1;
  std::ofstream{argv[3]};
  for (;;)
    if (FPSSaveFPDB(file) != FPS_OK) return 1;
}
