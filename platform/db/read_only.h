// Inside the engine only: a database on a medium this program may not write
// (a file of mode 444, a folder of mode 555, a read-only mount) opens for
// reading, and its writes fail saying why.
//
// SQLite reads a file in WAL mode through its "-shm" index, which it makes
// beside the file. Where the folder cannot be written there is no index, and
// SQLite reads the file only when told that it cannot change (its
// "immutable" flag): true while no log beside it can be made either, so no
// program can commit to it. Where the folder can be written but the file
// cannot, SQLite makes the index and an empty log but cannot remove them at
// close (it removes them after a checkpoint, which writes the file): the
// last program to close removes them here.
#pragma once

#include <filesystem>
#include <string>

namespace orvo::db::detail {

// Why this program may not write `file`, in words that follow "no se puede
// actualizar '...': "; empty when it may write both the file and its folder.
std::string WhyReadOnly(const std::filesystem::path& file);

// Whether SQLite could make the companion files beside `file`.
bool FolderWritable(const std::filesystem::path& file);

// The SQLite URI that opens `file` as unchanging.
std::string ImmutableUri(const std::filesystem::path& file);

// Removes, when it goes, the "-wal" (if empty) and "-shm" that read-only
// connections left beside a file, once no SQLite client uses them. A session
// declares it before its shared lock, so that it runs after the lock is let go.
class CompanionSweep {
 public:
  CompanionSweep() = default;
  ~CompanionSweep();
  CompanionSweep(const CompanionSweep&) = delete;
  CompanionSweep& operator=(const CompanionSweep&) = delete;
  void Watch(const std::filesystem::path& file) { file_ = file; }

 private:
  std::filesystem::path file_;
};

}  // namespace orvo::db::detail
