// How the zip and unzip calls read the names they are given.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace orvo::zip {

// A Windows path on drive C: ("C:\...", "\...") or a bare name, which is
// taken relative to the current folder as Windows took it.
std::filesystem::path MapName(std::string_view name);

}  // namespace orvo::zip
