// The fixed-column punch file's reader on any bytes.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "fuzz/punch_file.h"
#include "import/archivo_usb.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view contenido(reinterpret_cast<const char*>(data), size);
  CheckLectura(contenido, orvo::importer::LeeUsb(contenido));
  return 0;
}
