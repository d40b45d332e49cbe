// Test support: running a shell command (Info-ZIP's zip and unzip, chiefly)
// with its output, and a folder tree read into memory to compare byte for byte.
//
//   std::string out;
//   EXPECT_EQ(orvo::testing::RunCommand("unzip -t " + Quote(archive), &out), 0) << out;
//   EXPECT_EQ(ReadTree(extracted), ReadTree(source));
#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace orvo::testing {

// Runs `command` with /bin/sh; returns its exit status (-1 when it could not
// run) and, when asked, what it printed on both streams.
int RunCommand(const std::string& command, std::string* output = nullptr);

// A path quoted for the shell.
std::string Quote(const std::filesystem::path& path);

// Every file under `folder` by its relative path ('/' between folders), with
// its bytes; folders appear with a trailing '/' and no content.
std::map<std::string, std::string> ReadTree(const std::filesystem::path& folder);

// Info-ZIP's zip run in `folder` on `names` (given to the shell as they are,
// in archive order) with `flags`; true when it succeeded, its output in `log`.
bool InfoZipCreate(const std::filesystem::path& folder, const std::filesystem::path& archive,
                   const std::string& names, const std::string& flags, std::string* log);

// The tree Info-ZIP's unzip makes of the archive in the fresh folder `out`,
// after `unzip -t` has passed it; empty when either failed, with their
// output in `log`.
std::optional<std::map<std::string, std::string>> TreeByInfoZip(const std::filesystem::path& archive,
                                                                const std::filesystem::path& out, std::string* log);

}  // namespace orvo::testing
