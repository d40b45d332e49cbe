// Files written whole or not at all: settings and result files that other
// programs read while they may be rewritten, downloads, archives, extracted
// files, journals that must survive a crash. The bytes go to a hidden
// temporary in the target's folder, reach the disk, and are renamed over the
// target; then the folder reaches the disk too. A reader finds the former
// file or the new one, never part of either; a failure leaves the former file
// as it was and no temporary behind.
//
//   drive::WriteWholeFile(folder / "crtd", "ok\r\n");
//   drive::WriteWholeFile(drive::Map("C:\\Windows\\ftpcnf.dll"), bytes, 0600);
//
//   drive::WholeFileWriter out(target);      // ".NAME.PID.N.tmp" beside target
//   while (...) out.Write(chunk);
//   out.Commit();                            // unless committed, the destructor discards it
//
// The throwing forms throw err::FileError naming the target. The forms that
// take a std::error_code report the system's error instead and leave the
// wording to the caller (a transfer or an extraction that names its own part).
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <string_view>
#include <system_error>

namespace orvo::drive {

// Writes `bytes` as the whole of `target`. A new file gets `mode` less the
// umask (so does a replaced one: the former file's mode is not kept).
void WriteWholeFile(const std::filesystem::path& target, std::string_view bytes, mode_t mode = 0666);

// When a commit reaches the disk: at once (the file, then its folder), or
// together with every other file of a run of many (an extraction), by one
// SyncFileSystem at the run's end; two flushes for each small file would
// cost many times the writing.
enum class Durability { Now, AtSyncFileSystem };

// A whole file written in pieces.
class WholeFileWriter {
 public:
  // Creates the temporary ".NAME.PID.N<suffix>" beside `target` (NAME its
  // file name, PID this process, N a count of its own), so that a caller can
  // tell its leftovers from a run that was killed, by suffix and PID.
  explicit WholeFileWriter(std::filesystem::path target, mode_t mode = 0666, std::string_view suffix = ".tmp");
  // The same; on failure `ec` is set and nothing is open.
  WholeFileWriter(std::filesystem::path target, mode_t mode, std::string_view suffix, std::error_code& ec);
  // Discards the temporary unless committed.
  ~WholeFileWriter();
  WholeFileWriter(const WholeFileWriter&) = delete;
  WholeFileWriter& operator=(const WholeFileWriter&) = delete;

  bool IsOpen() const { return fd_ >= 0; }

  // Appends `bytes` to the temporary.
  void Write(std::string_view bytes);
  void Write(std::string_view bytes, std::error_code& ec) noexcept;

  // Puts the file in place: on disk, renamed over the target, the folder on
  // disk (with Durability::AtSyncFileSystem only the rename). On a failure
  // before the rename the temporary goes and the former file stays; a
  // failure of the folder's sync comes after the rename, and the new file
  // stands. Either way nothing is open afterwards.
  void Commit(Durability durability = Durability::Now);
  void Commit(std::error_code& ec, Durability durability = Durability::Now);

  // Removes the temporary; the target is left as it was.
  void Discard() noexcept;

  // For what the writer does not do itself (the file's mode and times).
  int Descriptor() const { return fd_; }
  const std::filesystem::path& Temporary() const { return temporary_; }
  const std::filesystem::path& Target() const { return target_; }

 private:
  void Open(mode_t mode, std::string_view suffix, std::error_code& ec);

  std::filesystem::path target_;
  std::filesystem::path temporary_;
  int fd_ = -1;
};

// A free hidden name beside `target` for a file that another library writes
// (a zip archive): ".NAME.PID.N<suffix>", as WholeFileWriter names its own.
// Nothing is created; PlaceWholeFile puts the finished file in place.
std::filesystem::path TemporaryBeside(const std::filesystem::path& target, std::string_view suffix = ".tmp");

// Puts the finished file `written` in place as WholeFileWriter::Commit does:
// on disk, renamed over `target`, the folder on disk. A failure before the
// rename removes `written`.
void PlaceWholeFile(const std::filesystem::path& written, const std::filesystem::path& target);
void PlaceWholeFile(const std::filesystem::path& written, const std::filesystem::path& target,
                    std::error_code& ec);

// Writes all of `bytes` to the open descriptor `fd` (again after a signal cuts
// a write short) and makes them reach the disk; `fd` stays open. For a file
// that is appended to rather than replaced. Only write and fsync are called,
// so a signal handler may use it. Returns 0, or the errno of the call that
// failed.
int WriteAllAndSync(int fd, std::string_view bytes) noexcept;

// Makes a file, or the names in a folder, reach the disk (after renames of
// the caller's own, or of a library that replaced a file itself). Throws
// err::FileError naming the path, or sets `ec`.
void SyncFile(const std::filesystem::path& file);
void SyncFile(const std::filesystem::path& file, std::error_code& ec) noexcept;
void SyncFolder(const std::filesystem::path& folder);
void SyncFolder(const std::filesystem::path& folder, std::error_code& ec) noexcept;

// Makes everything written on the file system that holds `path` reach the
// disk, names included: the end of a run of commits made with
// Durability::AtSyncFileSystem.
void SyncFileSystem(const std::filesystem::path& path, std::error_code& ec) noexcept;

}  // namespace orvo::drive
