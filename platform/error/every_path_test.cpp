// One failure, every path a user meets it by: the forms runtime's box, an
// error a class raises again, the download, the extraction. Each kind of
// failure is made for real (folders the system refuses, a damaged database,
// a refused login, an unreachable server) and must read with one number and
// one Spanish text wherever it surfaces.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <new>
#include <string>
#include <utility>

#include "platform/db/connection.h"
#include "platform/error/current_error.h"
#include "platform/error/numbers.h"
#include "platform/forms/runtime.h"
#include "platform/forms/scripted_dialogs.h"
#include "platform/inet/internet_transfer.h"
#include "platform/testsupport/commands.h"
#include "platform/testsupport/ftp_server.h"
#include "platform/testsupport/temp_drive.h"
#include "platform/zip/result.h"
#include "platform/zip/unzip.h"

namespace orvo::err {
namespace {
namespace fs = std::filesystem;
using orvo::testing::TempDrive;
using orvo::testing::WriteFile;

// What the exception raised by `body` reads as at the two boundaries that
// take any exception: the box of an untrapped error, and a class raising it
// again under its own source. Both must say the same; that is the result.
RuntimeError AtEveryBoundary(const std::function<void()>& body) {
  forms::ScriptedDialogs dialogs;
  int status = -1;
  forms::Runtime runtime(dialogs, "Prueba", [&](int s) { status = s; });
  EXPECT_FALSE(runtime.Guard(body));
  EXPECT_EQ(status, 1);
  RuntimeError raised(0, "");
  try {
    try {
      body();
    } catch (...) {
      RaiseAgain("Clase::Metodo");
    }
  } catch (const RaisedError& e) {
    EXPECT_EQ(e.source, "Clase::Metodo");
    raised = e;
  }
  EXPECT_NE(raised.number, 0) << "the body failed again";
  EXPECT_EQ(dialogs.shown.size(), 1u);
  if (!dialogs.shown.empty()) {
    EXPECT_EQ(dialogs.shown[0].text, forms::Runtime::ErrorText(raised.number, raised.what()));
  }
  return raised;
}

// The extraction of C:\a.zip into `folder` (a Windows name): its result and
// the lines it printed.
std::pair<int, std::string> Extract(const std::string& folder, int test = 0) {
  zip::UnzipOptions o;
  o.zipFileName = "C:\\a.zip";
  o.extractDir = folder;
  o.test = test;
  std::string printed;
  zip::UnzipUserFunctions f;
  f.print = [&](const char* text, unsigned long) { return printed += text, 0; };
  const int result = zip::Wiz_SingleEntryUnzip(o, f);
  return {result, printed};
}

void Wait(inet::InternetTransfer& t) {
  while (t.StillExecuting()) {
  }
}

struct EveryPathTest : ::testing::Test {
  TempDrive c;
  fs::path remote = c.Path("remoto");
  void SetUp() override {
    WriteFile(remote / "poleos/a.dat", "1,2026-01-01,08:00\r\n");
    WriteFile(c.Path("origen/a.dat"), "contenido");
  }
};

TEST_F(EveryPathTest, AFolderTheSystemRefusesReadsTheSameInTheBoxTheRaiseTheDownloadAndTheExtraction) {
  WriteFile(c.Path("archivo"), "x");
  fs::create_directory_symlink("/sys", c.Path("sistema"));  // refused even to root
  std::string log;
  ASSERT_TRUE(orvo::testing::InfoZipCreate(c.Path("origen"), c.Path("a.zip"), "a.dat", "-q", &log)) << log;
  orvo::testing::FtpServer ftp(remote);

  const struct {
    const char* what;
    std::string folder;  // under drive C:
    int number;
  } cases[] = {
      {"a folder under a file", "archivo/sub", kPathNotFound},
      {"a 300-character folder", std::string(300, 'n'), kBadFileName},
      {"a folder the system refuses", "sistema", kPermissionDenied},
  };
  for (const auto& k : cases) {
    SCOPED_TRACE(k.what);
    const fs::path folder = c.Path(k.folder);
    std::string windows = "C:\\" + k.folder;
    for (char& ch : windows) ch = ch == '/' ? '\\' : ch;
    const std::string reason(Text(k.number));

    const RuntimeError e = AtEveryBoundary([&] { fs::create_directories(folder / "x"); });
    EXPECT_EQ(e.number, k.number);
    EXPECT_EQ(std::string(e.what()).rfind(reason + ": '" + folder.string(), 0), 0u) << e.what();

    inet::InternetTransfer t;
    t.URL = ftp.Url();
    t.UserName = ftp.User();
    t.Password = ftp.Password();
    try {
      t.Cd("poleos");
      Wait(t);
      t.Recv("a.dat", folder / "a.dat");
      Wait(t);
      ADD_FAILURE() << "the download was written";
    } catch (const RuntimeError& d) {
      EXPECT_EQ(d.number, inet::kErrorLocalFile);
      EXPECT_EQ(std::string(d.what()), "No se puede escribir el archivo " + (folder / "a.dat").string() + ": " + reason);
    }
    t.Quit();

    const auto [result, printed] = Extract(windows);
    EXPECT_EQ(result, zip::kWriteError) << printed;
    EXPECT_NE(printed.find(": " + reason + "\n"), std::string::npos) << printed;
  }
}

TEST_F(EveryPathTest, EveryOtherKindOfFailureReadsTheSameAtEveryBoundary) {
  WriteFile(c.Path("Quiravel/Quiravel.mdb"), std::string(4096, 'x'));
  orvo::testing::FtpServer ftp(remote);
  const orvo::testing::ClosedPort closedPort;
  const std::string closed = closedPort.Url();
  auto download = [](std::string url, std::string password, fs::path target) {
    return [=] {
      inet::InternetTransfer t;
      t.URL = url;
      t.UserName = "reloj";
      t.Password = password;
      t.Cd("poleos");
      Wait(t);
      t.Recv("a.dat", target);
      Wait(t);
    };
  };
  const struct {
    const char* what;
    std::function<void()> body;
    int number;
    std::string text;  // the description starts so
  } cases[] = {
      {"memory", [] { throw std::bad_alloc(); }, kOutOfMemory, "Memoria insuficiente"},
      {"a damaged database",
       [] {
         db::Connection cn;
         cn.Open("Driver={Microsoft Access Driver (*.mdb)};DBQ=C:\\Quiravel\\Quiravel.mdb");
       },
       engine::kUnrecognizedFormat, "Formato de base de datos '"},
      {"a refused login", download(ftp.Url(), "mala", c.Path("a.dat")), inet::kErrorServerRefused, ""},
      {"an unreachable server", download(closed, "clave", c.Path("a.dat")), inet::kErrorCannotConnect,
       "No se puede conectar con el servidor FTP " + closed},
  };
  for (const auto& k : cases) {
    SCOPED_TRACE(k.what);
    RuntimeError direct(0, "");
    try {
      k.body();
    } catch (const RuntimeError& e) {
      direct = e;
    } catch (...) {
      direct = CurrentError();
    }
    const RuntimeError e = AtEveryBoundary(k.body);
    EXPECT_EQ(e.number, k.number);
    EXPECT_EQ(direct.number, k.number);
    EXPECT_STREQ(e.what(), direct.what());
    EXPECT_EQ(std::string(e.what()).rfind(k.text, 0), 0u) << e.what();
  }
}

TEST_F(EveryPathTest, ADamagedArchiveIsTheExtractionsOneResultAndReason) {
  std::string log;
  ASSERT_TRUE(orvo::testing::InfoZipCreate(c.Path("origen"), c.Path("a.zip"), "a.dat", "-q -0", &log)) << log;
  std::string bytes = orvo::testing::ReadFile(c.Path("a.zip"));
  const auto at = bytes.find("contenido");
  ASSERT_NE(at, std::string::npos);
  bytes[at] = 'C';
  WriteFile(c.Path("a.zip"), bytes);
  for (int test : {0, 1}) {
    const auto [result, printed] = Extract("C:\\destino", test);
    EXPECT_EQ(result, zip::kDamaged) << test;
    EXPECT_NE(printed.find("«a.dat»: error de CRC: los datos están dañados"), std::string::npos) << printed;
  }
}

}  // namespace
}  // namespace orvo::err
