// Zip and unzip benchmark. Generates a product folder of about the given size
// (one large database-like file and a few thousand small punch files), then,
// in the same run, archives it through CGZipFiles and with Info-ZIP's
// `zip -r -6`, and extracts our archive through CGUnzipFiles and with
// `unzip -o`. Prints seconds, MB/s and the ratio of ours to Info-ZIP's, the
// archive sizes, and the peak memory of this process and of each Info-ZIP
// program alone.
//
//   bench_zip [MEGABYTES [SMALL_FILES]]     (default 1024 and 3000; CI runs 4 50)
//
// Exits non-zero when an archive step fails, Info-ZIP's `unzip -t` refuses our
// archive, or an extraction differs from the source; the speed target (not
// slower than Info-ZIP) is reported, not enforced.
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <limits>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "backup/cgunzipfiles.h"
#include "bench/support/banco.h"
#include "backup/cgzipfiles.h"
#include "platform/forms/scripted_dialogs.h"
#include "platform/testsupport/commands.h"
#include "platform/testsupport/temp_drive.h"

namespace {

namespace fs = std::filesystem;
using Clock = orvo::bench::Reloj;
using orvo::bench::Check;
constexpr auto Seconds = orvo::bench::Segundos;
using orvo::testing::Quote;
using orvo::testing::RunCommand;

// Each timed step starts with nothing of the step before waiting to be
// written, so neither road pays for the other's writes.
Clock::time_point Start() {
  RunCommand("sync");
  return Clock::now();
}

using Random = orvo::bench::Azar;

// A file of 4 KiB pages as a database keeps them: rows of punch-like records
// with varying digits, and the rest of each page zero-filled free space.
void MakeDatabase(const fs::path& path, std::uint64_t bytes) {
  std::ofstream out(path, std::ios::binary);
  Random random;
  std::vector<char> chunk(1 << 20);
  for (std::uint64_t written = 0; written < bytes;) {
    for (std::size_t page = 0; page < chunk.size(); page += 4096) {
      char* p = chunk.data() + page;
      std::fill(p, p + 4096, '\0');
      const std::uint64_t r = random();
      const int rows = 40 + static_cast<int>(r % 60);
      int at = 16;
      for (int row = 0; row < rows && at + 40 < 4096; ++row) {
        const std::uint64_t v = random();
        at += std::snprintf(p + at, 41, "2010 %02d %02d\x01%05d\x02%02d:%02d:%02d\x03%08llx", static_cast<int>(v % 12 + 1),
                            static_cast<int>(v / 12 % 28 + 1), static_cast<int>(v / 336 % 5000 + 1000),
                            static_cast<int>(v / 1680000 % 24), static_cast<int>(v >> 20 & 63) % 60,
                            static_cast<int>(v >> 26 & 63) % 60, static_cast<unsigned long long>(v >> 40 & 0xFFFF));
      }
    }
    const std::uint64_t n = std::min<std::uint64_t>(chunk.size(), bytes - written);
    out.write(chunk.data(), static_cast<std::streamsize>(n));
    written += n;
  }
}

void MakePunchFiles(const fs::path& folder, int count) {
  fs::create_directories(folder);
  Random random;
  char line[64];
  for (int i = 0; i < count; ++i) {
    std::ofstream out(folder / ("poleo" + std::to_string(10000 + i) + ".txt"), std::ios::binary);
    const int lines = 20 + static_cast<int>(random() % 200);
    for (int k = 0; k < lines; ++k) {
      const std::uint64_t v = random();
      std::snprintf(line, sizeof line, "2010 %02d %02d,%05d,%02d:%02d:%02d\r\n", static_cast<int>(v % 12 + 1),
                    static_cast<int>(v / 12 % 28 + 1), static_cast<int>(v / 336 % 5000 + 1000),
                    static_cast<int>(v / 1680000 % 24), static_cast<int>(v >> 30 & 63) % 60,
                    static_cast<int>(v >> 36 & 63) % 60);
      out << line;
    }
  }
}

std::uint64_t TreeBytes(const fs::path& folder) {
  std::uint64_t total = 0;
  for (const auto& e : fs::recursive_directory_iterator(folder)) {
    if (e.is_regular_file()) total += e.file_size();
  }
  return total;
}

long PeakKilobytes(int who) {
  struct rusage u;
  getrusage(who, &u);
  return u.ru_maxrss;
}

// The high-water mark of a running process's own memory, in kilobytes; -1
// once it has gone.
long HighWaterKilobytes(pid_t pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  for (std::string line; std::getline(status, line);) {
    if (line.starts_with("VmHWM:")) return std::strtol(line.c_str() + 6, nullptr, 10);
  }
  return -1;
}

// Runs a program found on the path in `folder` and gives its exit status and
// the peak memory of that program alone. A child's resource usage would count
// this process's pages, which the child carries until its exec; the program's
// own image starts its high-water mark afresh, read while it runs.
struct Ejecucion {
  int status = -1;
  long peakKb = 0;
};
Ejecucion RunMeasured(const std::vector<std::string>& args, const fs::path& folder) {
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  Ejecucion e;
  pid_t pid = -1;
  const int r = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (r != 0) return e;
  int status = 0;
  // posix_spawn returns once the program is running its own image.
  while (::waitpid(pid, &status, WNOHANG) == 0) {
    e.peakKb = std::max(e.peakKb, HighWaterKilobytes(pid));
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  e.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return e;
}

}  // namespace

int main(int argc, char** argv) {
  const std::optional<long> megabytesArg = orvo::bench::Tamano(argc, argv, 1, 1024);
  const std::optional<long> smallFilesArg = orvo::bench::Tamano(argc, argv, 2, 3000);
  if (!megabytesArg || !smallFilesArg || *smallFilesArg > std::numeric_limits<int>::max()) {
    std::fprintf(stderr, "usage: bench_zip [MEGABYTES [SMALL_FILES]]\n");
    return 2;
  }
  const auto megabytes = static_cast<std::uint64_t>(*megabytesArg);
  const int smallFiles = static_cast<int>(*smallFilesArg);
  orvo::testing::TempDrive c;

  const fs::path product = c.Path("Quiravel");
  MakePunchFiles(product / "poleos", smallFiles);
  const std::uint64_t small = TreeBytes(product);
  const std::uint64_t total = megabytes << 20;
  MakeDatabase(product / "Quiravel.mdb", total > small ? total - small : 1 << 20);
  const double mb = static_cast<double>(TreeBytes(product)) / (1 << 20);
  std::printf("datos: %.1f MB (1 base de datos, %d archivos pequeños)\n", mb, smallFiles);
  RunCommand("cat " + Quote(product) + "/Quiravel.mdb " + Quote(product) + "/poleos/* > /dev/null");  // same warm cache for both

  bool ok = true;
  // Archive: ours, then Info-ZIP's of the same files at the same level.
  auto start = Start();
  orvo::backup::CGZipFiles zip;
  zip.ZipFileName("C:\\nuestro.zip");
  zip.AddFile("C:\\Quiravel\\*");
  zip.AddFile("C:\\Quiravel\\poleos\\*");
  ok &= Check(zip.MakeZipFile() == 0, "MakeZipFile: " + zip.GetLastMessage());
  const double oursZip = Seconds(start);
  const long oursZipKb = PeakKilobytes(RUSAGE_SELF);

  start = Start();
  const Ejecucion zipInfo = RunMeasured({"zip", "-q", "-r", "-6", "infozip.zip", "Quiravel"}, c.Root());
  ok &= Check(zipInfo.status == 0, "zip -r -6");
  const double theirsZip = Seconds(start);

  std::string log;
  ok &= Check(RunCommand("unzip -tq " + Quote(c.Path("nuestro.zip")), &log) == 0, "unzip -t: " + log);

  // Extraction of our archive: ours, then Info-ZIP's.
  orvo::forms::ScriptedDialogs boxes;
  start = Start();
  orvo::backup::CGUnzipFiles unzip(boxes, "bench_zip");
  ok &= Check(unzip.Unzip("C:\\nuestro.zip", "C:\\nuestra-salida") == 0, "Unzip: " + unzip.GetLastMessage());
  const double oursUnzip = Seconds(start);
  const long oursKb = PeakKilobytes(RUSAGE_SELF);

  start = Start();
  const Ejecucion unzipInfo =
      RunMeasured({"unzip", "-o", "-q", c.Path("nuestro.zip").string(), "-d", c.Path("infozip-salida").string()}, c.Root());
  ok &= Check(unzipInfo.status == 0, "unzip -o");
  const double theirsUnzip = Seconds(start);

  ok &= Check(RunCommand("diff -r -q " + Quote(product) + " " + Quote(c.Path("nuestra-salida/Quiravel")), &log) == 0,
              "nuestra extracción difiere: " + log);
  ok &= Check(RunCommand("diff -r -q " + Quote(product) + " " + Quote(c.Path("infozip-salida/Quiravel")), &log) == 0,
              "la extracción de unzip difiere: " + log);

  const double oursSize = static_cast<double>(fs::file_size(c.Path("nuestro.zip"))) / (1 << 20);
  const double theirsSize = static_cast<double>(fs::file_size(c.Path("infozip.zip"))) / (1 << 20);
  std::printf("%-22s %9s %9s %9s\n", "", "nuestro", "Info-ZIP", "razón");
  std::printf("%-22s %8.2fs %8.2fs %9.2f\n", "comprimir (nivel 6)", oursZip, theirsZip, oursZip / theirsZip);
  std::printf("%-22s %7.0fMB/s %6.0fMB/s\n", "", mb / oursZip, mb / theirsZip);
  std::printf("%-22s %8.2fs %8.2fs %9.2f\n", "extraer", oursUnzip, theirsUnzip, oursUnzip / theirsUnzip);
  std::printf("%-22s %7.0fMB/s %6.0fMB/s\n", "", mb / oursUnzip, mb / theirsUnzip);
  std::printf("%-22s %7.1fMB %7.1fMB %9.3f\n", "tamaño del zip", oursSize, theirsSize, oursSize / theirsSize);
  std::printf("memoria máxima: este proceso %.1f MB tras comprimir, %.1f MB tras extraer; Info-ZIP zip %.1f MB, unzip %.1f MB\n",
              oursZipKb / 1024.0, oursKb / 1024.0, zipInfo.peakKb / 1024.0, unzipInfo.peakKb / 1024.0);
  std::printf("objetivo (no más lento que Info-ZIP): comprimir %s, extraer %s\n", oursZip <= theirsZip ? "cumplido" : "NO",
              oursUnzip <= theirsUnzip ? "cumplido" : "NO");
  return ok ? 0 : 1;
}
