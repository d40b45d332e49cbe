// Where the programs' own files lie, and the program folder of each program:
// the folder for its start markers and its result file "crtd".
//
// On Windows a program's folder is both, and writable. Installed here under a
// prefix the user may not write to (/usr/local/bin), the two part: the program
// folder is then
//   1. $ORVO_PROGRAM_FOLDER, when set (made when missing);
//   2. otherwise the executable's folder, when this user may write to it;
//   3. otherwise ${XDG_STATE_HOME:-$HOME/.local/state}/orvo (made when missing).
// A caller and the tool it starts run as one user with one environment, so
// they meet in the same folder.
//
//   fs::path exe = drive::ExecutableFolder() / "Snapmake";        // the program file
//   CreaMarcador(drive::ProgramFolderFor(exe.parent_path()), "RevSnapmake");
#pragma once

#include <filesystem>

namespace orvo::drive {

// The folder of the running executable (the working folder if it cannot be told).
std::filesystem::path ExecutableFolder();

// The program folder of the programs whose files lie in `executableFolder`.
std::filesystem::path ProgramFolderFor(const std::filesystem::path& executableFolder);

}  // namespace orvo::drive
