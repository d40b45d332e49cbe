// A second program on the same database, for the locking tests:
//
//   db_locking_child FILE MODE FOLDER [INSERT]
//
// MODE hold-open   opens a connection, says "ready", waits for "go"
//      hold-write  begins a transaction and inserts a row into Checadas, says
//                  "ready", waits for "go", then commits a moment later
//      raw-write   as hold-write, but through SQLite itself (another client
//                  that knows nothing of the lock file)
//      write       inserts one row in a transaction at once and ends
//      rebuild-index   through SQLite itself, reads the file, then leaves its
//                  write-ahead index as a program that opens it first finds
//                  it, before it has built it again (its header cleared, no
//                  write lock held); says "ready", waits for "go", then reads
//                  again, which builds it, and ends
// INSERT is the statement that writes (default: a row of Checadas).
// "ready" is the file FOLDER/ready; "go" is FOLDER/go. The status is 0 when
// everything succeeded, 2 when a statement failed (its message on stderr).
#include <fcntl.h>
#include <sqlite3.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <thread>

#include "platform/db/connection.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

void Ready(const fs::path& folder) { std::ofstream(folder / "ready") << "ready"; }

void WaitForGo(const fs::path& folder) {
  while (!fs::exists(folder / "go")) std::this_thread::sleep_for(10ms);
}

constexpr const char* kInsert = "INSERT INTO Checadas VALUES('2010 05 03', 100, '08:00:00')";

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4 && argc != 5) return 64;
  const std::string file = argv[1], mode = argv[2];
  const char* insert = argc == 5 ? argv[4] : kInsert;
  const fs::path folder = argv[3];
  try {
    if (mode == "raw-write") {
      sqlite3* db = nullptr;
      sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
      if (sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) != SQLITE_OK ||
          sqlite3_exec(db, insert, nullptr, nullptr, nullptr) != SQLITE_OK) {
        std::cerr << sqlite3_errmsg(db) << "\n";
        sqlite3_close_v2(db);
        return 2;
      }
      Ready(folder);
      WaitForGo(folder);
      int rc = sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
      sqlite3_close_v2(db);
      return rc == SQLITE_OK ? 0 : 2;
    }
    if (mode == "rebuild-index") {
      sqlite3* db = nullptr;
      sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
      const char* read = "SELECT count(*) FROM Checadas";
      if (sqlite3_exec(db, read, nullptr, nullptr, nullptr) != SQLITE_OK) {
        std::cerr << sqlite3_errmsg(db) << "\n";
        return 2;
      }
      // Kept open to the end: closing any descriptor of the index would drop
      // this process's locks on it, which tell other clients it is in use.
      const int shm = ::open((file + "-shm").c_str(), O_RDWR | O_CLOEXEC);
      const char cleared[136] = {};  // both copies of the header and the checkpoint information
      if (shm < 0 || ::pwrite(shm, cleared, sizeof cleared, 0) != static_cast<ssize_t>(sizeof cleared)) return 2;
      Ready(folder);
      WaitForGo(folder);
      const int rc = sqlite3_exec(db, read, nullptr, nullptr, nullptr);
      sqlite3_close_v2(db);
      ::close(shm);
      return rc == SQLITE_OK ? 0 : 2;
    }
    orvo::db::Connection cn;
    cn.OpenFile(file, "LUMAK");
    if (mode == "hold-open") {
      Ready(folder);
      WaitForGo(folder);
      return 0;
    }
    auto t = cn.Begin();
    cn.Execute(insert);
    if (mode == "hold-write") {
      Ready(folder);
      WaitForGo(folder);
      // Long enough for the other program to be waiting already.
      std::this_thread::sleep_for(300ms);
    }
    t.Commit();
    return 0;
  } catch (const std::exception& e) {
    std::cerr << e.what() << "\n";
    return 2;
  }
}
