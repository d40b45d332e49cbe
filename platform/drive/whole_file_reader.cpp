// A second program reading a file that the whole-file tests rewrite, to show
// that a reader never meets a part of it:
//
//   whole_file_reader FILE SIZE READY STOP
//
// Reads FILE over and over until the file STOP exists; after its first read it
// makes the file READY. Every read must find SIZE bytes all alike (each
// version of FILE is one byte repeated). Status 0 when every read did; 1 when
// one found a mixed or short file, 2 when FILE was missing, 64 on bad
// arguments.
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

bool Exists(const char* path) { return ::access(path, F_OK) == 0; }

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5) return 64;
  const char* file = argv[1];
  const std::size_t size = std::strtoul(argv[2], nullptr, 10);
  std::string bytes(size + 1, '\0');
  long reads = 0;
  while (!Exists(argv[4])) {
    const int fd = ::open(file, O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
      std::fprintf(stderr, "%s missing after %ld reads\n", file, reads);
      return 2;
    }
    std::size_t got = 0;
    for (ssize_t n; got < bytes.size() && (n = ::read(fd, bytes.data() + got, bytes.size() - got)) > 0;)
      got += static_cast<std::size_t>(n);
    ::close(fd);
    if (got != size || std::string_view(bytes.data(), size).find_first_not_of(bytes[0]) != std::string_view::npos) {
      std::fprintf(stderr, "read %ld found %zu bytes, not %zu alike\n", reads, got, size);
      return 1;
    }
    if (reads++ == 0) ::close(::open(argv[3], O_WRONLY | O_CREAT | O_CLOEXEC, 0666));
  }
  return 0;
}
