// The FTP settings file as any program or hand may leave it: it reads as
// settings, as missing, or as unreadable with a message; settings read from
// it write back to a file that reads as the same settings (unless a UTF-8
// file holds characters that Windows-1252 lacks).
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "ftp/configuracion_ftp.h"
#include "fuzz/check.h"
#include "fuzz/temp_folder.h"

namespace {

const std::filesystem::path& File() {
  static const std::filesystem::path file = FuzzFolder() / "Windows" / "ftpcnf.dll";
  return file;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  std::filesystem::create_directories(File().parent_path());
  setenv("ORVO_DRIVE_C", FuzzFolder().c_str(), 1);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::ofstream(File(), std::ios::binary | std::ios::trunc).write(reinterpret_cast<const char*>(data),
                                                                   static_cast<std::streamsize>(size));
  using orvo::ftp::EstadoConfiguracion;
  const auto leida = orvo::ftp::LeeConfiguracion();
  FUZZ_CHECK(leida.estado != EstadoConfiguracion::Falta);
  if (leida.estado == EstadoConfiguracion::Ilegible) {
    FUZZ_CHECK(!leida.mensaje.empty());
    return 0;
  }
  const auto bytes = orvo::ftp::BytesConfiguracion(leida.datos);
  if (!bytes) {
    // Only a UTF-8 file can hold characters that Windows-1252 lacks.
    FUZZ_CHECK(size >= 3 && std::memcmp(data, "\xEF\xBB\xBF", 3) == 0);
    return 0;
  }
  // A server that, once its blanks are trimmed, begins with the letters "ï»¿"
  // is written as the bytes of a UTF-8 byte-order mark, and read back as one.
  if (bytes->size() >= 3 && std::memcmp(bytes->data(), "\xEF\xBB\xBF", 3) == 0) return 0;
  std::ofstream(File(), std::ios::binary | std::ios::trunc) << *bytes;
  const auto otra = orvo::ftp::LeeConfiguracion();
  FUZZ_CHECK(otra.estado == EstadoConfiguracion::Leida);
  FUZZ_CHECK(otra.datos == leida.datos);
  return 0;
}
