// A database file among other files, as the engine alone can tell it: which
// file is a database, which files the engine keeps beside one, and whether a
// database is sound.
//
// Nothing outside the engine opens a database file by other means. On Linux,
// closing any descriptor of a file drops every lock the process holds on it,
// so a plain stream that read a database's header would silently take away
// the locks of this program's own connection to it; every question about a
// database file therefore goes through the engine's own descriptor.
//
//   if (orvo::db::IsDatabaseFile(path)) Snapshot... else copy;
//   for (const auto& f : orvo::db::CompanionFiles(path)) ...;   // -wal, -shm, -journal, .ldb
//   if (orvo::db::IsCompanionFile(name)) continue;               // no data of its own
//   auto problems = orvo::db::IntegrityProblems(cn);             // empty: sound
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace orvo::db {

class Connection;

// Whether the file starts as a database of the engine does. Never creates,
// changes or locks anything; false for a missing file, a folder, an empty
// file and a companion file (never opened, see IsCompanionFile).
bool IsDatabaseFile(const std::filesystem::path& file);

// The files the engine may keep beside `database` while it is in use: its
// write-ahead log, its shared-memory index, its rollback journal and its lock
// file (LockFilePath), in that order. Whether they exist is not looked at.
std::vector<std::filesystem::path> CompanionFiles(const std::filesystem::path& database);

// Whether a file's name is that of a companion of some database (letter case
// ignored, as Windows does): a file that holds no data of its own.
bool IsCompanionFile(const std::filesystem::path& file);

// Whether a file's name is that of a database's lock file (see lock_file.h):
// a file that stays where it is, since a program may hold it.
bool IsLockFile(const std::filesystem::path& file);

// The engine's full integrity check of the open database: every problem it
// found, one a line, in its own words; empty when the database is sound.
std::vector<std::string> IntegrityProblems(Connection& cn);

// The first detail line of a check's findings, for a message that must fit
// on the screen; empty when there are none.
std::string FirstProblem(const std::vector<std::string>& problems);

}  // namespace orvo::db
