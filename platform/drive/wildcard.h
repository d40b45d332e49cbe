// DOS file patterns, as the Windows file functions matched them: "*" and
// "*.*" both select every file, "?" stands for one character, and letter case
// is ignored for every Windows-1252 letter. Listing leaves hidden (dot) files
// out, as Windows left out hidden and system files.
//
//   MatchesWildcard("QR1*", "qr1_030226_090507.ZIP")   -> true
//   MatchesWildcard("*.ldb", "Quiravel.LDB")           -> true
//   MatchesWildcard("*.*", "crtd")                     -> true (no dot needed)
//   MatchesWildcard("*.", "crtd")                      -> true (names without extension)
//   auto files = ListFiles(Map("C:\\Quiravel"), "*.ldb");   // sorted by name
#pragma once

#include <filesystem>
#include <string_view>
#include <vector>

namespace orvo::drive {

// Whether a file name (one component, UTF-8) matches a DOS pattern.
bool MatchesWildcard(std::string_view pattern, std::string_view name);

// Whether the text holds a wildcard character ('*' or '?').
bool HasWildcard(std::string_view text);

// The files that lie directly in `folder` (links to files included) and match
// `pattern`, hidden ones left out, sorted by name ignoring letter case. A
// missing or unreadable folder gives an empty list.
std::vector<std::filesystem::path> ListFiles(const std::filesystem::path& folder,
                                             std::string_view pattern);

// Whether a name is hidden: it starts with a dot.
bool IsHidden(std::string_view name);

}  // namespace orvo::drive
