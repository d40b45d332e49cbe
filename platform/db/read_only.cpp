#include "platform/db/read_only.h"

#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

namespace orvo::db::detail {
namespace fs = std::filesystem;
namespace {

fs::path Folder(const fs::path& file) {
  fs::path folder = file.parent_path();
  return folder.empty() ? fs::path(".") : folder;
}

}  // namespace

std::string WhyReadOnly(const fs::path& file) {
  const bool fileOk = ::access(file.c_str(), W_OK) == 0;
  const int fileErr = errno;
  const bool folderOk = ::access(Folder(file).c_str(), W_OK) == 0;
  const int folderErr = errno;
  if (fileOk && folderOk) return {};
  if ((!fileOk && fileErr == EROFS) || (!folderOk && folderErr == EROFS))
    return "el sistema de archivos donde está es de sólo lectura";
  if (!fileOk && !folderOk) return "no se permite escribir en el archivo ni en su carpeta";
  if (!folderOk) return "no se permite escribir en su carpeta";
  return "no se permite escribir en el archivo";
}

bool FolderWritable(const fs::path& file) { return ::access(Folder(file).c_str(), W_OK) == 0; }

bool OnReadOnlyFileSystem(const fs::path& file) {
  struct statvfs fsInfo {};
  return ::statvfs(file.c_str(), &fsInfo) == 0 && (fsInfo.f_flag & ST_RDONLY) != 0;
}

std::string ImmutableUri(const fs::path& file) {
  std::string uri = "file:";
  std::error_code ec;
  const fs::path absolute = fs::absolute(file, ec);
  for (unsigned char c : (ec ? file : absolute).string()) {
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '/' || c == '-' || c == '.' ||
        c == '_' || c == '~') {
      uri += static_cast<char>(c);
    } else {
      static const char kHex[] = "0123456789ABCDEF";
      uri += '%';
      uri += kHex[c >> 4];
      uri += kHex[c & 0xF];
    }
  }
  return uri + "?immutable=1";
}

}  // namespace orvo::db::detail
