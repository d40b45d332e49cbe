#include "platform/drive/whole_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <iterator>
#include <string>
#include <thread>

#include "platform/error.h"
#include "platform/testsupport/child.h"
#include "platform/testsupport/error_of.h"
#include "platform/testsupport/temp_drive.h"

namespace orvo::drive {
namespace {

namespace fs = std::filesystem;
using orvo::testing::ErrorOf;
using orvo::testing::ReadFile;
using orvo::testing::WriteFile;

long Entries(const fs::path& folder) {
  std::error_code ec;
  return std::distance(fs::directory_iterator(folder, ec), fs::directory_iterator());
}

mode_t ModeOf(const fs::path& path) {
  struct stat st {};
  EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
  return st.st_mode & 0777;
}

class Umask {
 public:
  explicit Umask(mode_t mask) : before_(::umask(mask)) {}
  ~Umask() { ::umask(before_); }

 private:
  mode_t before_;
};

// The ways of writing a whole file: at once, in pieces, and as one of a run
// synced at its end.
struct Shape {
  const char* name;
  std::function<void(const fs::path&, std::string_view, mode_t)> write;
};
void InPieces(const fs::path& p, std::string_view b, mode_t m, Durability durability) {
  WholeFileWriter out(p, m);
  out.Write(b.substr(0, b.size() / 2));
  out.Write(b.substr(b.size() / 2));
  out.Commit(durability);
}
const Shape kShapes[] = {
    {"at once", [](const fs::path& p, std::string_view b, mode_t m) { WriteWholeFile(p, b, m); }},
    {"in pieces", [](const fs::path& p, std::string_view b, mode_t m) { InPieces(p, b, m, Durability::Now); }},
    {"in a run",
     [](const fs::path& p, std::string_view b, mode_t m) {
       InPieces(p, b, m, Durability::AtSyncFileSystem);
       std::error_code ec;
       SyncFileSystem(p, ec);
       if (ec) throw std::system_error(ec);
     }},
};

TEST(WholeFileTest, ReplacesTheWholeFileWithTheModeAskedForLessTheUmask) {
  struct Case { mode_t umask, mode, expected; } cases[] = {
      {022, 0666, 0644},
      {077, 0666, 0600},
      {022, 0600, 0600},
      {0, 0640, 0640},
  };
  for (const Shape& shape : kShapes) {
    for (const Case& k : cases) {
      orvo::testing::TempDrive c;
      const fs::path ruta = c.Path("Windows/ftpcnf.dll");
      WriteFile(ruta, "viejo contenido, más largo\r\n");
      fs::permissions(ruta, fs::perms::all);
      const Umask mask(k.umask);
      shape.write(ruta, "a\r\nb\r\n", k.mode);
      EXPECT_EQ(ReadFile(ruta), "a\r\nb\r\n") << shape.name;
      EXPECT_EQ(ModeOf(ruta), k.expected) << shape.name << " " << std::oct << k.mode << " " << k.umask;
      EXPECT_EQ(Entries(ruta.parent_path()), 1) << shape.name;

      fs::remove(ruta);
      shape.write(ruta, "", k.mode);
      EXPECT_EQ(ReadFile(ruta), "") << shape.name;
      EXPECT_EQ(ModeOf(ruta), k.expected) << shape.name << " new " << std::oct << k.mode << " " << k.umask;
    }
  }
}

TEST(WholeFileTest, AFailureKeepsTheFormerFileAndLeavesNoTemporary) {
  struct Case {
    const char* name;
    const char* target;
    const char* former;  // what stands at `former` before and after, relative to C:
    const char* formerBytes;
    int number;
    bool asRoot;  // whether root is refused too
  } cases[] = {
      // A folder in the file's place cannot be replaced, even by root.
      {"target is a folder", "Windows/ftpcnf.dll", "Windows/ftpcnf.dll/dentro", "anterior", 75, true},
      {"folder missing", "no/existe/x", nullptr, nullptr, 76, true},
      {"folder not writable", "Windows/ftpcnf.dll", "Windows/ftpcnf.dll", "anterior", 70, false},
  };
  for (const Shape& shape : kShapes) {
    for (const Case& k : cases) {
      if (!k.asRoot && ::geteuid() == 0) continue;
      SCOPED_TRACE(std::string(shape.name) + ": " + k.name);
      orvo::testing::TempDrive c;
      const fs::path target = c.Path(k.target);
      const fs::path folder = c.Path("Windows");
      if (k.former) WriteFile(c.Path(k.former), k.formerBytes);
      const long before = Entries(folder);
      if (k.number == 70) fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec);
      const auto e = ErrorOf([&] { shape.write(target, "nuevo", 0600); });
      std::error_code ignored;
      fs::permissions(folder, fs::perms::owner_all, ignored);
      ASSERT_TRUE(e);
      EXPECT_EQ(e->number, k.number);
      EXPECT_NE(std::string(e->what()).find(target.string()), std::string::npos) << e->what();
      if (k.former) {
        EXPECT_EQ(ReadFile(c.Path(k.former)), k.formerBytes);
      }
      EXPECT_EQ(Entries(folder), before);
    }
  }
}

TEST(WholeFileTest, AWriterInPiecesIsHiddenBesideItsTargetUntilCommitted) {
  orvo::testing::TempDrive c;
  const fs::path target = c.Path("poleos/a.dat");
  WriteFile(target, "anterior");
  {
    WholeFileWriter out(target, 0666, ".part");
    ASSERT_TRUE(out.IsOpen());
    EXPECT_EQ(out.Temporary().parent_path(), target.parent_path());
    const std::string name = out.Temporary().filename().string();
    const std::string start = ".a.dat." + std::to_string(::getpid()) + ".";
    EXPECT_TRUE(name.starts_with(start) && name.ends_with(".part")) << name;
    out.Write("a medias");
    EXPECT_EQ(ReadFile(out.Temporary()), "a medias");
    EXPECT_EQ(ReadFile(target), "anterior");
  }  // never committed
  EXPECT_EQ(ReadFile(target), "anterior");
  EXPECT_EQ(Entries(target.parent_path()), 1);

  // What a caller sets through the descriptor stays with the file.
  WholeFileWriter out(target);
  out.Write("nuevo");
  ASSERT_EQ(::fchmod(out.Descriptor(), 0444), 0);
  out.Commit();
  EXPECT_FALSE(out.IsOpen());
  EXPECT_EQ(ReadFile(target), "nuevo");
  EXPECT_EQ(ModeOf(target), 0444u);
}

// Any name the system takes for the target has a temporary that it takes too;
// one it does not take is refused with the run time's text for a bad name.
TEST(WholeFileTest, ANameNearTheLimitIsWrittenAndALongerOneIsABadFileName) {
  for (const Shape& shape : kShapes) {
    for (std::size_t length : {200u, 228u, 250u, 255u}) {
      SCOPED_TRACE(std::string(shape.name) + " " + std::to_string(length));
      orvo::testing::TempDrive c;
      const fs::path target = c.Path("poleos/" + std::string(length - 4, 'p') + ".dat");
      fs::create_directories(target.parent_path());
      shape.write(target, "nuevo", 0640);
      EXPECT_EQ(ReadFile(target), "nuevo");
      WriteFile(target, "anterior");
      fs::permissions(target, fs::perms::owner_all);
      shape.write(target, "otra vez", 0640);
      EXPECT_EQ(ReadFile(target), "otra vez");
      EXPECT_EQ(Entries(target.parent_path()), 1);
    }
  }
  for (const char* suffix : {".tmp", ".part", ".senal.tmp"}) {
    orvo::testing::TempDrive c;
    WholeFileWriter out(c.Path(std::string(255, 'q')), 0666, suffix);
    ASSERT_TRUE(out.IsOpen()) << suffix;
    const std::string name = out.Temporary().filename().string();
    EXPECT_LE(name.size(), 255u) << name;
    EXPECT_TRUE(name.starts_with("." + std::string(200, 'q')) && name.ends_with(suffix)) << name;
    EXPECT_NE(name.find("." + std::to_string(::getpid()) + "."), std::string::npos) << name;
  }

  orvo::testing::TempDrive c;
  const fs::path tooLong = c.Path(std::string(256, 'x'));
  for (const Shape& shape : kShapes) {
    const auto e = ErrorOf([&] { shape.write(tooLong, "nuevo", 0600); });
    ASSERT_TRUE(e) << shape.name;
    EXPECT_EQ(e->number, 52) << shape.name;
    EXPECT_EQ(std::string(e->what()), "Nombre o número de archivo incorrecto: '" + tooLong.string() + "'");
  }
  std::error_code ec;
  WholeFileWriter refused(tooLong, 0666, ".tmp", ec);
  EXPECT_EQ(ec, std::errc::filename_too_long);
  EXPECT_EQ(Entries(c.Root()), 0);
}

TEST(WholeFileTest, TheErrorCodeFormsReportTheSystemsErrorWithoutThrowing) {
  orvo::testing::TempDrive c;
  std::error_code ec;
  WholeFileWriter missing(c.Path("no/existe/x"), 0666, ".tmp", ec);
  EXPECT_EQ(ec, std::errc::no_such_file_or_directory);
  EXPECT_FALSE(missing.IsOpen());
  missing.Write("x", ec);
  EXPECT_EQ(ec, std::errc::bad_file_descriptor);

  WriteFile(c.Path("carpeta/dentro"), "anterior");
  WholeFileWriter overFolder(c.Path("carpeta"), 0666, ".tmp", ec);
  ASSERT_FALSE(ec);
  overFolder.Write("nuevo", ec);
  ASSERT_FALSE(ec);
  overFolder.Commit(ec);
  EXPECT_EQ(ec, std::errc::is_a_directory);
  EXPECT_EQ(ReadFile(c.Path("carpeta/dentro")), "anterior");
  EXPECT_EQ(Entries(c.Root()), 1);
}

TEST(WholeFileTest, AFileAnotherLibraryWroteIsPlacedOrRemoved) {
  orvo::testing::TempDrive c;
  const fs::path target = c.Path("Respaldo/copia.zip");
  WriteFile(target, "anterior");
  const fs::path written = TemporaryBeside(target, ".nuevo");
  EXPECT_EQ(written.parent_path(), target.parent_path());
  EXPECT_TRUE(written.filename().string().starts_with(".copia.zip.")) << written;
  EXPECT_FALSE(fs::exists(written));
  WriteFile(written, "archivo");
  PlaceWholeFile(written, target);
  EXPECT_EQ(ReadFile(target), "archivo");
  EXPECT_EQ(Entries(target.parent_path()), 1);

  WriteFile(c.Path("Respaldo/otra/dentro"), "anterior");
  WriteFile(written, "archivo");
  const auto e = ErrorOf([&] { PlaceWholeFile(written, c.Path("Respaldo/otra")); });
  ASSERT_TRUE(e);
  EXPECT_EQ(e->number, 75);
  EXPECT_FALSE(fs::exists(written));
  EXPECT_EQ(ReadFile(c.Path("Respaldo/otra/dentro")), "anterior");
}

TEST(WholeFileTest, AReaderInAnotherProgramNeverFindsAPartOfTheFile) {
  orvo::testing::TempDrive c;
  const fs::path file = c.Path("Windows/ftpcnf.dll");
  const fs::path ready = c.Path("ready");
  const fs::path stop = c.Path("stop");
  // Larger than one write of a pipe or a page, so a partial file would show.
  constexpr std::size_t kSize = 256 << 10;
  WriteFile(file, std::string(kSize, 'a'));
  auto reader = orvo::testing::Start(ORVO_WHOLE_FILE_READER,
                                     {file.string(), std::to_string(kSize), ready.string(), stop.string()});
  for (int waited = 0; !fs::exists(ready) && waited < 3000; ++waited)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  ASSERT_TRUE(fs::exists(ready));
  for (std::size_t i = 0; i < 42; ++i)
    kShapes[i % std::size(kShapes)].write(file, std::string(kSize, static_cast<char>('b' + i % 20)), 0666);
  WriteFile(stop, "");
  EXPECT_EQ(reader.Wait(std::chrono::minutes(2)), 0);
}

}  // namespace
}  // namespace orvo::drive
