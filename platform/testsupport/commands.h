// Test support: running a shell command (Info-ZIP's zip and unzip, chiefly)
// with its output, and a folder tree read into memory to compare byte for byte.
//
//   std::string out;
//   EXPECT_EQ(orvo::testing::RunCommand("unzip -t " + Quote(archive), &out), 0) << out;
//   EXPECT_EQ(ReadTree(extracted), ReadTree(source));
#pragma once

#include <filesystem>
#include <map>
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

}  // namespace orvo::testing
