// Test support: a real FTP server on 127.0.0.1 (Debian's python3-pyftpdlib,
// run by /usr/bin/python3) serving a folder on a free port, with a log of
// every command it received, and the ways of real servers that the programs
// meet (a refused deletion, a slow or broken download, an empty folder's
// listing refused); and the two servers that fail: a port that listens but
// never answers, and a port where nothing listens.
//
//   orvo::testing::FtpServer ftp(root);             // user "reloj", password "clave"
//   transfer.URL = ftp.Url();                       // "ftp://127.0.0.1:40123"
//   ...
//   EXPECT_THAT(ftp.Log(), Contains("DELE poleo.dat"));
//
//   orvo::testing::FtpServer lento(root, {.bytesPerSecond = 1000});
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <string>
#include <vector>

namespace orvo::testing {

// How the server behaves; the defaults are a plain, willing server.
struct FtpBehaviour {
  bool allowDelete = true;      // false: the user may list and read, but every DELE is refused
  long bytesPerSecond = 0;      // downloads sent at this rate; 0: as fast as they go
  long cutAfter = -1;           // a download ends after this many bytes, though SIZE gave the whole size
  bool emptyListingIs550 = false;  // NLST of an empty folder answered "550 No files found"
  // Names on the wire in Windows-1252, as a Windows server without UTF-8
  // sends and reads them; the served folder keeps its names in UTF-8.
  bool windows1252Names = false;
};

class FtpServer {
 public:
  // `root` is the login folder.
  explicit FtpServer(const std::filesystem::path& root, bool allowDelete = true, std::string user = "reloj",
                     std::string password = "clave");
  FtpServer(const std::filesystem::path& root, const FtpBehaviour& behaviour, std::string user = "reloj",
            std::string password = "clave");
  ~FtpServer();
  FtpServer(const FtpServer&) = delete;
  FtpServer& operator=(const FtpServer&) = delete;

  int Port() const { return port_; }
  std::string Url() const { return "ftp://127.0.0.1:" + std::to_string(port_); }
  const std::string& User() const { return user_; }
  const std::string& Password() const { return password_; }

  // The commands received so far, one a line: "CWD poleos", "PASS ****".
  std::vector<std::string> Log() const;

 private:
  std::filesystem::path log_;
  std::string user_, password_;
  pid_t pid_ = -1;
  int port_ = 0;
};

// A loopback port where nothing listens: connecting is refused at once. The
// port stays bound (never listening) for the object's life, so that no server
// of a test running beside it can be given it meanwhile.
class ClosedPort {
 public:
  ClosedPort();
  ~ClosedPort();
  ClosedPort(const ClosedPort&) = delete;
  ClosedPort& operator=(const ClosedPort&) = delete;
  std::string Url() const { return "ftp://127.0.0.1:" + std::to_string(port_); }

 protected:
  int fd_ = -1;
  int port_ = 0;
};

// A loopback port whose listener never accepts: connecting succeeds (the
// system completes it) and then no byte ever comes.
class SilentServer : public ClosedPort {
 public:
  SilentServer();
};

}  // namespace orvo::testing
