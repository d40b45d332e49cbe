#include "platform/zip/unzip.h"

#include <sys/stat.h>
#include <zip.h>
#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <system_error>
#include <unordered_map>
#include <vector>

#include "platform/drive/whole_file.h"
#include "platform/text/nocase.h"
#include "platform/zip/paths.h"
#include "platform/zip/zip_error.h"
#include "platform/zip/result.h"
#include "platform/zip/timestamp.h"

namespace orvo::zip {
namespace fs = std::filesystem;

namespace {

constexpr int kPasswordBuffer = 256;
constexpr int kPasswordAsks = 3;

std::vector<std::string> Parts(std::string_view name) {
  std::vector<std::string> parts;
  std::string current;
  for (char c : name) {
    if (c == '/' || c == '\\') {
      if (!current.empty() && current != ".") parts.push_back(current);
      current.clear();
    } else {
      current += c;
    }
  }
  if (!current.empty() && current != ".") parts.push_back(current);
  return parts;
}

// Why an entry may not be written, or empty when it may: it must stay inside
// the extraction folder, whatever the archive's maker intended.
std::string Refusal(std::string_view name, zip_uint8_t opsys, zip_uint32_t attributes) {
  if (name.empty()) return "el nombre está vacío";
  if (name[0] == '/' || name[0] == '\\') return "el nombre es absoluto";
  if (name.size() >= 2 && name[1] == ':') return "el nombre lleva letra de unidad";
  for (const std::string& part : Parts(name)) {
    if (part == "..") return "el nombre sale de la carpeta de destino (\"..\")";
  }
  if (opsys == ZIP_OPSYS_UNIX) {
    const mode_t type = (attributes >> 16) & S_IFMT;
    if (type == S_IFLNK) return "es un enlace";
    if (type != 0 && type != S_IFREG && type != S_IFDIR) return "no es un archivo normal";
  }
  return {};
}

// Names already in the folders being extracted into, looked up ignoring
// letter case as Windows did. Each folder is read once: an archive of
// thousands of new files must not read its folder again for every file.
class FolderNames {
 public:
  // The existing entry of `folder` named `name` in any letter case (the exact
  // spelling first), or an empty path.
  fs::path Find(const fs::path& folder, const std::string& name) {
    std::error_code ec;
    if (fs::exists(fs::symlink_status(folder / name, ec))) return folder / name;
    const auto& index = Index(folder);
    const auto it = index.find(text::FoldCase(name));
    return it == index.end() ? fs::path() : folder / it->second;
  }

  void Added(const fs::path& path) {
    const auto it = folders_.find(path.parent_path().string());
    if (it != folders_.end()) it->second.emplace(text::FoldCase(path.filename().string()), path.filename().string());
  }

 private:
  const std::unordered_map<std::string, std::string>& Index(const fs::path& folder) {
    auto [it, added] = folders_.try_emplace(folder.string());
    if (added) {
      std::error_code ec;
      for (fs::directory_iterator d(folder, ec), end; !ec && d != end; d.increment(ec)) {
        const std::string name = d->path().filename().string();
        it->second.emplace(text::FoldCase(name), name);
      }
    }
    return it->second;
  }

  std::unordered_map<std::string, std::unordered_map<std::string, std::string>> folders_;
};

class Extraction {
 public:
  Extraction(const UnzipOptions& options, UnzipUserFunctions& functions)
      : options_(options), functions_(functions) {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    umask_ = mask;
  }

  int Run() {
    functions_.entries = 0;
    functions_.totalSize = functions_.totalCompressed = 0;
    if (options_.spaceToUnderscore || options_.writeToStdOut || options_.list || options_.convertCrLf) {
      return Problem(kBadOptions, "", "opción no admitida por esta biblioteca");
    }
    if (options_.zipFileName.empty()) return Problem(kBadOptions, "", "falta el nombre del archivo zip");
    const fs::path archivePath = MapName(options_.zipFileName);
    int zipError = 0;
    zip_t* archive = zip_open(archivePath.c_str(), ZIP_RDONLY, &zipError);
    if (!archive) {
      const int code = zipError == ZIP_ER_NOENT || zipError == ZIP_ER_NOZIP ? kNotFound
                       : zipError == ZIP_ER_OPEN || zipError == ZIP_ER_READ ? kReadError
                                                                              : kDamaged;
      return Problem(code, archivePath.filename().string(),
                     zipError == ZIP_ER_NOENT ? "no se encuentra el archivo zip" : DescribeZipError(zipError, errno));
    }
    std::unique_ptr<zip_t, void (*)(zip_t*)> closer(archive, zip_discard);
    archive_ = archive;

    if (!options_.test) {
      // No std::filesystem error leaves the library: a folder the system
      // refuses (a name too long, say) is the run's write error.
      std::error_code ec;
      base_ = options_.extractDir.empty() ? fs::current_path(ec) : MapName(options_.extractDir);
      if (!ec) fs::create_directories(base_, ec);
      std::error_code lookup;
      if (!fs::is_directory(base_, lookup)) {
        if (!ec) ec = lookup;
        return Problem(kWriteError, options_.extractDir, ec ? DescribeSystemError(ec.value()) : "no es una carpeta");
      }
    }
    const zip_int64_t count = zip_get_num_entries(archive, 0);
    for (zip_int64_t i = 0; i < count && !stopped_; ++i) Entry(static_cast<zip_uint64_t>(i));
    // The files written, and the folders made for them, on disk at once.
    if (written_) {
      std::error_code ec;
      drive::SyncFileSystem(base_, ec);
      if (ec) Problem(kWriteError, options_.extractDir, DescribeSystemError(ec.value()));
    }
    return result_;
  }

 private:
  void Print(const std::string& line) {
    if (functions_.print) functions_.print(line.c_str(), static_cast<unsigned long>(line.size()));
  }

  void Progress(const std::string& line) {
    if (options_.quietLevel < 2) Print(line);
  }

  // Records a problem; an error outranks a warning, and the first error stays.
  int Problem(int code, const std::string& name, const std::string& why) {
    const bool warning = code == kWarning || code == kBadPassword;
    Print(std::string(warning ? "unzip aviso: " : "unzip error: ") + (name.empty() ? "" : "«" + name + "»: ") + why +
          "\n");
    if (result_ == kOk || (result_ == kWarning && code != kWarning)) result_ = code;
    return result_;
  }

  void Entry(zip_uint64_t index) {
    zip_stat_t st;
    if (zip_stat_index(archive_, index, 0, &st) != 0 || !(st.valid & ZIP_STAT_NAME)) {
      Problem(kDamaged, "", DescribeZipError(zip_get_error(archive_)));
      return;
    }
    const std::string name = st.name;
    zip_uint8_t opsys = 0;
    zip_uint32_t attributes = 0;
    zip_file_get_external_attributes(archive_, index, 0, &opsys, &attributes);

    EntryDetails details{name, st.size, st.comp_size, EntryTime(archive_, index), st.crc,
                         st.encryption_method != ZIP_EM_NONE};
    ++functions_.entries;
    functions_.totalSize += st.size;
    functions_.totalCompressed += st.comp_size;
    if (functions_.service && functions_.service(name.c_str(), static_cast<unsigned long>(st.size)) != 0) {
      stopped_ = true;
      Problem(kCancelled, "", "detenido por el programa");
      return;
    }
    if (functions_.message) functions_.message(details);

    if (const std::string why = Refusal(name, opsys, attributes); !why.empty()) {
      Problem(kWarning, name, "se rechaza: " + why);
      return;
    }
    const bool folder = name.back() == '/' || name.back() == '\\' ||
                        (opsys == ZIP_OPSYS_UNIX && ((attributes >> 16) & S_IFMT) == S_IFDIR);
    if (folder) {
      if (options_.test || !options_.honorDirectories) return;
      fs::path made;
      if (Folders(Parts(name), Parts(name).size(), made)) Progress("  creando: " + name + "\n");
      return;
    }

    // Whether the file is wanted at all comes first: no password is asked
    // for an entry that will be kept out.
    fs::path target;
    if (!options_.test && (!Target(name, target) || !MayWrite(target, name, details.time))) return;
    zip_file_t* file = Open(index, name, details.encrypted);
    if (!file) return;
    std::unique_ptr<zip_file_t, int (*)(zip_file_t*)> closer(file, zip_fclose);
    if (options_.test) {
      if (Copy(file, name, nullptr)) Progress("  probando: " + name + "  OK\n");
      return;
    }
    if (Write(file, name, target, details.time, Mode(opsys, attributes))) Progress("  extrayendo: " + name + "\n");
  }

  zip_file_t* Open(zip_uint64_t index, const std::string& name, bool encrypted) {
    if (!encrypted) {
      zip_file_t* file = zip_fopen_index(archive_, index, 0);
      if (!file) Problem(kDamaged, name, DescribeZipError(zip_get_error(archive_)));
      return file;
    }
    for (int ask = 0; ask <= kPasswordAsks; ++ask) {
      if (ask > 0 || !havePassword_) {
        if (ask == kPasswordAsks || refused_ || !functions_.password) break;
        char buffer[kPasswordBuffer] = {};
        const std::string prompt = "Contraseña de «" + name + "»: ";
        if (functions_.password(buffer, kPasswordBuffer, prompt.c_str(), name.c_str()) != 0) {
          refused_ = true;
          break;
        }
        buffer[kPasswordBuffer - 1] = '\0';
        password_ = buffer;
        havePassword_ = true;
      }
      if (zip_file_t* file = zip_fopen_index_encrypted(archive_, index, 0, password_.c_str())) return file;
      const int error = zip_error_code_zip(zip_get_error(archive_));
      zip_error_clear(archive_);
      if (error != ZIP_ER_WRONGPASSWD && error != ZIP_ER_NOPASSWD) {
        Problem(kDamaged, name, DescribeZipError(error, 0));
        return nullptr;
      }
    }
    Problem(kBadPassword, name, havePassword_ ? "se omite: la contraseña no es correcta" : "se omite: falta la contraseña");
    return nullptr;
  }

  // Makes (or finds, ignoring letter case) the first `count` folders of `parts`
  // under the base; `at` is where they lead.
  bool Folders(const std::vector<std::string>& parts, std::size_t count, fs::path& at) {
    at = base_;
    for (std::size_t k = 0; k < count; ++k) {
      fs::path found = names_.Find(at, parts[k]);
      std::error_code ec;
      if (found.empty()) {
        found = at / parts[k];
        fs::create_directory(found, ec);
        names_.Added(found);
      }
      // A name the system refuses (too long, say) is this entry's problem,
      // not the end of the run.
      std::error_code lookup;
      if (!fs::is_directory(found, lookup)) {
        if (!ec) ec = lookup;
        Problem(kWriteError, parts[k], ec ? DescribeSystemError(ec.value()) : "ya existe y no es una carpeta");
        return false;
      }
      at = found;
    }
    return true;
  }

  bool Target(const std::string& name, fs::path& target) {
    const std::vector<std::string> parts = Parts(name);
    if (parts.empty()) {  // "." or "./.": no file name is left
      Problem(kWarning, name, "se rechaza: el nombre está vacío");
      return false;
    }
    fs::path folder;
    if (options_.honorDirectories) {
      if (!Folders(parts, parts.size() - 1, folder)) return false;
    } else {
      folder = base_;
    }
    const fs::path found = names_.Find(folder, parts.back());
    target = found.empty() ? folder / parts.back() : found;
    return true;
  }

  // Whether an existing file may be replaced, by the options and the answers.
  bool MayWrite(const fs::path& target, const std::string& name, std::time_t entryTime) {
    std::error_code ec;
    const auto status = fs::symlink_status(target, ec);
    if (!fs::exists(status)) return !options_.freshen;
    if (fs::is_directory(status)) {
      Problem(kWarning, name, "se omite: existe una carpeta con ese nombre");
      return false;
    }
    if (options_.freshen || options_.extractOnlyNewer) {
      struct stat existing;
      // DOS times step by two seconds: only a clearly newer entry replaces.
      if (::stat(target.c_str(), &existing) == 0 && entryTime <= existing.st_mtime + 1) return false;
    }
    if (replaceNone_) return false;
    if (options_.promptToOverwrite && functions_.replace) {
      std::string buffer = Shown(name);
      switch (functions_.replace(buffer.data())) {
        case kReplaceYes: return true;
        case kReplaceNone: replaceNone_ = true; return false;
        default: return false;
      }
    }
    return options_.overwriteFiles != 0;
  }

  // A target as the user named it: the extraction folder as given, then the
  // entry's path (or, with folders dropped, its name), in Windows spelling.
  std::string Shown(const std::string& name) const {
    const std::vector<std::string> parts = Parts(name);
    std::string shown = options_.extractDir;
    while (!shown.empty() && (shown.back() == '\\' || shown.back() == '/')) shown.pop_back();
    for (std::size_t k = options_.honorDirectories ? 0 : parts.size() - 1; k < parts.size(); ++k) {
      if (!shown.empty()) shown += '\\';
      shown += parts[k];
    }
    return shown;
  }

  mode_t Mode(zip_uint8_t opsys, zip_uint32_t attributes) const {
    const mode_t unixMode = (attributes >> 16) & 07777;
    if (opsys == ZIP_OPSYS_UNIX && unixMode != 0) return unixMode & 0777;
    mode_t mode = 0666 & ~umask_;
    if (attributes & 0x01) mode &= ~0222;  // the DOS read-only attribute
    return mode;
  }

  // Reads the whole entry (checking its CRC) into `out`, or only checks it
  // when `out` is null. False, with the problem recorded, when anything fails.
  bool Copy(zip_file_t* file, const std::string& name, drive::WholeFileWriter* out) {
    static thread_local std::vector<char> buffer(64 << 10);  // small enough to stay in cache between inflate and write
    for (;;) {
      const zip_int64_t n = zip_fread(file, buffer.data(), buffer.size());
      if (n < 0) {
        zip_error_t* error = zip_file_get_error(file);
        const int code = zip_error_code_zip(error) == ZIP_ER_READ ? kReadError : kDamaged;
        Problem(code, name, DescribeZipError(error));
        return false;
      }
      if (n == 0) return true;
      std::error_code ec;
      if (out) out->Write(std::string_view(buffer.data(), static_cast<std::size_t>(n)), ec);
      if (ec) {
        Problem(kWriteError, name, DescribeSystemError(ec.value()));
        return false;
      }
    }
  }

  bool Write(zip_file_t* file, const std::string& name, const fs::path& target, std::time_t time, mode_t mode) {
    // The owner's alone until the entry's own mode is set.
    std::error_code ec;
    drive::WholeFileWriter out(target, 0600, ".tmp", ec);
    if (ec) return Problem(kWriteError, name, DescribeSystemError(ec.value())), false;
    if (!Copy(file, name, &out)) return false;
    const struct timespec times[2] = {{time, 0}, {time, 0}};
    ::fchmod(out.Descriptor(), mode);
    if (time >= 0) ::futimens(out.Descriptor(), times);
    out.Commit(ec, drive::Durability::AtSyncFileSystem);
    if (ec) return Problem(kWriteError, name, DescribeSystemError(ec.value())), false;
    written_ = true;
    names_.Added(target);
    return true;
  }

  const UnzipOptions& options_;
  UnzipUserFunctions& functions_;
  FolderNames names_;
  zip_t* archive_ = nullptr;
  fs::path base_;
  mode_t umask_ = 022;
  int result_ = kOk;
  bool stopped_ = false;
  bool replaceNone_ = false;
  bool refused_ = false;
  bool written_ = false;  // a file is in place, to be synced
  bool havePassword_ = false;
  std::string password_;
};

}  // namespace

void UzpVersion2(UzpVersion& version) {
  version.betaLevel.clear();
  version.date = "2026-12-10";
  version.zlibVersion = zlibVersion();
  version.major = 1;
  version.minor = 0;
  version.patch = 0;
  version.libzipVersion = zip_libzip_version();
}

int Wiz_SingleEntryUnzip(const UnzipOptions& options, UnzipUserFunctions& functions) {
  return Extraction(options, functions).Run();
}

}  // namespace orvo::zip
