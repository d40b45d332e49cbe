// Test support: a second real process cut short with SIGKILL at a point of
// its work that it marks, to show that work killed there loses nothing.
//
//   // child:  ... writing has begun ... orvo::testing::Mark(marker); ... goes on ...
//   auto child = orvo::process::Start(program, {marker.string(), ...});
//   EXPECT_EQ(orvo::testing::KillAtMarker(child, marker), orvo::testing::kKilled);
//
// The kill lands where the child is once it has made the marker (plus
// `after`), so the marker goes where the work has begun and is still running.
#pragma once

#include <chrono>
#include <filesystem>

#include "platform/process/process.h"

namespace orvo::testing {

// The exit status of a process that SIGKILL ended, as process::Child reports it.
inline constexpr int kKilled = 128 + 9;

// For the child: makes the marker file (a new, empty file).
void Mark(const std::filesystem::path& marker);

// Waits until `marker` exists or the child has ended, waits `after` more, then
// kills the child and reaps it. Gives its exit status: kKilled, or the child's
// own status if it ended first. Removes the marker.
int KillAtMarker(process::Child& child, const std::filesystem::path& marker,
                 std::chrono::milliseconds after = std::chrono::milliseconds{0});

// Waits for the child to end on its own (up to two minutes) and gives its status;
// -1 if it is still running then (it is killed).
int WaitForEnd(process::Child& child);

}  // namespace orvo::testing
