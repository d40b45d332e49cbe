#include "platform/testsupport/ftp_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fcntl.h>

#include <cstdlib>
#include <fstream>
#include <stdexcept>

namespace orvo::testing {

namespace fs = std::filesystem;

namespace {

// A loopback socket bound to a free port; its port in `port`.
int BindLoopback(int& port) {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) throw std::runtime_error("socket failed");
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  addr.sin_port = 0;
  socklen_t len = sizeof addr;
  if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
      ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
    ::close(fd);
    throw std::runtime_error("bind failed");
  }
  port = ntohs(addr.sin_port);
  return fd;
}

}  // namespace

FtpServer::FtpServer(const fs::path& root, bool allowDelete, std::string user, std::string password)
    : FtpServer(root, FtpBehaviour{.allowDelete = allowDelete}, std::move(user), std::move(password)) {}

FtpServer::FtpServer(const fs::path& root, const FtpBehaviour& behaviour, std::string user, std::string password)
    : user_(std::move(user)), password_(std::move(password)) {
  char logTemplate[] = "/tmp/orvo-ftp-log-XXXXXX";
  const int logFd = ::mkstemp(logTemplate);
  if (logFd < 0) throw std::runtime_error("mkstemp failed");
  ::close(logFd);
  log_ = logTemplate;

  int pipeFds[2];
  if (::pipe2(pipeFds, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
  std::vector<std::string> args = {"/usr/bin/python3", ORVO_FTP_SERVER_SCRIPT, root.string(), user_, password_,
                                   log_.string()};
  if (!behaviour.allowDelete) args.push_back("--sin-borrar");
  if (behaviour.bytesPerSecond > 0) {
    args.push_back("--lento");
    args.push_back(std::to_string(behaviour.bytesPerSecond));
  }
  if (behaviour.cutAfter >= 0) {
    args.push_back("--cortar");
    args.push_back(std::to_string(behaviour.cutAfter));
  }
  if (behaviour.emptyListingIs550) args.push_back("--vacio-550");
  if (behaviour.windows1252Names) args.push_back("--windows-1252");
  pid_ = ::fork();
  if (pid_ == 0) {
    // A test that crashes must not leave its server behind.
    ::prctl(PR_SET_PDEATHSIG, SIGTERM);
    ::dup2(pipeFds[1], 1);
    const int devNull = ::open("/dev/null", O_WRONLY);
    if (devNull >= 0) ::dup2(devNull, 2);
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
  ::close(pipeFds[1]);
  if (pid_ < 0) {
    ::close(pipeFds[0]);
    throw std::runtime_error("fork failed");
  }
  // The first line of its output is the port it listens on.
  std::string line;
  pollfd p{pipeFds[0], POLLIN, 0};
  while (line.find('\n') == std::string::npos && ::poll(&p, 1, 60000) > 0) {
    char buf[64];
    const ssize_t n = ::read(pipeFds[0], buf, sizeof buf);
    if (n <= 0) break;
    line.append(buf, static_cast<std::size_t>(n));
  }
  ::close(pipeFds[0]);
  port_ = std::atoi(line.c_str());
  if (port_ <= 0) {
    ::kill(pid_, SIGTERM);
    ::waitpid(pid_, nullptr, 0);
    std::error_code ec;
    fs::remove(log_, ec);
    throw std::runtime_error("the FTP server did not start (is python3-pyftpdlib installed?)");
  }
}

FtpServer::~FtpServer() {
  if (pid_ > 0) {
    ::kill(pid_, SIGTERM);
    int status = 0;
    ::waitpid(pid_, &status, 0);
    pid_ = -1;
  }
  std::error_code ec;
  fs::remove(log_, ec);
}

std::vector<std::string> FtpServer::Log() const {
  std::vector<std::string> lineas;
  std::ifstream in(log_);
  for (std::string l; std::getline(in, l);) lineas.push_back(l);
  return lineas;
}

SilentServer::SilentServer() {
  if (::listen(fd_, 8) != 0) throw std::runtime_error("listen failed");
}

ClosedPort::ClosedPort() { fd_ = BindLoopback(port_); }

ClosedPort::~ClosedPort() { ::close(fd_); }

}  // namespace orvo::testing
