#include "fingerprint/database_file.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "fingerprint/engine_state.h"
#include "fingerprint/result_codes.h"

namespace huellix {
namespace {

constexpr std::size_t kEntrySize = 8;
constexpr std::size_t kPoseSize = 16;
constexpr std::size_t kRecordSize = 408;
constexpr std::size_t kIoBufferSize = 1 << 16;

void PutU16(std::uint8_t* p, std::uint16_t v) {
  p[0] = static_cast<std::uint8_t>(v);
  p[1] = static_cast<std::uint8_t>(v >> 8);
}
void PutU32(std::uint8_t* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}
std::uint16_t GetU16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }
std::uint32_t GetU32(const std::uint8_t* p) {
  return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 | std::uint32_t{p[3]} << 24;
}

void PutPose(std::uint8_t* p, const TrianglePose& pose) {
  std::memcpy(p, pose.sides.data(), 3);
  std::memcpy(p + 3, pose.relativeDirections.data(), 3);
  std::memcpy(p + 6, pose.zero.data(), 2);
  PutU32(p + 8, pose.fingerprintKey);
  p[12] = static_cast<std::uint8_t>(pose.orientation);
  p[13] = static_cast<std::uint8_t>(pose.centroidX);
  p[14] = static_cast<std::uint8_t>(pose.centroidY);
  p[15] = pose.zero2;
}

TrianglePose GetPose(const std::uint8_t* p) {
  TrianglePose pose;
  std::memcpy(pose.sides.data(), p, 3);
  std::memcpy(pose.relativeDirections.data(), p + 3, 3);
  std::memcpy(pose.zero.data(), p + 6, 2);
  pose.fingerprintKey = GetU32(p + 8);
  pose.orientation = static_cast<std::int8_t>(p[12]);
  pose.centroidX = static_cast<std::int8_t>(p[13]);
  pose.centroidY = static_cast<std::int8_t>(p[14]);
  pose.zero2 = p[15];
  return pose;
}

// Writes through stdio and remembers the first failure, so the writer can
// check once at the end that every byte went out.
class FileWriter {
 public:
  explicit FileWriter(std::FILE* file) : file_(file) {}
  void Write(const void* data, std::size_t size) {
    if (ok_ && std::fwrite(data, 1, size, file_) != size) ok_ = false;
  }
  void U16(std::uint16_t v) {
    std::uint8_t b[2];
    PutU16(b, v);
    Write(b, 2);
  }
  void U32(std::uint32_t v) {
    std::uint8_t b[4];
    PutU32(b, v);
    Write(b, 4);
  }
  bool Ok() const { return ok_; }

 private:
  std::FILE* file_;
  bool ok_ = true;
};

void WriteBody(const EngineState& engine, FileWriter& out) {
  std::array<std::uint8_t, kDatabaseHeaderSize> header{};
  std::memcpy(header.data(), kDatabaseMagic.data(), kDatabaseMagic.size());
  out.Write(header.data(), header.size());
  out.U32(static_cast<std::uint32_t>(engine.registered));

  std::uint32_t slots = 0;
  for (std::uint32_t s = 0; s < kSlotCount; ++s) slots += engine.index.SlotEmpty(s) ? 0 : 1;
  out.U32(slots);
  for (std::uint32_t s = 0; s < kSlotCount && out.Ok(); ++s) {
    const auto entries = engine.index.SlotEntries(s);
    if (entries.empty()) continue;
    out.U32(s);
    out.U16(static_cast<std::uint16_t>(entries.size()));
    for (const IndexEntry& entry : entries) {
      out.U32(entry.key);
      out.U16(entry.itemCount);
      out.U16(entry.reserved);
    }
    for (const IndexEntry& entry : entries) {
      for (const TrianglePose& pose : entry.Items()) {
        std::uint8_t bytes[kPoseSize];
        PutPose(bytes, pose);
        out.Write(bytes, kPoseSize);
      }
    }
  }

  std::uint32_t buckets = 0;
  for (std::uint32_t b = 0; b < kBucketCount; ++b) buckets += engine.store.Bucket(b) != nullptr ? 1 : 0;
  out.U32(buckets);
  for (std::uint32_t b = 0; b < kBucketCount && out.Ok(); ++b) {
    const StoredTemplate* first = engine.store.Bucket(b);
    if (first == nullptr) continue;
    std::uint32_t length = 0;
    for (const StoredTemplate* r = first; r != nullptr; r = r->next) ++length;
    out.U32(b);
    out.U32(length);
    for (const StoredTemplate* r = first; r != nullptr; r = r->next) {
      out.U32(r->key);
      out.Write(r->templ.data(), r->templ.size());
      out.U32(0);
    }
  }
}

// The longest name of one file that the system takes, and ".<pid>.<n>.tmp"
// at its longest (ten digits each).
constexpr std::size_t kNameMax = 255;
constexpr std::size_t kTemporaryTail = 2 * 11 + 4;

// What a temporary's name starts with: the target's name, or for a name near
// the limit its first bytes, "~" and a digest of the whole name, so that any
// name the system takes for the database has a temporary beside it.
// platform/drive has the same rule for the programs' files; the library
// links nothing of ours but the heaps, so it keeps its own.
std::string TemporaryStem(const std::string& target) {
  const std::string name = std::filesystem::path(target).filename().string();
  constexpr std::size_t room = kNameMax - kTemporaryTail;
  if (name.size() <= room) return name;
  std::uint64_t digest = 14695981039346656037ull;  // FNV-1a
  for (const char c : name) {
    digest ^= static_cast<unsigned char>(c);
    digest *= 1099511628211ull;
  }
  std::size_t keep = room - 17;
  while (keep > 0 && (static_cast<unsigned char>(name[keep]) & 0xC0) == 0x80) --keep;  // whole UTF-8 letters
  std::string stem = name.substr(0, keep) + "~";
  for (int shift = 60; shift >= 0; shift -= 4) stem += "0123456789abcdef"[(digest >> shift) & 0xF];
  return stem;
}

// Temporaries "<stem>.<pid>.<n>.tmp" of savers that no longer run (killed
// part-way) are removed; those of a live process may still be in use.
void RemoveDeadSaversTemporaries(const std::string& target) {
  const std::filesystem::path path(target);
  const std::string prefix = TemporaryStem(target) + ".";
  std::error_code ec;
  std::filesystem::path folder = path.parent_path();
  if (folder.empty()) folder = ".";
  for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (name.size() <= prefix.size() + 4 || name.compare(0, prefix.size(), prefix) != 0 ||
        name.compare(name.size() - 4, 4, ".tmp") != 0) {
      continue;
    }
    const std::string rest = name.substr(prefix.size(), name.size() - prefix.size() - 4);
    const std::size_t dot = rest.find('.');
    if (dot == 0 || dot == std::string::npos || rest.find_first_not_of("0123456789.") != std::string::npos ||
        rest.find('.', dot + 1) != std::string::npos || dot > 9) {
      continue;
    }
    const pid_t pid = static_cast<pid_t>(std::stol(rest.substr(0, dot)));
    if (pid > 0 && kill(pid, 0) != 0 && errno == ESRCH) unlink(it->path().c_str());
  }
}

// The file a save replaces: a symbolic link is followed to its target, so
// the link stays a link and the file it names gets the new content. False
// for a loop of links or a link that cannot be read.
bool ResolveLinks(std::string& path) {
  constexpr int kMaxLinks = 40;  // as the kernel's own limit
  for (int hops = 0; hops <= kMaxLinks; ++hops) {
    struct stat status;
    if (lstat(path.c_str(), &status) != 0 || !S_ISLNK(status.st_mode)) return true;
    std::error_code ec;
    const std::filesystem::path link = std::filesystem::read_symlink(path, ec);
    if (ec) return false;
    path = link.is_absolute() ? link.string() : (std::filesystem::path(path).parent_path() / link).string();
  }
  return false;
}

// A fresh name beside the target, so the rename stays within one file system.
// Templates are biometric data: the file is its owner's alone until told
// otherwise.
int CreateTemporaryBeside(const std::string& target, std::string& name) {
  // A name the system does not take is refused before anything is written.
  if (std::filesystem::path(target).filename().string().size() > kNameMax) return -1;
  RemoveDeadSaversTemporaries(target);
  static unsigned counter = 0;
  const std::filesystem::path folder = std::filesystem::path(target).parent_path();
  const std::string stem = (folder / TemporaryStem(target)).string();
  for (int attempt = 0; attempt < 100; ++attempt) {
    name = stem + "." + std::to_string(getpid()) + "." + std::to_string(++counter) + ".tmp";
    const int fd = open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

// The replaced file's owner, group and mode go to its replacement, so a save
// never widens who may read the templates. Owner and group only as far as
// the process may give them away; the mode always.
bool KeepAccess(int fd, const struct stat& old) {
  if (fchown(fd, old.st_uid, old.st_gid) != 0) (void)!fchown(fd, static_cast<uid_t>(-1), old.st_gid);
  return fchmod(fd, old.st_mode & 07777) == 0;
}

// Reads with every count checked against what the file still holds.
class FileReader {
 public:
  FileReader(std::FILE* file, std::uint64_t size) : file_(file), remaining_(size) {}
  bool Read(void* data, std::uint64_t size) {
    if (size > remaining_ || std::fread(data, 1, size, file_) != size) return false;
    remaining_ -= size;
    return true;
  }
  bool U16(std::uint16_t& v) {
    std::uint8_t b[2];
    if (!Read(b, 2)) return false;
    v = GetU16(b);
    return true;
  }
  bool U32(std::uint32_t& v) {
    std::uint8_t b[4];
    if (!Read(b, 4)) return false;
    v = GetU32(b);
    return true;
  }
  bool Holds(std::uint64_t count, std::uint64_t size) const { return count <= remaining_ / size; }
  std::uint64_t Remaining() const { return remaining_; }

 private:
  std::FILE* file_;
  std::uint64_t remaining_;
};

bool ReadSlots(EngineState& engine, FileReader& in) {
  std::uint32_t slots;
  if (!in.U32(slots) || slots > kSlotCount) return false;
  // A slot block takes at least its number, count, one entry and one item.
  if (!in.Holds(slots, 4 + 2 + kEntrySize + kPoseSize)) return false;
  std::int64_t previous = -1;
  for (std::uint32_t n = 0; n < slots; ++n) {
    std::uint32_t slot;
    std::uint16_t count;
    if (!in.U32(slot) || slot >= kSlotCount || slot <= previous) return false;
    previous = slot;
    if (!in.U16(count) || count == 0 || !in.Holds(count, kEntrySize)) return false;
    IndexEntry* entries = engine.index.NewSlot(slot, count);
    if (entries == nullptr) return false;
    for (std::uint16_t e = 0; e < count; ++e) {
      IndexEntry& entry = entries[e];
      std::uint16_t items;
      if (!in.U32(entry.key) || entry.key % kSlotCount != slot || !in.U16(items) || items == 0 ||
          !in.U16(entry.reserved))
        return false;
      for (std::uint16_t earlier = 0; earlier < e; ++earlier)
        if (entries[earlier].key == entry.key) return false;
      entry.itemCount = items;  // the list itself follows all the entries
    }
    for (std::uint16_t e = 0; e < count; ++e) {
      const std::uint16_t items = entries[e].itemCount;
      entries[e].itemCount = 0;
      if (!in.Holds(items, kPoseSize)) return false;
      IndexEntry* entry = engine.index.NewItems(entries[e], items);
      if (entry == nullptr) return false;
      for (std::uint16_t i = 0; i < items; ++i) {
        std::uint8_t bytes[kPoseSize];
        if (!in.Read(bytes, kPoseSize)) return false;
        const TrianglePose pose = GetPose(bytes);
        if (pose.fingerprintKey == kReservedKey) return false;
        entry->SetPose(i, pose);
      }
    }
  }
  return true;
}

bool ReadBuckets(EngineState& engine, FileReader& in, std::uint32_t& records) {
  std::uint32_t buckets;
  if (!in.U32(buckets) || buckets > kBucketCount) return false;
  if (!in.Holds(buckets, 4 + 4 + kRecordSize)) return false;
  std::int64_t previous = -1;
  for (std::uint32_t n = 0; n < buckets; ++n) {
    std::uint32_t bucket, length;
    if (!in.U32(bucket) || bucket >= kBucketCount || bucket <= previous) return false;
    previous = bucket;
    if (!in.U32(length) || length == 0 || length > INT32_MAX || !in.Holds(length, kRecordSize)) return false;
    for (std::uint32_t r = 0; r < length; ++r) {
      std::uint8_t record[kRecordSize];
      if (!in.Read(record, kRecordSize)) return false;
      const FingerprintKey key = GetU32(record);
      if (key == kReservedKey || key % kBucketCount != bucket || engine.store.FingerprintKeyExists(key)) return false;
      if (engine.store.StoreTemplate(key, record + 4) != kOk) return false;
      ++records;
    }
  }
  return true;
}

}  // namespace

int WriteDatabaseFile(const char* fileName) {
  EngineState& engine = Engine();
  engine.registered = engine.store.CountStoredTemplates();

  std::string target = fileName;
  if (!ResolveLinks(target)) return kCannotWriteFile;
  // Only a regular file is replaced: a device, pipe or folder by that name
  // is left as it is.
  struct stat old;
  const bool replacing = stat(target.c_str(), &old) == 0;
  if (replacing && !S_ISREG(old.st_mode)) return kCannotWriteFile;
  std::string temporary;
  const int fd = CreateTemporaryBeside(target, temporary);
  if (fd < 0) return kCannotWriteFile;
  std::FILE* file = (!replacing || KeepAccess(fd, old)) ? fdopen(fd, "wb") : nullptr;
  if (file == nullptr) {
    close(fd);
    unlink(temporary.c_str());
    return kCannotWriteFile;
  }
  std::setvbuf(file, nullptr, _IOFBF, kIoBufferSize);
  FileWriter out(file);
  WriteBody(engine, out);
  bool ok = out.Ok() && std::fflush(file) == 0 && fsync(fileno(file)) == 0;
  ok = std::fclose(file) == 0 && ok;
  if (!ok || std::rename(temporary.c_str(), target.c_str()) != 0) {
    unlink(temporary.c_str());
    return kCannotWriteFile;
  }
  return kOk;
}

int ReadDatabaseFile(const char* fileName) {
  if (int result = ResetDatabase(); result != kOk) return result;
  EngineState& engine = Engine();

  // Opened without waiting: the open of a pipe with no writer, or of some
  // devices, would block for ever with the engine's lock held. Only a
  // regular file is read, and for one the flag changes nothing.
  const int fd = open(fileName, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return kCannotRead;
  struct stat status;
  std::FILE* file = nullptr;
  if (fstat(fd, &status) != 0 || !S_ISREG(status.st_mode) || fcntl(fd, F_SETFL, 0) != 0 ||
      (file = fdopen(fd, "rb")) == nullptr) {
    close(fd);
    return kCannotRead;
  }
  std::setvbuf(file, nullptr, _IOFBF, kIoBufferSize);
  FileReader in(file, static_cast<std::uint64_t>(status.st_size));

  std::array<std::uint8_t, kDatabaseHeaderSize> header;
  std::uint32_t count = 0, records = 0;
  int result = kOk;
  if (!in.Read(header.data(), header.size()) || !in.U32(count)) {
    result = kCannotRead;
  } else if (count > static_cast<std::uint32_t>(engine.maximum)) {
    result = kDatabaseFull;
  } else if (!ReadSlots(engine, in) || !ReadBuckets(engine, in, records) || in.Remaining() != 0 ||
             records != count) {
    result = kCannotRead;
  }
  std::fclose(file);

  if (result != kOk) {
    // Nothing of a refused file stays behind.
    if (int reset = ResetDatabase(); reset != kOk) return reset;
    return result;
  }
  engine.registered = static_cast<std::int32_t>(count);
  return kOk;
}

}  // namespace huellix
