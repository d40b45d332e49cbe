// The Internet transfer control's FTP side, over libcurl: one session with a
// server, one remote folder, and the operations a program runs in it, each
// started at once and driven by StillExecuting while the window keeps
// handling its events.
//
//   orvo::inet::InternetTransfer ftp;
//   ftp.URL = "ftp://ftp.ejemplo.com";             // or "ftp://127.0.0.1:2121"
//   ftp.UserName = "reloj";  ftp.Password = "...";  // sent in USER/PASS only
//   ftp.Cd("poleos");                              // relative to the login folder, or "/abs/olute"
//   while (ftp.StillExecuting()) DoEvents();       // throws when the operation failed
//   ftp.Dir();
//   while (ftp.StillExecuting()) DoEvents();
//   std::string listado;
//   for (auto c = ftp.GetChunk(1024); !c.empty(); c = ftp.GetChunk(1024)) listado += c;
//   ftp.Recv("poleo.dat", "/data/poleosInternet/poleo.dat");
//   while (ftp.StillExecuting()) DoEvents();
//   ftp.Delete("poleo.dat");
//   while (ftp.StillExecuting()) DoEvents();
//   ftp.Quit();
//
// The session logs in once and keeps its connection between operations; Cd
// changes to the folder with one CWD of the whole path, and every later
// operation works in it. Dir lists names only (NLST); a folder that was
// reached and whose listing the server refuses with 450 or 550 ("550 No files
// found") is empty. Recv downloads in binary to a hidden partial file beside
// the local one (".NAME.PID.N.part") and renames it only when the transfer is
// complete, so a broken download never stands under its name; Quit, an error
// and RemovePartialDownloads (for a signal that ends the program) remove it.
// Delete removes one remote file (DELE). Quit ends the session.
//
// The password never goes into a URL, a message or a log. A remote name or
// folder that holds a line end or NUL is refused before anything is sent.
// Errors are orvo::RuntimeError with the control's error numbers and Spanish
// texts that name the server and the folder or file: a host that cannot be
// found or reached, a server that does not answer within RequestTimeout (at
// connection and at every reply; also a transfer that stalls that long), a
// refused login, a missing folder or file, a refused deletion, a transfer cut
// short, a lost connection. A server's refusal ends with the server's own
// reply ("... El servidor respondió: 550 No such file or directory."); the
// transfer library's own texts never reach a message.
#pragma once

#include <chrono>
#include <cstddef>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "platform/error/numbers.h"

namespace orvo::inet {

// The control's error numbers (named in platform/error/numbers.h).
using err::transfer::kErrorBadUrl;
using err::transfer::kErrorCannotConnect;
using err::transfer::kErrorHostNotFound;
using err::transfer::kErrorLocalFile;
using err::transfer::kErrorServerRefused;
using err::transfer::kErrorStillExecuting;
using err::transfer::kErrorTimeout;
using err::transfer::kErrorTransfer;

// For the handler of a signal that ends the program: removes the partial file
// of every download under way. Safe to call in a signal handler.
void RemovePartialDownloads() noexcept;

// Removes from `folder` the partial files that downloads of processes which no
// longer run left behind (a program killed outright cannot remove its own).
void RemoveAbandonedPartialFiles(const std::filesystem::path& folder);

class InternetTransfer {
 public:
  InternetTransfer();
  ~InternetTransfer();
  InternetTransfer(const InternetTransfer&) = delete;
  InternetTransfer& operator=(const InternetTransfer&) = delete;

  // "ftp://host" or "ftp://host:port" (the prefix in any letter case); read at
  // the first operation of a session.
  std::string URL;
  std::string UserName;
  std::string Password;
  // For the connection and for each reply of the server; whole seconds, as the
  // underlying client counts them.
  std::chrono::seconds RequestTimeout{60};

  // Each starts its operation and returns; StillExecuting drives it. Starting
  // one while another runs throws kErrorStillExecuting.
  void Cd(std::string_view folder);
  void Dir();
  void Recv(std::string_view remoteName, const std::filesystem::path& localFile);
  void Delete(std::string_view remoteName);

  // Ends the session at once (whatever runs is abandoned); the next operation
  // logs in again.
  void Quit();

  // Drives the running operation for a moment (waiting at most a few
  // milliseconds for the network). False once it has ended; an operation that
  // failed throws its error then, once.
  bool StillExecuting();

  // The next piece of the last listing, at most `size` bytes; empty when all
  // of it has been read.
  std::string GetChunk(std::size_t size);

 private:
  struct Session;
  enum class Operation { None, Cd, Dir, Recv, Delete };
  Session& Idle();
  void Begin(Operation operation, const std::string& path);
  std::unique_ptr<Session> session_;
};

}  // namespace orvo::inet
