// The remote listing an FTP server sends: every entry is one line of it, and
// a name accepted for use can only mean a file of the download folder.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "ftp/listado_ftp.h"
#include "fuzz/check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view listado(reinterpret_cast<const char*>(data), size);
  for (const std::string& entrada : orvo::ftp::PartirListado(listado)) {
    FUZZ_CHECK(!entrada.empty());
    FUZZ_CHECK(entrada.find('\n') == std::string::npos);
    if (!orvo::ftp::NombreRemotoValido(entrada)) continue;
    FUZZ_CHECK(entrada != "." && entrada != "..");
    FUZZ_CHECK(entrada.find_first_of(std::string_view("/\\\0", 3)) == std::string::npos);
    const std::filesystem::path local = std::filesystem::path("/descargas") / entrada;
    FUZZ_CHECK(local.parent_path() == "/descargas");
    FUZZ_CHECK(local.lexically_normal() == local);
  }
  // A single name, as a server may answer a request for one.
  if (orvo::ftp::NombreRemotoValido(listado)) {
    FUZZ_CHECK(std::filesystem::path("/descargas") / listado == std::filesystem::path("/descargas/" + std::string(listado)));
    FUZZ_CHECK((std::filesystem::path("/descargas") / listado).parent_path() == "/descargas");
  }
  return 0;
}
