// Extracting a whole zip archive: the library calls that the unzip wrapper
// class makes, in its order, over libzip.
//
//   UnzipOptions o;
//   o.zipFileName = "C:\\Quiravel\\orvoBackup\\QR1_030226_090507.ZIP";
//   o.extractDir = "C:";
//   o.overwriteFiles = 1;
//   UnzipUserFunctions f;
//   f.print = [](const char* text, unsigned long) { std::fputs(text, stderr); return 0; };
//   f.replace = [](char* name) { return kReplaceYes; };
//   int r = Wiz_SingleEntryUnzip(o, f);   // 0: every entry extracted
//
// Paths are Windows paths on drive C: (platform/drive); a folder that already
// exists under another letter case is used as it is, as on Windows.
// Entries whose names are absolute, hold "..", start with a drive letter, or
// are links or devices are refused and reported, and the rest goes on; the
// result is then not 0. Each file is written under a hidden temporary name
// beside its target and renamed only once complete and checked (CRC), so a
// damaged entry or a full disk never leaves a half-written file under the
// target's name, and an earlier file of that name stays as it was; the files
// extracted are on disk, with their names, when the call returns. Files get
// the entry's modification time (the extended timestamp when present, the
// DOS time otherwise) and, for entries made on Unix, its permissions.
#pragma once

#include <cstdint>
#include <ctime>
#include <functional>
#include <string>

namespace orvo::zip {

// Options of one extraction. Flags are 1 or 0.
struct UnzipOptions {
  int extractOnlyNewer = 0;   // replace an existing file only with a newer entry; new files are written
  int spaceToUnderscore = 0;  // not offered: a run that asks for it is refused
  int promptToOverwrite = 0;  // ask `replace` before an existing file is replaced
  int quietLevel = 0;         // 0 and 1: a line for every entry; 2 and more: only problems
  int writeToStdOut = 0;      // not offered: refused
  int test = 0;               // read and check every entry, write nothing
  int list = 0;               // not offered: refused
  int freshen = 0;            // only files that exist already, and only with a newer entry
  int displayComment = 0;     // ignored
  int honorDirectories = 1;   // keep stored folders; 0 writes every file straight into extractDir
  int overwriteFiles = 0;     // replace existing files without asking
  int convertCrLf = 0;        // not offered: refused
  int verbose = 0;            // ignored
  int caseSensitive = 1;      // ignored (there is no name selection)
  int privilege = 0;          // ignored
  std::string zipFileName;
  std::string extractDir;     // empty: the current folder
};

// What `replace` answers for an existing file.
inline constexpr int kReplaceNo = 100;    // keep this one
inline constexpr int kReplaceYes = 102;   // replace this one
inline constexpr int kReplaceNone = 104;  // keep this one and every later one, without asking

// One entry, as `message` receives it before the entry is extracted or tested.
struct EntryDetails {
  std::string name;
  std::uint64_t size = 0;
  std::uint64_t compressedSize = 0;
  std::time_t time = 0;
  std::uint32_t crc = 0;
  bool encrypted = false;
};

struct UnzipUserFunctions {
  // Each message line, NUL-ended, and its length; the result is ignored.
  std::function<int(const char* text, unsigned long length)> print;
  // Asked before an existing file is replaced, when promptToOverwrite is 1.
  // The buffer holds the file's path as the user knows it, NUL-ended: the
  // extraction folder as given, a backslash, the entry's path in Windows spelling.
  std::function<int(char* name)> replace;
  // Asked for a protected entry's password: fill `buffer` (NUL-ended, at most
  // `size` bytes) and return 0, or return 1 to give none. Asked again after a
  // wrong password, at most three times an entry.
  std::function<int(char* buffer, int size, const char* prompt, const char* name)> password;
  std::function<void(const EntryDetails& entry)> message;
  // Called before each entry; a non-zero answer stops the run (kCancelled).
  std::function<int(const char* name, unsigned long size)> service;

  // Totals of the last run, filled in by the call.
  unsigned long entries = 0;
  std::uint64_t totalSize = 0;
  std::uint64_t totalCompressed = 0;
};

// Which layer answers: its own version and the libzip under it.
struct UzpVersion {
  std::string betaLevel;  // empty for a release
  std::string date;
  std::string zlibVersion;
  int major = 0, minor = 0, patch = 0;
  std::string libzipVersion;
};

void UzpVersion2(UzpVersion& version);

// Extracts (or, with `test`, checks) every entry of the archive. Returns a Result.
int Wiz_SingleEntryUnzip(const UnzipOptions& options, UnzipUserFunctions& functions);

}  // namespace orvo::zip
