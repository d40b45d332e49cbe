// The paths that the zip and unzip calls read and write.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace orvo::zip {

// A Windows path on drive C: ("C:\...", "\...") or a bare name, which is
// taken relative to the current folder as Windows took it.
std::filesystem::path MapName(std::string_view name);

// A hidden name beside `target` for writing it before it is complete:
// ".<name><suffix>" in the same folder, so a rename makes it final.
std::filesystem::path HiddenBeside(const std::filesystem::path& target, std::string_view suffix);

}  // namespace orvo::zip
