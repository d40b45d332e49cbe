// A child for process_test: exits 0 when the command line read back from
// /proc/self/cmdline, and again after SetCommandLine, equals its argv.
#include <string>
#include <vector>

#include "platform/process/process.h"

int main(int argc, char** argv) {
  const std::vector<std::string> expected(argv + 1, argv + argc);
  if (orvo::process::CommandLine() != expected) return 1;
  orvo::process::SetCommandLine(argc, argv);
  if (orvo::process::CommandLine() != expected) return 2;
  return 0;
}
