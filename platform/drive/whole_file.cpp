#include "platform/drive/whole_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <string>

#include "platform/drive/fitting_name.h"
#include "platform/error/file_error.h"

namespace orvo::drive {

namespace fs = std::filesystem;

namespace {

std::error_code Errno(int error) { return std::error_code(error, std::generic_category()); }

fs::path FolderOf(const fs::path& target) { return target.has_parent_path() ? target.parent_path() : fs::path("."); }

// ".PID" and ".N" at their longest: a dot and ten digits each.
constexpr std::size_t kNumbersRoom = 2 * 11;

// The same folder as the target, so that the rename stays on one file system
// and is atomic; hidden, so that no listing by pattern shows a file half-made.
// A target's name near the limit is shortened here, so that any name the
// system takes for the target has a temporary.
fs::path HiddenName(const fs::path& target, std::string_view suffix) {
  static std::atomic<unsigned> next{0};
  const std::size_t around = 1 + kNumbersRoom + suffix.size();
  std::string name = ".";  // appended, not concatenated: GCC 12 warns falsely on "." + string
  name += FittingName(target.filename().string(), around < kNameMax ? kNameMax - around : 0);
  name += '.';
  name += std::to_string(::getpid());
  name += '.';
  name += std::to_string(next++);
  name += suffix;
  return FolderOf(target) / name;
}

// How many names are tried before a folder full of leftovers is an error.
constexpr int kAttempts = 100;

std::error_code SyncPath(const fs::path& path, int flags) {
  const int fd = ::open(path.c_str(), flags | O_RDONLY | O_CLOEXEC);
  if (fd < 0) return Errno(errno);
  int error = ::fsync(fd) == 0 ? 0 : errno;
  // A file system that cannot sync a folder has nothing more to give.
  if (error == EINVAL && (flags & O_DIRECTORY)) error = 0;
  ::close(fd);
  return error == 0 ? std::error_code() : Errno(error);
}

std::error_code SyncFolderOf(const fs::path& target) { return SyncPath(FolderOf(target), O_DIRECTORY); }

// 0, or the errno of the write that failed; a signal that cuts a write short
// is no failure. Safe in a signal handler.
int WriteAll(int fd, std::string_view bytes) noexcept {
  while (!bytes.empty()) {
    const ssize_t written = ::write(fd, bytes.data(), bytes.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    // A file that takes nothing more is as full as a disk.
    if (written == 0) return ENOSPC;
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
  return 0;
}

}  // namespace

int WriteAllAndSync(int fd, std::string_view bytes) noexcept {
  if (const int error = WriteAll(fd, bytes); error != 0) return error;
  return ::fsync(fd) != 0 ? errno : 0;
}

void SyncFile(const fs::path& file, std::error_code& ec) noexcept { ec = SyncPath(file, 0); }

void SyncFile(const fs::path& file) {
  if (const std::error_code ec = SyncPath(file, 0)) throw err::FileError(ec, file.string());
}

void SyncFolder(const fs::path& folder, std::error_code& ec) noexcept { ec = SyncPath(folder, O_DIRECTORY); }

void SyncFolder(const fs::path& folder) {
  if (const std::error_code ec = SyncPath(folder, O_DIRECTORY)) throw err::FileError(ec, folder.string());
}

void SyncFileSystem(const fs::path& path, std::error_code& ec) noexcept {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    ec = Errno(errno);
    return;
  }
  ec = ::syncfs(fd) == 0 ? std::error_code() : Errno(errno);
  ::close(fd);
}

fs::path TemporaryBeside(const fs::path& target, std::string_view suffix) {
  fs::path name = HiddenName(target, suffix);
  struct stat st {};
  for (int attempt = 1; attempt < kAttempts && ::lstat(name.c_str(), &st) == 0; ++attempt)
    name = HiddenName(target, suffix);
  return name;
}

void PlaceWholeFile(const fs::path& written, const fs::path& target, std::error_code& ec) {
  ec = SyncPath(written, 0);
  if (!ec && ::rename(written.c_str(), target.c_str()) != 0) ec = Errno(errno);
  if (ec) {
    ::unlink(written.c_str());
    return;
  }
  ec = SyncFolderOf(target);
}

void PlaceWholeFile(const fs::path& written, const fs::path& target) {
  std::error_code ec;
  PlaceWholeFile(written, target, ec);
  if (ec) throw err::FileError(ec, target.string());
}

WholeFileWriter::WholeFileWriter(fs::path target, mode_t mode, std::string_view suffix, std::error_code& ec)
    : target_(std::move(target)) {
  Open(mode, suffix, ec);
}

WholeFileWriter::WholeFileWriter(fs::path target, mode_t mode, std::string_view suffix)
    : target_(std::move(target)) {
  std::error_code ec;
  Open(mode, suffix, ec);
  if (ec) throw err::FileError(ec, target_.string());
}

void WholeFileWriter::Open(mode_t mode, std::string_view suffix, std::error_code& ec) {
  ec.clear();
  // Refused before anything is written: the rename would refuse it at the end.
  if (target_.filename().string().size() > kNameMax) {
    ec = Errno(ENAMETOOLONG);
    return;
  }
  for (int attempt = 1; fd_ < 0; ++attempt) {
    temporary_ = HiddenName(target_, suffix);
    // open honours the umask, as a plain create of the target would.
    fd_ = ::open(temporary_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (fd_ < 0 && (errno != EEXIST || attempt == kAttempts)) {
      ec = Errno(errno);
      temporary_.clear();
      return;
    }
  }
}

WholeFileWriter::~WholeFileWriter() { Discard(); }

void WholeFileWriter::Write(std::string_view bytes, std::error_code& ec) noexcept {
  const int error = fd_ < 0 ? EBADF : WriteAll(fd_, bytes);
  ec = error == 0 ? std::error_code() : Errno(error);
}

void WholeFileWriter::Write(std::string_view bytes) {
  std::error_code ec;
  Write(bytes, ec);
  if (ec) throw err::FileError(ec, target_.string());
}

void WholeFileWriter::Commit(std::error_code& ec, Durability durability) {
  if (fd_ < 0) {
    ec = Errno(EBADF);
    return;
  }
  const bool now = durability == Durability::Now;
  // On disk before it takes its name: a crash must not leave a short file there.
  int error = !now || ::fsync(fd_) == 0 ? 0 : errno;
  if (::close(fd_) != 0 && error == 0) error = errno;
  fd_ = -1;
  if (error == 0 && ::rename(temporary_.c_str(), target_.c_str()) != 0) error = errno;
  if (error != 0) {
    Discard();
    ec = Errno(error);
    return;
  }
  temporary_.clear();
  ec = now ? SyncFolderOf(target_) : std::error_code();
}

void WholeFileWriter::Commit(Durability durability) {
  std::error_code ec;
  Commit(ec, durability);
  if (ec) throw err::FileError(ec, target_.string());
}

void WholeFileWriter::Discard() noexcept {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  if (!temporary_.empty()) ::unlink(temporary_.c_str());
  temporary_.clear();
}

void WriteWholeFile(const fs::path& target, std::string_view bytes, mode_t mode) {
  WholeFileWriter out(target, mode);
  out.Write(bytes);
  out.Commit();
}

}  // namespace orvo::drive
