// Extraction of crafted archives: whatever the archive holds, nothing is
// written outside the extraction folder, and no link is made.
//
// The first input byte picks the archive: odd, the rest of the input is the
// archive's bytes as they stand; even, the rest is a list of entry names (one
// a line), put into a well-formed archive with libzip, so the names reach the
// unzip path check rather than failing the archive's own structure.
#include <zip.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <list>
#include <string>
#include <string_view>

#include "fuzz/check.h"
#include "fuzz/temp_folder.h"
#include "platform/zip/unzip.h"

namespace fs = std::filesystem;

namespace {

const fs::path& Drive() {
  static const fs::path root = FuzzFolder() / "c";
  return root;
}

// An archive of the named entries, each holding its own name; empty when
// libzip refuses to make it.
std::string ArchiveOf(std::string_view names) {
  const fs::path file = FuzzFolder() / "built.zip";
  fs::remove(file);
  int error = 0;
  zip_t* archive = zip_open(file.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
  if (archive == nullptr) return {};
  std::list<std::string> kept;  // libzip reads the entries' bytes at zip_close
  std::size_t start = 0;
  while (start <= names.size()) {
    std::size_t end = names.find('\n', start);
    if (end == std::string_view::npos) end = names.size();
    const std::string& name = kept.emplace_back(names.substr(start, end - start));
    start = end + 1;
    if (name.empty() || name.find('\0') != std::string::npos) continue;
    zip_source_t* source = zip_source_buffer(archive, name.data(), name.size(), 0);
    if (source == nullptr) continue;
    // A name ending in '/' is a folder entry; libzip adds it with zip_dir_add.
    const zip_int64_t added = name.back() == '/' ? zip_dir_add(archive, name.c_str(), ZIP_FL_ENC_GUESS)
                                                 : zip_file_add(archive, name.c_str(), source, ZIP_FL_ENC_GUESS);
    if (added < 0 || name.back() == '/') zip_source_free(source);
  }
  if (zip_close(archive) != 0) {
    zip_discard(archive);
    return {};
  }
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Only the archive, the extraction folder's parent and what lies under the
// extraction folder may be on the drive.
void CheckNothingOutside(const fs::path& target) {
  for (auto it = fs::recursive_directory_iterator(Drive()); it != fs::recursive_directory_iterator(); ++it) {
    FUZZ_CHECK(!it->is_symlink());
    const fs::path relative = it->path().lexically_relative(target);
    const bool inside = !relative.empty() && *relative.begin() != "..";
    FUZZ_CHECK(inside || it->path() == target.parent_path() || it->path() == Drive() / "archivo.zip");
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fs::create_directories(Drive());
  setenv("ORVO_DRIVE_C", Drive().c_str(), 1);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::string_view rest(reinterpret_cast<const char*>(data) + 1, size - 1);
  const std::string archive = (data[0] & 1) ? std::string(rest) : ArchiveOf(rest);

  const fs::path target = Drive() / "destino" / "sub";
  fs::remove_all(target.parent_path());
  fs::create_directories(target);
  std::ofstream(Drive() / "archivo.zip", std::ios::binary) << archive;

  orvo::zip::UnzipOptions options;
  options.zipFileName = "C:\\archivo.zip";
  options.extractDir = "C:\\destino\\sub";
  options.overwriteFiles = 1;
  options.quietLevel = 2;
  orvo::zip::UnzipUserFunctions functions;
  functions.print = [](const char*, unsigned long) { return 0; };
  functions.password = [](char*, int, const char*, const char*) { return 1; };
  orvo::zip::Wiz_SingleEntryUnzip(options, functions);
  CheckNothingOutside(target);
  return 0;
}
