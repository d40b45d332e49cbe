#include "fingerprint/database_file.h"

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <future>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "fingerprint/engine_fixture.h"
#include "platform/testsupport/temp_drive.h"

namespace huellix {
namespace {

namespace fs = std::filesystem;
using testing::FingerTemplate;
using testing::Id;
using testing::IndexItemCount;
using testing::TemplateBytes;
using Bytes = std::vector<std::uint8_t>;

Bytes ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

void WriteAll(const fs::path& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// A database file put together field by field, to damage one field at a time.
struct FileLayout {
  struct Entry {
    std::uint32_t key;
    std::vector<FingerprintKey> poses;  // one pose per fingerprint key
    std::optional<std::uint16_t> itemCount = std::nullopt;
  };
  struct Slot {
    std::uint32_t slot;
    std::vector<Entry> entries;
  };
  struct Bucket {
    std::uint32_t bucket;
    std::vector<FingerprintKey> records;
    std::optional<std::uint32_t> length = std::nullopt;
  };
  std::uint32_t count = 0;
  std::vector<Slot> slots;
  std::optional<std::uint32_t> slotCount;
  std::vector<Bucket> buckets;
  std::optional<std::uint32_t> bucketCount;
  Bytes trailer;

  Bytes Image() const {
    Bytes b(kDatabaseHeaderSize, 0);
    auto u16 = [&](std::uint16_t v) { b.insert(b.end(), {std::uint8_t(v), std::uint8_t(v >> 8)}); };
    auto u32 = [&](std::uint32_t v) { u16(std::uint16_t(v)), u16(std::uint16_t(v >> 16)); };
    u32(count);
    u32(slotCount.value_or(static_cast<std::uint32_t>(slots.size())));
    for (const Slot& s : slots) {
      u32(s.slot);
      u16(static_cast<std::uint16_t>(s.entries.size()));
      for (const Entry& e : s.entries) {
        u32(e.key);
        u16(e.itemCount.value_or(static_cast<std::uint16_t>(e.poses.size())));
        u16(0);
      }
      for (const Entry& e : s.entries) {
        for (FingerprintKey key : e.poses) {
          const std::uint8_t pose[16] = {30, 40, 50, 1, 2, 3, 0, 0, std::uint8_t(key), std::uint8_t(key >> 8),
                                         std::uint8_t(key >> 16), std::uint8_t(key >> 24), 128, 0xF0, 7, 0};
          b.insert(b.end(), pose, pose + 16);
        }
      }
    }
    u32(bucketCount.value_or(static_cast<std::uint32_t>(buckets.size())));
    for (const Bucket& bucket : buckets) {
      u32(bucket.bucket);
      u32(bucket.length.value_or(static_cast<std::uint32_t>(bucket.records.size())));
      for (FingerprintKey key : bucket.records) {
        u32(key);
        const TemplateBytes templ = FingerTemplate(key);
        b.insert(b.end(), templ.begin(), templ.end());
        u32(0);
      }
    }
    b.insert(b.end(), trailer.begin(), trailer.end());
    return b;
  }
};

// Users 1 and 2, finger 0: keys 0x100 and 0x200 in buckets 256 and 512.
FileLayout ValidLayout() {
  FileLayout layout;
  layout.count = 2;
  layout.slots = {{5, {{5, {0x100}}, {2'000'005, {0x100, 0x200}}}}, {9, {{9, {0x200}}}}};
  layout.buckets = {{256, {0x100}}, {512, {0x200}}};
  return layout;
}

class DatabaseFileTest : public testing::EngineTest {
 protected:
  fs::path File(const std::string& name) const { return drive_.Path(name); }
  int Load(const Bytes& image) {
    WriteAll(File("image.db"), image);
    return FPSLoadFPDB(File("image.db").c_str());
  }
  // Registers a few fingers, the highest key that may be registered among them.
  void RegisterSome() {
    for (std::int32_t user : {1, 2, 3, 100'001, -1}) {
      const FingerprintId id = Id(user, 15, user == -1 ? 14 : 0);
      ASSERT_EQ(FPSRegisterFP(FingerTemplate(static_cast<unsigned>(user)).data(), &id), FPS_OK);
    }
  }
  static bool Empty() {
    return FPSGetRegistedNum() == 0 && Engine().store.CountStoredTemplates() == 0 && IndexItemCount() == 0;
  }

  orvo::testing::TempDrive drive_;
};

TEST_F(DatabaseFileTest, AnEmptyDatabaseIs524Bytes) {
  ASSERT_EQ(FPSSaveFPDB(File("empty.db").c_str()), FPS_OK);
  const Bytes bytes = ReadAll(File("empty.db"));
  ASSERT_EQ(bytes.size(), 524u);
  EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 49), "Parvex Fingerprint Search Engine Database Ver 1.1");
  for (std::size_t i = 49; i < bytes.size(); ++i) ASSERT_EQ(bytes[i], 0) << i;
}

TEST_F(DatabaseFileTest, SaveLoadSaveGivesTheSameBytes) {
  RegisterSome();
  const int items = IndexItemCount();
  ASSERT_EQ(FPSSaveFPDB(File("a.db").c_str()), FPS_OK);
  ASSERT_EQ(FPSClearFPDB(), FPS_OK);
  ASSERT_TRUE(Empty());

  ASSERT_EQ(FPSLoadFPDB(File("a.db").c_str()), FPS_OK);
  EXPECT_EQ(FPSGetRegistedNum(), 5);
  EXPECT_EQ(IndexItemCount(), items);
  const FingerprintId highest = Id(-1, 15, 14), third = Id(3, 15);
  EXPECT_EQ(FPSCheckDuplicatedId(&highest), FPS_ALREADY_REGISTERED);
  std::array<std::uint8_t, kTemplateSize> templ{};
  ASSERT_TRUE(Engine().store.FetchTemplate(PackFingerprintId(third), templ.data()));
  EXPECT_EQ(templ, FingerTemplate(3));

  ASSERT_EQ(FPSSaveFPDB(File("b.db").c_str()), FPS_OK);
  EXPECT_EQ(ReadAll(File("a.db")), ReadAll(File("b.db")));
  // What was loaded can be removed like what was registered.
  ASSERT_EQ(FPSRemoveFP(&third), FPS_OK);
  ASSERT_EQ(FPSRemoveFP(&highest), FPS_OK);
  EXPECT_EQ(FPSGetRegistedNum(), 3);
  EXPECT_EQ(FPSRegisterFP(FingerTemplate(3).data(), &third), FPS_OK);
}

TEST_F(DatabaseFileTest, TheCountWrittenIsTheNumberOfStoredTemplates) {
  RegisterSome();
  Engine().registered = 99;
  ASSERT_EQ(FPSSaveFPDB(File("a.db").c_str()), FPS_OK);
  EXPECT_EQ(FPSGetRegistedNum(), 5);
  const Bytes bytes = ReadAll(File("a.db"));
  EXPECT_EQ(bytes[512], 5);
}

TEST_F(DatabaseFileTest, AHandBuiltFileLoads) {
  ASSERT_EQ(Load(ValidLayout().Image()), FPS_OK);
  EXPECT_EQ(FPSGetRegistedNum(), 2);
  const IndexEntry* entry = Engine().index.FindEntry(2'000'005);
  ASSERT_NE(entry, nullptr);
  ASSERT_EQ(entry->itemCount, 2);
  EXPECT_EQ(entry->Pose(1).fingerprintKey, 0x200u);
  EXPECT_EQ(entry->Pose(1).orientation, -128);
  EXPECT_EQ(entry->Pose(1).centroidX, -16);
  EXPECT_EQ(Engine().index.SlotEntries(5).size(), 2u);
  EXPECT_TRUE(Engine().store.FingerprintKeyExists(0x200));
  // The header is not checked.
  Bytes image = ValidLayout().Image();
  image[0] = 'X';
  EXPECT_EQ(Load(image), FPS_OK);
}

TEST_F(DatabaseFileTest, DamagedFieldsLoadAsAnEmptyDatabase) {
  struct Case {
    const char* what;
    std::function<void(FileLayout&)> damage;
  };
  const Case cases[] = {
      {"slot count above the table", [](FileLayout& l) { l.slotCount = 2'000'001; }},
      {"negative slot count", [](FileLayout& l) { l.slotCount = 0xFFFFFFFF; }},
      {"slot count above the blocks", [](FileLayout& l) { l.slotCount = 3; }},
      {"slot number out of the table", [](FileLayout& l) { l.slots[1].slot = 2'000'000; }},
      {"slots out of order", [](FileLayout& l) { std::swap(l.slots[0], l.slots[1]); }},
      {"slot given twice", [](FileLayout& l) { l.slots[1] = l.slots[0]; }},
      {"slot without entries", [](FileLayout& l) { l.slots[1].entries.clear(); }},
      {"key of another slot", [](FileLayout& l) { l.slots[1].entries[0].key = 10; }},
      {"key given twice", [](FileLayout& l) { l.slots[0].entries[1].key = 5; }},
      {"entry without items", [](FileLayout& l) { l.slots[1].entries[0].poses.clear(); }},
      {"item count above the items", [](FileLayout& l) { l.slots[1].entries[0].itemCount = 2; }},
      {"bucket count above the table", [](FileLayout& l) { l.bucketCount = 100'001; }},
      {"negative bucket count", [](FileLayout& l) { l.bucketCount = 0x80000000; }},
      {"bucket number out of the table", [](FileLayout& l) { l.buckets[1].bucket = 100'000; }},
      {"buckets out of order", [](FileLayout& l) { std::swap(l.buckets[0], l.buckets[1]); }},
      {"empty chain", [](FileLayout& l) { l.buckets[1].records.clear(); }},
      {"negative chain length", [](FileLayout& l) { l.buckets[1].length = 0xFFFFFFFF; }},
      {"record in another bucket", [](FileLayout& l) { l.buckets[1].records = {0x300}; }},
      {"record given twice", [](FileLayout& l) {
         l.buckets[1].records = {0x200, 0x200};
         l.count = 3;
       }},
      {"reserved key in the store", [](FileLayout& l) {
         l.buckets.push_back({kReservedKey % kBucketCount, {kReservedKey}});
         l.count = 3;
       }},
      {"reserved key in a pose", [](FileLayout& l) { l.slots[1].entries[0].poses = {kReservedKey}; }},
      {"count above the records", [](FileLayout& l) { l.count = 3; }},
      {"count below the records", [](FileLayout& l) { l.count = 1; }},
      {"bytes after the end", [](FileLayout& l) { l.trailer = {0}; }},
  };
  for (const Case& c : cases) {
    RegisterSome();
    FileLayout layout = ValidLayout();
    c.damage(layout);
    EXPECT_EQ(Load(layout.Image()), FPS_CANNOT_READ) << c.what;
    EXPECT_TRUE(Empty()) << c.what;
    // The engine goes on working.
    const FingerprintId id = Id(1);
    EXPECT_EQ(FPSRegisterFP(FingerTemplate(1).data(), &id), FPS_OK) << c.what;
    ASSERT_EQ(FPSClearFPDB(), FPS_OK);
  }
}

TEST_F(DatabaseFileTest, AFileCutShortAnywhereLoadsAsAnEmptyDatabase) {
  FileLayout layout = ValidLayout();
  const Bytes image = layout.Image();
  ASSERT_EQ(Load(image), FPS_OK);
  for (std::size_t size = 0; size < image.size(); ++size) {
    EXPECT_EQ(Load(Bytes(image.begin(), image.begin() + static_cast<std::ptrdiff_t>(size))), FPS_CANNOT_READ)
        << size;
    ASSERT_TRUE(FPSGetRegistedNum() == 0 && !Engine().store.FingerprintKeyExists(0x100) &&
                Engine().index.SlotEmpty(5))
        << size;
  }
}

TEST_F(DatabaseFileTest, ACountAboveTheMaximumIsRefused) {
  Reinitialise(2);
  FileLayout layout = ValidLayout();
  EXPECT_EQ(Load(layout.Image()), FPS_OK);
  EXPECT_EQ(FPSGetRegistedNum(), 2);

  Reinitialise(1);
  EXPECT_EQ(Load(layout.Image()), FPS_DATABASE_FULL);
  EXPECT_TRUE(Empty());
  layout.count = 0xFFFFFFFF;  // -1, compared as unsigned
  EXPECT_EQ(Load(layout.Image()), FPS_DATABASE_FULL);
  EXPECT_TRUE(Empty());
}

TEST_F(DatabaseFileTest, AMissingFileEmptiesTheDatabase) {
  RegisterSome();
  EXPECT_EQ(FPSLoadFPDB(File("missing.db").c_str()), FPS_CANNOT_READ);
  EXPECT_TRUE(Empty());
  EXPECT_EQ(FPSLoadFPDB(drive_.Root().c_str()), FPS_CANNOT_READ);
}

TEST_F(DatabaseFileTest, AFailedSaveLeavesTheEarlierFile) {
  ASSERT_EQ(FPSSaveFPDB(File("kept.db").c_str()), FPS_OK);
  const Bytes earlier = ReadAll(File("kept.db"));
  RegisterSome();

  // Writes past 1000 bytes fail (EFBIG) while the limit stands.
  std::signal(SIGXFSZ, SIG_IGN);
  rlimit previous;
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &previous), 0);
  rlimit limit = previous;
  limit.rlim_cur = 1000;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
  const int result = FPSSaveFPDB(File("kept.db").c_str());
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &previous), 0);

  EXPECT_EQ(result, FPS_CANNOT_WRITE_FILE);
  EXPECT_EQ(ReadAll(File("kept.db")), earlier);
  EXPECT_EQ(std::distance(fs::directory_iterator(drive_.Root()), fs::directory_iterator()), 1)
      << "no temporary file is left behind";
  EXPECT_EQ(FPSGetRegistedNum(), 5);
}

TEST_F(DatabaseFileTest, SavingWhereNoFileCanBeIsRefused) {
  EXPECT_EQ(FPSSaveFPDB(File("no/such/folder/a.db").c_str()), FPS_CANNOT_WRITE_FILE);
  fs::create_directory(File("folder"));
  EXPECT_EQ(FPSSaveFPDB(File("folder").c_str()), FPS_CANNOT_WRITE_FILE);
  EXPECT_EQ(std::distance(fs::directory_iterator(drive_.Root()), fs::directory_iterator()), 1);
}

mode_t ModeOf(const fs::path& path) {
  struct stat status {};
  return ::stat(path.c_str(), &status) == 0 ? status.st_mode & 07777 : 0;
}

// A file written aside and renamed over the target must not widen who may
// read the templates, nor turn a link into a file.
TEST_F(DatabaseFileTest, ASaveKeepsTheReplacedFilesModeAndANewFileIsPrivate) {
  RegisterSome();
  const mode_t umaskBefore = ::umask(022);
  ASSERT_EQ(FPSSaveFPDB(File("new.db").c_str()), FPS_OK);
  EXPECT_EQ(ModeOf(File("new.db")), 0600u);
  const Bytes saved = ReadAll(File("new.db"));
  for (mode_t mode : {0600, 0640, 0604, 0444, 0660}) {
    WriteAll(File("kept.db"), {1, 2, 3});
    ASSERT_EQ(::chmod(File("kept.db").c_str(), mode), 0);
    ASSERT_EQ(FPSSaveFPDB(File("kept.db").c_str()), FPS_OK) << std::oct << mode;
    EXPECT_EQ(ModeOf(File("kept.db")), mode) << std::oct << mode;
    EXPECT_EQ(ReadAll(File("kept.db")), saved);
  }
  ::umask(umaskBefore);
  if (::geteuid() == 0) {
    // Owner and group carry over where the process may give them away.
    ASSERT_EQ(::chown(File("kept.db").c_str(), 4321, 8765), 0);
    ASSERT_EQ(FPSSaveFPDB(File("kept.db").c_str()), FPS_OK);
    struct stat status {};
    ASSERT_EQ(::stat(File("kept.db").c_str(), &status), 0);
    EXPECT_EQ(status.st_uid, 4321u);
    EXPECT_EQ(status.st_gid, 8765u);
  }
  EXPECT_EQ(std::distance(fs::directory_iterator(drive_.Root()), fs::directory_iterator()), 2);
}

TEST_F(DatabaseFileTest, ASaveThroughASymbolicLinkWritesItsTarget) {
  RegisterSome();
  ASSERT_EQ(FPSSaveFPDB(File("direct.db").c_str()), FPS_OK);
  const Bytes saved = ReadAll(File("direct.db"));
  fs::create_directory(File("real"));
  WriteAll(File("real/huellas.db"), {1});
  ASSERT_EQ(::chmod(File("real/huellas.db").c_str(), 0640), 0);
  fs::create_symlink("real/huellas.db", File("link.db"));  // relative to the link's folder
  fs::create_symlink(File("link.db"), File("chain.db"));   // absolute, to a link
  fs::create_symlink("later.db", File("real/dangling.db"));
  for (const char* name : {"link.db", "chain.db"}) {
    WriteAll(File("real/huellas.db"), {1});
    ASSERT_EQ(FPSSaveFPDB(File(name).c_str()), FPS_OK) << name;
    EXPECT_TRUE(fs::is_symlink(File(name))) << name;
    EXPECT_EQ(ReadAll(File("real/huellas.db")), saved) << name;
    EXPECT_EQ(ModeOf(File("real/huellas.db")), 0640u) << name;
  }
  // A link to a file not yet there makes that file, private.
  ASSERT_EQ(FPSSaveFPDB(File("real/dangling.db").c_str()), FPS_OK);
  EXPECT_TRUE(fs::is_symlink(File("real/dangling.db")));
  EXPECT_EQ(ReadAll(File("real/later.db")), saved);
  EXPECT_EQ(ModeOf(File("real/later.db")), 0600u);
  // Nothing else lies beside the links or their targets: no temporary file.
  EXPECT_EQ(std::distance(fs::directory_iterator(drive_.Root()), fs::directory_iterator()), 4);
  EXPECT_EQ(std::distance(fs::directory_iterator(File("real")), fs::directory_iterator()), 3);
  // A loop of links has no file to write.
  fs::create_symlink("loop2.db", File("loop1.db"));
  fs::create_symlink("loop1.db", File("loop2.db"));
  EXPECT_EQ(FPSSaveFPDB(File("loop1.db").c_str()), FPS_CANNOT_WRITE_FILE);
  EXPECT_TRUE(fs::is_symlink(File("loop1.db")));
}

TEST_F(DatabaseFileTest, ANameThatIsNotARegularFileIsRefusedAndLeftAlone) {
  RegisterSome();
  fs::create_directory(File("folder"));
  ASSERT_EQ(::mkfifo(File("pipe").c_str(), 0600), 0);
  fs::create_symlink("pipe", File("to-pipe"));
  fs::create_symlink("folder", File("to-folder"));
  std::vector<std::string> names = {"folder", "pipe", "to-pipe", "to-folder"};
  // A device node of its own (as /dev/null), where the process may make one.
  if (::mknod(File("device").c_str(), S_IFCHR | 0600, makedev(1, 3)) == 0) names.push_back("device");
  for (const std::string& name : names) {
    const fs::file_status before = fs::symlink_status(File(name));
    EXPECT_EQ(FPSSaveFPDB(File(name).c_str()), FPS_CANNOT_WRITE_FILE) << name;
    EXPECT_EQ(fs::symlink_status(File(name)).type(), before.type()) << name;
  }
  EXPECT_TRUE(fs::is_fifo(File("pipe")));
  EXPECT_TRUE(fs::is_empty(File("folder")));
  EXPECT_EQ(std::distance(fs::directory_iterator(drive_.Root()), fs::directory_iterator()),
            static_cast<std::ptrdiff_t>(names.size()))
      << "no temporary file is left behind";
}

// Any name the system takes for the file: the temporary beside it is
// shortened where the file's name is long (the killed saves' test finds
// their leftovers by it).
TEST_F(DatabaseFileTest, NamesUpToTheLimitAreSavedNewAndReplaced) {
  RegisterSome();
  ASSERT_EQ(FPSSaveFPDB(File("plain.db").c_str()), FPS_OK);
  const Bytes saved = ReadAll(File("plain.db"));
  fs::remove(File("plain.db"));
  for (std::size_t length : {228u, 240u, 250u, 255u}) {
    SCOPED_TRACE(length);
    const std::string name = std::string(length - 3, 'h') + ".db";
    ASSERT_EQ(FPSSaveFPDB(File(name).c_str()), FPS_OK);
    EXPECT_EQ(ReadAll(File(name)), saved);
    EXPECT_EQ(ModeOf(File(name)), 0600u);
    ASSERT_EQ(::chmod(File(name).c_str(), 0640), 0);
    ASSERT_EQ(FPSSaveFPDB(File(name).c_str()), FPS_OK);
    EXPECT_EQ(ModeOf(File(name)), 0640u);
    ASSERT_EQ(FPSClearFPDB(), FPS_OK);
    ASSERT_EQ(FPSLoadFPDB(File(name).c_str()), FPS_OK);
    EXPECT_EQ(FPSGetRegistedNum(), 5);
    fs::remove(File(name));
    EXPECT_TRUE(fs::is_empty(drive_.Root())) << "no temporary file is left behind";
  }

  // A name the system does not take is refused, and nothing is written.
  EXPECT_EQ(FPSSaveFPDB(File(std::string(256, 'n')).c_str()), FPS_CANNOT_WRITE_FILE);
  EXPECT_TRUE(fs::is_empty(drive_.Root()));
}

// A pipe with no writer: the open would wait for one, with the engine's lock
// held and every other thread's call behind it.
TEST_F(DatabaseFileTest, APipeWithNoWriterIsRefusedAtOnceWhileOtherCallsGoThrough) {
  RegisterSome();
  ASSERT_EQ(::mkfifo(File("pipe").c_str(), 0600), 0);
  auto load = std::async(std::launch::async, [&] { return FPSLoadFPDB(File("pipe").c_str()); });
  auto other = std::async(std::launch::async, [] {
    const FingerprintId id = Id(77);
    return FPSRegisterFP(FingerTemplate(77).data(), &id);
  });
  // Generous: a blocked load never ends, a working one takes microseconds.
  const auto bound = std::chrono::seconds(120);
  const bool loaded = load.wait_for(bound) == std::future_status::ready;
  if (!loaded) {
    // A writer lets the blocked open go, so the test ends.
    const int writer = ::open(File("pipe").c_str(), O_WRONLY | O_NONBLOCK);
    load.wait();
    if (writer >= 0) ::close(writer);
  }
  ASSERT_TRUE(loaded) << "the load of a pipe waited for a writer";
  EXPECT_EQ(load.get(), FPS_CANNOT_READ);
  ASSERT_EQ(other.wait_for(bound), std::future_status::ready);
  EXPECT_EQ(other.get(), FPS_OK);
  EXPECT_TRUE(fs::is_fifo(File("pipe")));
}

}  // namespace
}  // namespace huellix
