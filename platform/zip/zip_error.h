// What went wrong in a zip or unzip call, as the user reads it: libzip's and
// zlib's errors in the zip layer's own Spanish words, and the system error
// under them in the run time's (platform/error/file_error.h).
//
//   DescribeZipError(ZIP_ER_ZLIB, Z_DATA_ERROR)   // "los datos comprimidos están dañados"
//   DescribeSystemError(ENOSPC)                   // "Disco lleno"
#pragma once

#include <zip.h>

#include <string>

namespace orvo::zip {

// A system error number (errno): the run time's text for it.
std::string DescribeSystemError(int error);

// A zlib error number (Z_DATA_ERROR...), as the user reads it.
std::string DescribeZlibError(int error);

// A libzip error, with the system error under it when there is one.
std::string DescribeZipError(zip_error_t* error);
std::string DescribeZipError(int zipError, int systemError);

}  // namespace orvo::zip
