#include "platform/db/read_only.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

#include "platform/db/lock_file.h"

namespace orvo::db::detail {
namespace fs = std::filesystem;
namespace {

// The byte of "-shm" on which every SQLite client that uses the index holds a
// shared lock (os_unix.c: UNIX_SHM_DMS, documented in SQLite's walformat).
constexpr off_t kShmDmsByte = 128;

fs::path Folder(const fs::path& file) {
  fs::path folder = file.parent_path();
  return folder.empty() ? fs::path(".") : folder;
}

fs::path Companion(const fs::path& file, const char* suffix) {
  fs::path p = file;
  p += suffix;
  return p;
}

// Whether some process (this one too) holds a lock on the index.
bool IndexInUse(const fs::path& shm) {
  int fd = ::open(shm.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return errno != ENOENT;
  struct flock probe {};
  probe.l_type = F_WRLCK;
  probe.l_whence = SEEK_SET;
  probe.l_start = kShmDmsByte;
  probe.l_len = 1;
  // An open-file-description probe conflicts with this process's own locks.
  const bool asked = ::fcntl(fd, F_OFD_GETLK, &probe) == 0;
  ::close(fd);
  return !asked || probe.l_type != F_UNLCK;
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

CompanionSweep::~CompanionSweep() {
  if (file_.empty()) return;
  // Another connection of the engine, in any program, this one included,
  // holds a shared lock on the lock file: it still reads through them.
  int lock = ::open(LockFilePath(file_).c_str(), O_RDONLY | O_CLOEXEC);
  if (lock < 0) return;
  if (::flock(lock, LOCK_EX | LOCK_NB) == 0) {
    const fs::path wal = Companion(file_, "-wal"), shm = Companion(file_, "-shm");
    std::error_code ec;
    // A log with frames holds commits the file has not taken yet: it stays.
    const bool walEmpty = !fs::exists(wal, ec) || fs::file_size(wal, ec) == 0;
    // A client of SQLite outside the engine may be reading through them too.
    if (walEmpty && !ec && !IndexInUse(shm)) {
      fs::remove(wal, ec);
      fs::remove(shm, ec);
    }
  }
  ::close(lock);
}

}  // namespace orvo::db::detail
