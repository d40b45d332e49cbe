// Files that other programs read while they may be rewritten (the result file
// "crtd", the FTP settings file): written whole or not at all, and the file
// errors of the platform, by number, naming the path the user can check.
//
//   EscribeArchivoEntero(carpeta / "crtd", "ok\r\n");
//   EscribeArchivoEntero(drive::Map("C:\\Windows\\ftpcnf.dll"), bytes, 0600);
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <string_view>

namespace orvo::common {

// Writes `bytes` as the whole of `destino`. They go to a temporary name in the
// same folder, reach the disk, and are renamed over `destino`: a reader never
// finds a half-written file, a failure leaves the former file as it was, and
// no temporary file is left behind. A new file gets `modo` less the umask.
// Throws orvo::RuntimeError (FallaArchivo) on failure.
void EscribeArchivoEntero(const std::filesystem::path& destino, std::string_view bytes, mode_t modo = 0666);

// Writes all of `bytes` to the open descriptor `fd` (again after a signal
// cuts a write short) and makes them reach the disk. Returns 0, or the errno
// of the write or fsync that failed; `fd` stays open either way.
int EscribeYSincroniza(int fd, std::string_view bytes);

// The platform's run-time error for a failed file operation (errno `error`),
// as drive::FileError numbers it.
[[noreturn]] void FallaArchivo(int error, const std::filesystem::path& ruta);

}  // namespace orvo::common
