// Real child processes: exit statuses, a running child, refusals, and the
// command line as the started program reads it.
#include "platform/process/process.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/error.h"
#include "platform/error/numbers.h"
#include "platform/testsupport/temp_drive.h"

namespace {

using namespace std::chrono_literals;
using orvo::process::Start;

const std::filesystem::path kShell = "/bin/sh";

struct Refusal {
  int number = -1;
  std::string description;
};

Refusal RefusalOf(const std::filesystem::path& program) {
  try {
    Start(program, {});
  } catch (const orvo::RuntimeError& e) {
    return {e.number, e.what()};
  }
  return {};
}

TEST(Start, ReportsTheExitStatus) {
  const std::pair<const char*, int> cases[] = {
      {"exit 0", 0}, {"exit 3", 3}, {"exit 255", 255}, {"kill -9 $$", 128 + 9}};
  for (auto [script, status] : cases) {
    auto child = Start(kShell, {"-c", script});
    EXPECT_EQ(child.Wait(10s), status) << script;
    EXPECT_FALSE(child.Running());
    EXPECT_EQ(child.Wait(0ms), status) << "the status stays after the reap";
  }
}

TEST(Start, SleepingChildRunsThenFinishes) {
  auto child = Start(kShell, {"-c", "sleep 0.3; exit 7"});
  EXPECT_GT(child.Pid(), 0);
  EXPECT_TRUE(child.Running());
  EXPECT_EQ(child.Wait(20ms), std::nullopt);
  EXPECT_TRUE(child.Running());
  EXPECT_EQ(child.Wait(10s), 7);
  EXPECT_FALSE(child.Running());
}

TEST(Start, ArgumentsReachTheProgramUnsplit) {
  // The script exits 0 only when it got exactly these three words.
  const char* script = R"([ $# -eq 3 ] && [ "$1" = "a b" ] && [ -z "$2" ] && [ "$3" = 'ñ;$x' ])";
  auto child = Start(kShell, {"-c", script, "sh", "a b", "", "ñ;$x"});
  EXPECT_EQ(child.Wait(10s), 0);
}

TEST(Start, VariablesGivenReachTheProgramBesideTheCurrentOnes) {
  ::setenv("ORVO_PRUEBA_HEREDADA", "antes", 1);
  ::setenv("ORVO_PRUEBA_CAMBIADA", "antes", 1);
  const char* script =
      R"sh([ "$ORVO_PRUEBA_HEREDADA" = antes ] && [ "$ORVO_PRUEBA_CAMBIADA" = "a=b c" ] && [ "$ORVO_PRUEBA_NUEVA" = 1 ] &&
         [ "$(env | grep -c '^ORVO_PRUEBA_CAMBIADA=')" = 1 ])sh";
  auto child = Start(kShell, {"-c", script}, {.environment = {"ORVO_PRUEBA_CAMBIADA=a=b c", "ORVO_PRUEBA_NUEVA=1"}});
  EXPECT_EQ(child.Wait(10s), 0);
  // This program's own stay as they were.
  EXPECT_STREQ(std::getenv("ORVO_PRUEBA_CAMBIADA"), "antes");
  EXPECT_EQ(std::getenv("ORVO_PRUEBA_NUEVA"), nullptr);
  ::unsetenv("ORVO_PRUEBA_HEREDADA");
  ::unsetenv("ORVO_PRUEBA_CAMBIADA");
}

TEST(Start, RefusesWhatCannotRun) {
  orvo::testing::TempDrive folder;
  const auto text = folder.Path("Snapmake");
  orvo::testing::WriteFile(text, "not a program");
  chmod(text.c_str(), 0644);
  struct Case {
    std::filesystem::path program;
    int number;
  };
  const Case cases[] = {
      {folder.Path("missing"), orvo::err::kFileNotFound},
      {folder.Root(), orvo::err::kFileNotFound},  // a folder is no program file
      {text, orvo::err::kPermissionDenied},
  };
  for (const Case& c : cases) {
    const Refusal refusal = RefusalOf(c.program);
    EXPECT_EQ(refusal.number, c.number) << c.program;
    EXPECT_EQ(refusal.description, std::string(orvo::err::Text(c.number)) + ": '" + c.program.string() + "'");
  }
}

TEST(Child, DroppedWhileRunningLeavesNoZombie) {
  pid_t pid;
  {
    auto child = Start(kShell, {"-c", "sleep 0.2"});
    pid = child.Pid();
  }
  // The background waiter reaps it: within a while the pid is no child of ours.
  const auto deadline = std::chrono::steady_clock::now() + 10s;
  while (std::chrono::steady_clock::now() < deadline) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    if (!stat) break;
    orvo::process::Sleep(20ms);
  }
  EXPECT_FALSE(std::ifstream("/proc/" + std::to_string(pid) + "/stat").good());
}

TEST(Child, MovedChildReapsOnce) {
  auto first = Start(kShell, {"-c", "exit 4"});
  auto second = std::move(first);
  EXPECT_EQ(second.Wait(10s), 4);
  first = Start(kShell, {"-c", "exit 5"});
  EXPECT_EQ(first.Wait(10s), 5);
}

TEST(CommandLine, RoundTripsThroughAStartedProgram) {
  const std::vector<std::vector<std::string>> cases = {
      {}, {"1"}, {"a b", "", "ñandú", "--x=\"y\""}};
  for (const auto& args : cases) {
    auto child = Start(ORVO_COMMAND_LINE_CHILD, args);
    EXPECT_EQ(child.Wait(10s), 0) << args.size() << " arguments";
  }
}

TEST(CommandLine, SetFromMainWins) {
  const char* argv[] = {"/opt/orvo/Snapmake", "1"};
  orvo::process::SetCommandLine(2, argv);
  EXPECT_EQ(orvo::process::CommandLine(), std::vector<std::string>{"1"});
  orvo::process::SetCommandLine(1, argv);
  EXPECT_TRUE(orvo::process::CommandLine().empty());
}

TEST(Sleep, PausesAtLeastTheTime) {
  const auto start = std::chrono::steady_clock::now();
  orvo::process::Sleep(50ms);
  EXPECT_GE(std::chrono::steady_clock::now() - start, 50ms);
  orvo::process::Sleep(-5ms);  // nothing to wait for
}

}  // namespace
