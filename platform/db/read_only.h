// Inside the engine only: a database on a medium this program may not write
// (a file of mode 444, a folder of mode 555, a read-only mount) opens for
// reading, and its writes fail saying why.
//
// SQLite reads a file in WAL mode through its "-shm" index, which it makes
// beside the file, and through which it follows what other programs commit.
// Where the folder can be written, SQLite makes the index (and an empty log)
// and leaves them at close when it cannot write the file: they stay, since a
// plain SQLite client may open them at any moment, and an empty pair is
// harmless. Where the folder cannot be written, the index another program
// made serves (read-only if need be); without one, SQLite can read the file
// only when told that it never changes (its "immutable" flag), which holds on
// a read-only file system alone: anywhere else its owner or another account
// could write it and the reader would see stale or mixed pages, so such a
// file is refused.
#pragma once

#include <filesystem>
#include <string>

namespace orvo::db::detail {

// Why this program may not write `file`, in words that follow "no se puede
// actualizar '...': "; empty when it may write both the file and its folder.
std::string WhyReadOnly(const std::filesystem::path& file);

// Whether SQLite could make the companion files beside `file`.
bool FolderWritable(const std::filesystem::path& file);

// Whether `file` lies on a file system mounted read-only: nothing can change it.
bool OnReadOnlyFileSystem(const std::filesystem::path& file);

// The SQLite URI that opens `file` as unchanging.
std::string ImmutableUri(const std::filesystem::path& file);

}  // namespace orvo::db::detail
