// The poll file as Fetchpurge reads it, on any bytes.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "ftp/poleo_internet.h"
#include "fuzz/punch_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view contenido(reinterpret_cast<const char*>(data), size);
  CheckLectura(contenido, orvo::ftp::LeePoleoInternet(contenido));
  return 0;
}
