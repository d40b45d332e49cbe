// Putting the contents of one database file into a live database through the
// engine, instead of putting the file in its place: every connection that has
// the live file open, whether it has run a statement yet or not, reads the new
// contents at its next statement, and none is left writing a file that was
// swapped away under it.
//
// The work is one write transaction on the live database, taken when the
// object is made and held until Commit: other programs' writers wait for it
// (under their busy timeout) and lose nothing; readers go on reading the data
// as it stood, and a consistent copy (Connection::Snapshot, in this program or
// another) can be taken meanwhile. Commit makes the live database hold the
// source's contents: a table both define alike keeps its pages and indexes
// and takes only the rows that differ (compared by type and bytes); every
// other table, index, view and trigger is dropped and made again from the
// source's schema, its rows copied with their rowids; then it commits. Cut
// short before the commit (an error, the process killed, power lost), the
// live database is whole as it was: the engine's own rollback.
//
//   orvo::db::ContentsReplacement r("C:\\Quiravel\\Quiravel.mdb", "LUMAK", staged);   // write lock held
//   ... Snapmake copies the live data meanwhile ...
//   r.Commit("~restaura_a1B2c3");        // the live database now holds the staged one's contents
//   orvo::db::ReplacementMarked("C:\\Quiravel\\Quiravel.mdb", "LUMAK", "~restaura_a1B2c3");   // true
//
// The mark is written in the same transaction, so that whoever finds the work
// cut short can tell afterwards whether this commit happened.
#pragma once

#include <filesystem>
#include <optional>
#include <string_view>

#include "platform/db/connection.h"

namespace orvo::db {

class ContentsReplacement {
 public:
  // Opens the live database `live` (Windows or Linux path) with `password`,
  // attaches `source` (a database file nobody else uses) and takes the write
  // lock. Throws the engine's error: 3218 when another program kept the
  // write lock past the busy timeout, 3343 when `source` is no database.
  ContentsReplacement(std::string_view live, std::string_view password, const std::filesystem::path& source);
  // Without Commit, the live database stays as it was.
  ~ContentsReplacement();
  ContentsReplacement(const ContentsReplacement&) = delete;
  ContentsReplacement& operator=(const ContentsReplacement&) = delete;

  // Replaces the contents and commits, with `mark` stored beside them. On
  // failure (a full disk: 3026 naming the live file) nothing is changed.
  void Commit(std::string_view mark);

 private:
  Connection cn_;
  std::optional<Transaction> transaction_;
};

// Whether the database at `live` holds `mark` from a committed replacement.
bool ReplacementMarked(std::string_view live, std::string_view password, std::string_view mark);

}  // namespace orvo::db
