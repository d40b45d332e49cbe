// Interim stand-in until the engine branch lands its file-error mapping.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

#include "platform/error.h"

namespace orvo::drive {

namespace fileerr {
inline constexpr int kFileNotFound = 53;
inline constexpr int kFileExists = 58;
inline constexpr int kDiskFull = 61;
inline constexpr int kPermissionDenied = 70;
inline constexpr int kAccessError = 75;
inline constexpr int kPathNotFound = 76;
}  // namespace fileerr

inline RuntimeError FileError(const std::error_code& ec, std::string_view path) {
  return RuntimeError(ec == std::errc::no_space_on_device ? fileerr::kDiskFull : fileerr::kAccessError,
                      "Error de acceso a la ruta o el archivo: '" + std::string(path) + "'");
}
inline RuntimeError FileError(const std::filesystem::filesystem_error& e) {
  return FileError(e.code(), e.path1().string());
}

}  // namespace orvo::drive
