// Inside the engine only: the integrity check on a raw handle, shared by the
// public check of an open connection and the check of a fresh snapshot.
#pragma once

#include <sqlite3.h>

#include <string>
#include <vector>

namespace orvo::db::detail {

// Runs the full integrity check; every problem found, in SQLite's words
// (empty: sound). A check that cannot run at all gives its failure as `rc`.
std::vector<std::string> IntegrityLines(sqlite3* db, int& rc);

}  // namespace orvo::db::detail
