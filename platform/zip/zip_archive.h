// Writing a zip archive from a list of names and patterns: the library calls
// that the zip wrapper class makes, in its order, over libzip.
//
//   ZipUserFunctions f{.print = [](const char* text, unsigned long) { std::fputs(text, stderr); return 0; }};
//   ZpInit(f);
//   ZpSetOptions({.rootDir = "\\"});
//   std::string names[] = {"C:\\Quiravel\\*", "C:\\Quiravel\\Res\\*"};
//   int r = ZpArchive(2, "C:\\Quiravel\\orvoBackup\\QR1_x.ZIP", names);   // 0: written
//
// Names are Windows paths on drive C: (platform/drive), with DOS patterns in
// their last component; "*" and "*.*" select what lies directly in that folder
// and, with `recurse`, in its subfolders too. Hidden (dot) files are left out.
// Stored names are relative to `rootDir`, with '/' between folders. A name that
// matches nothing is reported and skipped; only when no name matches at all is
// the result kNothingToDo.
//
// Only problems are printed: names that matched nothing, files left out, and
// what made a run fail.
//
// The archive is written under a hidden temporary name beside its final one
// and renamed only when complete: on any failure (a file that cannot be read, a
// full disk) nothing carries the final name, an archive that was there before
// is left as it was, and the result and the printed message say why. A
// completed archive is on disk, name and all, when the call returns. Each
// file keeps its modification time, both as the DOS time and as an extended
// timestamp in UTC. Without `update`, an existing archive gets every selected
// file added or replaced; with it, only files newer than their entry are.
#pragma once

#include <functional>
#include <span>
#include <string>
#include <string_view>

namespace orvo::zip {

// The caller's functions. `print` receives each message line, NUL-ended, and
// its length; its result is ignored. `password` and `comment` are asked only
// for an encrypted archive or an archive comment, which this layer does not
// write; they stay part of the record so that a caller fills it in full.
struct ZipUserFunctions {
  std::function<int(const char* text, unsigned long length)> print;
  std::function<int(char* buffer, int size, const char* prompt, const char* name)> password;
  std::function<char*(char* buffer)> comment;
};

struct ZpOptions {
  std::string rootDir;   // stored names are relative to this folder; empty: drive C:'s root
  bool recurse = false;  // go into subfolders
  bool update = false;   // replace only entries older than their file
  int level = 0;         // deflate level 1..9; 0 takes the default, 6
};

// Number of name slots of the names record a caller passes.
inline constexpr int kZpNameSlots = 100;

int ZpInit(const ZipUserFunctions& functions);
int ZpSetOptions(const ZpOptions& options);
// The options in force: what the last ZpSetOptions gave.
ZpOptions ZpGetOptions();

// Writes the archive from the first `count` names. Returns a Result.
int ZpArchive(long count, std::string_view zipFileName, std::span<const std::string> names);

}  // namespace orvo::zip
