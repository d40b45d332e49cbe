// What the zip and unzip calls share: Spanish descriptions of what went wrong
// (system errors and libzip's own), and the paths they read and write.
#pragma once

#include <zip.h>

#include <filesystem>
#include <string>
#include <string_view>

namespace orvo::zip {

// A system error number (errno) as the user reads it.
std::string DescribeSystemError(int error);

// A zlib error number (Z_DATA_ERROR...), as the user reads it.
std::string DescribeZlibError(int error);

// A libzip error, with the system error under it when there is one.
std::string DescribeZipError(zip_error_t* error);
std::string DescribeZipError(int zipError, int systemError);

// A Windows path on drive C: ("C:\...", "\...") or a bare name, which is
// taken relative to the current folder as Windows took it.
std::filesystem::path MapName(std::string_view name);

}  // namespace orvo::zip
