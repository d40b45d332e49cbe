// Test support: what a database file holds, to compare the state left by a
// killed and repeated run with that of one uninterrupted run.
//
//   EXPECT_EQ(orvo::testing::IntegrityCheck(mdb, "LUMAK"), "ok");
//   EXPECT_EQ(orvo::testing::Contents(mdb, "LUMAK"), orvo::testing::Contents(reference, "LUMAK"));
#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace orvo::testing {

// "ok" when the engine finds the file sound; otherwise what it found.
std::string IntegrityCheck(const std::filesystem::path& file, std::string_view password);

// Every row of every table, a row as its values joined by '|' (Null as
// "<null>"), sorted within each table: two runs that committed the same
// transactions in another order compare equal.
using TableRows = std::map<std::string, std::vector<std::string>>;
TableRows Contents(const std::filesystem::path& file, std::string_view password);

}  // namespace orvo::testing
