// The poll file's reader on any bytes.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "fuzz/punch_file.h"
#include "import/archivo_poleo.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view contenido(reinterpret_cast<const char*>(data), size);
  CheckLectura(contenido, orvo::importer::LeePoleo(contenido));
  return 0;
}
