// Drive C: of the Windows installation, as a folder on this machine.
//
// The folder standing for C: is $ORVO_DRIVE_C, or
// ${XDG_DATA_HOME:-$HOME/.local/share}/orvo/c when it is not set. Paths keep
// the Windows spelling in the programs ("C:\Quiravel\Quiravel.mdb") and are
// mapped here. As on Windows, a component whose exact spelling does not exist
// is matched ignoring letter case:
//
//   auto mdb = orvo::drive::Map("C:\\Quiravel\\Quiravel.mdb");
//   // <root>/Quiravel/Quiravel.mdb, or <root>/QUIRAVEL/quiravel.MDB if that exists
//
// Components that do not exist at all keep the spelling given, so a path to a
// file about to be created maps where Windows would create it.
#pragma once

#include <filesystem>
#include <string_view>

#include "platform/drive/program_folder.h"

namespace orvo::drive {

std::filesystem::path Root();

// A path that does not start with a drive letter is taken as relative to C:.
// Both '\' and '/' separate components. A path that would climb above C:
// ("C:\..\etc") or that names another drive ("D:\x") is refused with the
// platform's path error (76), since neither has a folder here; so is a path
// holding a NUL, which the system would read only up to it.
std::filesystem::path Map(std::string_view windowsPath);

// A Windows path mapped as Map does, or an absolute Linux path as it stands.
std::filesystem::path Resolve(std::string_view path);

// Finds an existing entry in `folder` whose name equals `name` ignoring letter
// case (every Windows-1252 letter); the exact spelling wins when present.
// Empty when none.
std::filesystem::path FindIgnoringCase(const std::filesystem::path& folder,
                                       std::string_view name);

// The running program's program folder: where start markers and result files
// lie; the executable's folder unless program_folder.h says otherwise.
std::filesystem::path ProgramFolder();

}  // namespace orvo::drive
