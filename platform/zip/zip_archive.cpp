#include "platform/zip/zip_archive.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zip.h>

#include <algorithm>
#include <cerrno>
#include <initializer_list>
#include <memory>
#include <set>
#include <system_error>
#include <vector>

#include "platform/drive/drive.h"
#include "platform/drive/whole_file.h"
#include "platform/drive/wildcard.h"
#include "platform/zip/paths.h"
#include "platform/zip/zip_error.h"
#include "platform/zip/result.h"
#include "platform/zip/timestamp.h"

namespace orvo::zip {
namespace fs = std::filesystem;

namespace {

struct State {
  ZipUserFunctions functions;
  ZpOptions options;
};

State& TheState() {
  static State state;
  return state;
}

void Print(const std::string& line) {
  const auto& print = TheState().functions.print;
  if (print) print(line.c_str(), static_cast<unsigned long>(line.size()));
}

// One thing to store: a file, or a folder entry (recursion only).
struct Item {
  fs::path path;
  std::string stored;
  bool folder = false;
};

// The first file that could not be read while the archive was written, so
// the message names it rather than libzip's anonymous "read error".
struct ReadFailure {
  std::string stored;
  int error = 0;
};

// A file read straight from disk, opened only when libzip writes its entry,
// so a run of thousands of files holds one descriptor at a time.
struct FileSource {
  fs::path path;
  std::string stored;
  std::time_t mtime;
  zip_uint64_t size;
  ReadFailure* failure;
  int fd = -1;
  zip_error_t error;

  zip_int64_t Fail(int zipError) {
    const int saved = errno;
    if (failure->error == 0) *failure = {stored, saved};
    zip_error_set(&error, zipError, saved);
    return -1;
  }
};

zip_int64_t FileSourceCallback(void* state, void* data, zip_uint64_t length, zip_source_cmd_t command) {
  auto* s = static_cast<FileSource*>(state);
  switch (command) {
    case ZIP_SOURCE_OPEN:
      s->fd = ::open(s->path.c_str(), O_RDONLY | O_CLOEXEC);
      if (s->fd < 0) return s->Fail(ZIP_ER_OPEN);
      ::posix_fadvise(s->fd, 0, 0, POSIX_FADV_SEQUENTIAL);
      return 0;
    case ZIP_SOURCE_READ: {
      ssize_t n;
      do {
        n = ::read(s->fd, data, length);
      } while (n < 0 && errno == EINTR);
      return n < 0 ? s->Fail(ZIP_ER_READ) : n;
    }
    case ZIP_SOURCE_CLOSE:
      if (s->fd >= 0) ::close(s->fd);
      s->fd = -1;
      return 0;
    case ZIP_SOURCE_STAT: {
      zip_stat_t* st = ZIP_SOURCE_GET_ARGS(zip_stat_t, data, length, &s->error);
      if (!st) return -1;
      zip_stat_init(st);
      st->valid = ZIP_STAT_MTIME | ZIP_STAT_SIZE;
      st->mtime = s->mtime;
      st->size = s->size;
      return sizeof(zip_stat_t);
    }
    case ZIP_SOURCE_ERROR:
      return zip_error_to_data(&s->error, data, length);
    case ZIP_SOURCE_FREE:
      if (s->fd >= 0) ::close(s->fd);
      zip_error_fini(&s->error);
      delete s;
      return 0;
    case ZIP_SOURCE_SUPPORTS:
      return zip_source_make_command_bitmap(ZIP_SOURCE_OPEN, ZIP_SOURCE_READ, ZIP_SOURCE_CLOSE, ZIP_SOURCE_STAT,
                                            ZIP_SOURCE_ERROR, ZIP_SOURCE_FREE, -1);
    default:
      zip_error_set(&s->error, ZIP_ER_OPNOTSUPP, 0);
      return -1;
  }
}

std::string Slashed(const fs::path& relative) {
  std::string s = relative.generic_string();
  while (!s.empty() && s.back() == '/') s.pop_back();
  return s;
}

// The name an entry is stored under: relative to the root folder, or, for a
// file outside it, relative to the drive's root, never with "..".
std::string StoredName(const fs::path& path, const fs::path& rootFolder) {
  const fs::path normal = path.lexically_normal();
  for (const fs::path& base : {rootFolder.lexically_normal(), drive::Root().lexically_normal()}) {
    const fs::path relative = normal.lexically_relative(base);
    if (!relative.empty() && *relative.begin() != ".." && relative != ".") return Slashed(relative);
  }
  return normal.filename().string();
}

class Collector {
 public:
  Collector(fs::path rootFolder, fs::path archive, bool recurse)
      : rootFolder_(std::move(rootFolder)), archive_(std::move(archive)), recurse_(recurse) {}

  // Adds what one name selects; false when it selects nothing.
  bool Add(std::string_view name) {
    const std::size_t before = items_.size();
    std::string text(name);
    const std::size_t cut = text.find_last_of("\\/");
    const std::string last = cut == std::string::npos ? text : text.substr(cut + 1);
    if (drive::HasWildcard(last)) {
      const std::string folderText = cut == std::string::npos ? std::string() : text.substr(0, cut + 1);
      AddMatching(Resolve(folderText), last);
    } else {
      const fs::path path = Resolve(text);
      std::error_code ec;
      if (fs::is_directory(path, ec)) {
        AddFolder(path);
        if (recurse_) AddMatching(path, "*");
      } else if (fs::is_regular_file(path, ec)) {
        AddFile(path);
      } else if (fs::exists(fs::symlink_status(path, ec))) {
        Print("zip aviso: se omite «" + text + "»: no es un archivo normal\n");
      }
    }
    return items_.size() > before;
  }

  std::vector<Item>& Items() { return items_; }

 private:
  // A name relative to the root folder, or a Windows path on drive C:.
  fs::path Resolve(const std::string& text) const {
    const bool absolute = (text.size() >= 2 && text[1] == ':') ||
                          (!text.empty() && (text[0] == '\\' || text[0] == '/'));
    if (absolute) return MapName(text);
    const std::string root = TheState().options.rootDir;
    if (root.empty()) return MapName(text);
    return MapName(root + "\\" + text);
  }

  void AddMatching(const fs::path& folder, std::string_view pattern) {
    for (const fs::path& file : drive::ListFiles(folder, pattern)) AddFile(file);
    if (!recurse_) return;
    std::error_code ec;
    std::vector<fs::path> subfolders;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
      std::error_code typeError;
      // Linked folders are not followed: a link back up would never end.
      if (!drive::IsHidden(it->path().filename().string()) && it->is_directory(typeError) &&
          !it->is_symlink(typeError)) {
        subfolders.push_back(it->path());
      }
    }
    std::sort(subfolders.begin(), subfolders.end());
    for (const fs::path& sub : subfolders) {
      AddFolder(sub);
      AddMatching(sub, pattern);
    }
  }

  void AddFile(const fs::path& path) {
    std::error_code ec;
    if (fs::equivalent(path, archive_, ec)) return;  // never the archive into itself
    Push({path, StoredName(path, rootFolder_), false});
  }

  void AddFolder(const fs::path& path) {
    const std::string stored = StoredName(path, rootFolder_);
    if (stored.empty()) return;
    Push({path, stored + "/", true});
  }

  void Push(Item item) {
    if (seen_.insert(item.stored).second) items_.push_back(std::move(item));
  }

  fs::path rootFolder_;
  fs::path archive_;
  bool recurse_;
  std::vector<Item> items_;
  std::set<std::string> seen_;
};

// Puts one file into the archive; false (with the message printed) when it
// cannot even be looked at. `skipped` is set for an entry already up to date.
bool AddEntry(zip_t* archive, const Item& item, const ZpOptions& options, ReadFailure& failure, bool& skipped) {
  skipped = false;
  struct stat st;
  if (::stat(item.path.c_str(), &st) != 0) {
    failure = {item.stored, errno};
    return false;
  }
  const zip_int64_t existing = zip_name_locate(archive, item.stored.c_str(), 0);
  if (existing >= 0 && options.update && !item.folder) {
    const std::time_t stored = EntryTime(archive, static_cast<zip_uint64_t>(existing));
    // DOS times step by two seconds: a file is newer only past that step.
    if (stored >= 0 && st.st_mtime <= stored + 1) {
      skipped = true;
      return true;
    }
  }
  zip_int64_t index = existing;
  if (item.folder) {
    if (existing < 0) index = zip_dir_add(archive, item.stored.c_str(), ZIP_FL_ENC_GUESS);
  } else {
    auto* state = new FileSource{item.path, item.stored, st.st_mtime, static_cast<zip_uint64_t>(st.st_size),
                                 &failure, -1, {}};
    zip_error_init(&state->error);
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source = zip_source_function_create(FileSourceCallback, state, &error);
    zip_error_fini(&error);
    if (!source) {
      zip_error_fini(&state->error);
      delete state;
      failure = {item.stored, ENOMEM};
      return false;
    }
    if (existing >= 0) {
      if (zip_file_replace(archive, static_cast<zip_uint64_t>(existing), source, 0) != 0) index = -1;
    } else {
      index = zip_file_add(archive, item.stored.c_str(), source, ZIP_FL_ENC_GUESS);
    }
    if (index < 0) {
      zip_source_free(source);
    } else {
      const int level = options.level >= 1 && options.level <= 9 ? options.level : 6;
      zip_set_file_compression(archive, static_cast<zip_uint64_t>(index), ZIP_CM_DEFLATE,
                               static_cast<zip_uint32_t>(level));
    }
  }
  if (index < 0) {
    failure = {item.stored, 0};
    return false;
  }
  const auto i = static_cast<zip_uint64_t>(index);
  SetEntryTime(archive, i, st.st_mtime);
  zip_file_set_external_attributes(archive, i, 0, ZIP_OPSYS_UNIX, static_cast<zip_uint32_t>(st.st_mode & 0xFFFF) << 16);
  return true;
}

int Fail(int result, const std::string& message) {
  Print("zip error: " + message + "\n");
  return result;
}

}  // namespace

int ZpInit(const ZipUserFunctions& functions) {
  TheState().functions = functions;
  return 1;
}

int ZpSetOptions(const ZpOptions& options) {
  TheState().options = options;
  return 1;
}

ZpOptions ZpGetOptions() { return TheState().options; }

int ZpArchive(long count, std::string_view zipFileName, std::span<const std::string> names) {
  const ZpOptions options = TheState().options;
  if (zipFileName.empty()) return Fail(kBadOptions, "falta el nombre del archivo zip");
  if (count < 0 || static_cast<std::size_t>(count) > names.size()) {
    return Fail(kBadOptions, "la cuenta de nombres no corresponde a la lista");
  }
  const fs::path archivePath = MapName(zipFileName);
  const fs::path rootFolder = options.rootDir.empty() ? drive::Root() : MapName(options.rootDir);

  Collector collector(rootFolder, archivePath, options.recurse);
  for (long i = 0; i < count; ++i) {
    if (!collector.Add(names[static_cast<std::size_t>(i)])) {
      Print("zip aviso: ningún archivo coincide con «" + names[static_cast<std::size_t>(i)] + "»\n");
    }
  }
  if (collector.Items().empty()) return Fail(kNothingToDo, "nada que archivar: ningún nombre coincide con un archivo");

  // A new archive is written under a hidden name (and libzip's own temporary
  // beside it is hidden too), so no listing by pattern shows it half-made.
  std::error_code ec;
  const bool existed = fs::exists(archivePath, ec);
  const fs::path writing = existed ? archivePath : drive::TemporaryBeside(archivePath, ".nuevo");
  int zipError = 0;
  zip_t* archive = zip_open(writing.c_str(), ZIP_CREATE, &zipError);
  // Whatever ends the run early (a caller's print that throws included)
  // discards the changes; only a completed zip_close keeps them.
  std::unique_ptr<zip_t, void (*)(zip_t*)> discard(archive, [](zip_t* a) { if (a) zip_discard(a); });
  if (!archive) {
    return Fail(zipError == ZIP_ER_NOZIP || zipError == ZIP_ER_INCONS ? kNotFound : kReadError,
                "«" + archivePath.filename().string() + "»: " + DescribeZipError(zipError, errno));
  }

  ReadFailure failure;
  for (const Item& item : collector.Items()) {
    bool skipped = false;
    if (!AddEntry(archive, item, options, failure, skipped)) {
      const std::string why = failure.error ? DescribeSystemError(failure.error) : DescribeZipError(zip_get_error(archive));
      return Fail(kReadError, "no se puede leer «" + item.stored + "»: " + why);
    }
  }

  if (zip_close(archive) != 0) {
    zip_error_t* error = zip_get_error(archive);
    std::string message;
    int result = kWriteError;
    if (failure.error != 0) {
      result = kReadError;
      message = "no se puede leer «" + failure.stored + "»: " + DescribeSystemError(failure.error);
    } else {
      message = "no se puede escribir «" + archivePath.filename().string() + "»: " + DescribeZipError(error);
    }
    return Fail(result, message + "; no se escribió el archivo zip");
  }
  discard.release();
  // libzip renames what it wrote over the archive, but syncs neither.
  std::error_code placed;
  if (existed) {
    drive::SyncFile(archivePath, placed);
    if (!placed) drive::SyncFolder(archivePath.parent_path(), placed);
  } else {
    drive::PlaceWholeFile(writing, archivePath, placed);
  }
  if (placed) {
    return Fail(kWriteError, "no se puede escribir «" + archivePath.filename().string() + "»: " +
                                 DescribeSystemError(placed.value()) + "; no se escribió el archivo zip");
  }
  return kOk;
}

}  // namespace orvo::zip
