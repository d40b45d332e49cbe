// Test support: a real session of the sqlite3 command line on a database
// file, as a user opens one to look inside. It reads its statements from a
// pipe, so between two of them it sits idle with the file open, as a person
// at the prompt does. It is ended (killed if need be) when the object goes.
//
//   orvo::testing::SqliteSession s(file);
//   s.Send("SELECT count(*) FROM Checadas;");   // open and idle now
//   ... the program under test runs ...
//   s.Send("INSERT INTO Checadas VALUES (...);");
//   EXPECT_EQ(s.End(), 0);                        // EOF: it closes the file and ends
#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "platform/testsupport/child.h"

namespace orvo::testing {

class SqliteSession {
 public:
  // Starts the session. Its pipe and its output lie in a temporary folder of
  // its own, away from the folders a test compares.
  explicit SqliteSession(const std::filesystem::path& database);
  ~SqliteSession();
  SqliteSession(const SqliteSession&) = delete;
  SqliteSession& operator=(const SqliteSession&) = delete;

  // Sends one line and waits until the session has run it: its output then
  // holds the marker line that follows it.
  void Send(const std::string& line);

  // Closes its input and waits for its end; its exit status.
  int End();

  // What it printed on standard output and error so far.
  std::string Output() const;

 private:
  std::filesystem::path folder_;
  int input_ = -1;
  int sent_ = 0;
  std::optional<Child> child_;
};

// Damages a database file as a write under lost locks can: the root page of
// index `index` becomes an empty leaf, so the table's rows are missing from
// the index while the file still opens. No connection may have the file open.
void EmptyIndex(const std::filesystem::path& database, const std::string& index);

}  // namespace orvo::testing
