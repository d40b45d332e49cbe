// The engine's connection string as a caller writes it: any text parses, a
// file and password written in braces come back as they were, and the file
// maps under drive C: or is refused.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "fuzz/check.h"
#include "fuzz/temp_folder.h"
#include "platform/db/connection_string.h"
#include "platform/error.h"
#include "platform/text/blanks.h"

namespace {

std::string InBraces(std::string_view value) {
  std::string out = "{";
  for (char c : value) {
    out += c;
    if (c == '}') out += '}';
  }
  return out + "}";
}

void CheckMapsUnderDrive(const std::string& file) {
  if (file.empty() || file.front() == '/') return;  // a Linux path is taken as it stands
  std::filesystem::path mapped;
  try {
    mapped = orvo::db::ResolvePath(file);
  } catch (const orvo::RuntimeError&) {
    return;
  }
  for (const auto& part : mapped.lexically_relative(FuzzFolder())) FUZZ_CHECK(part != "..");
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  setenv("ORVO_DRIVE_C", FuzzFolder().c_str(), 1);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const auto parsed = orvo::db::ConnectionString::Parse(text);
  CheckMapsUnderDrive(parsed.file);

  // The input split at its first NUL into a file and a password, written as
  // a program would write them.
  const std::size_t nul = text.find('\0');
  const std::string_view file = text.substr(0, nul);
  const std::string_view password = nul == std::string_view::npos ? std::string_view() : text.substr(nul + 1);
  const std::string written =
      "Driver={Microsoft Access Driver (*.mdb)};DBQ=" + InBraces(file) + ";Pwd=" + InBraces(password);
  const auto back = orvo::db::ConnectionString::Parse(written);
  FUZZ_CHECK(back.file == orvo::text::TrimBlanks(file));
  FUZZ_CHECK(back.password == password);
  return 0;
}
