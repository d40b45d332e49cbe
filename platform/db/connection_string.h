// The connection string of the row interface ("Driver=...;DBQ=C:\...;Pwd=...")
// and the structure interface's connect text (";pwd=LUMAK"): the parts that
// mean something here. Keys ignore letter case and blanks around them, as
// ODBC's do; a value may be wrapped in braces, where "}}" stands for one '}'.
//
//   auto cs = ConnectionString::Parse("DBQ={C:\\Quiravel\\Quiravel.mdb};Pwd={LUMAK}");
//   cs.file      // "C:\\Quiravel\\Quiravel.mdb"
//   cs.password  // "LUMAK"
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "platform/drive/drive.h"

namespace orvo::db {

struct ConnectionString {
  std::string file;      // Windows path as written
  std::string password;  // empty: none
  static ConnectionString Parse(std::string_view text);
};

// A Windows path ("C:\...") mapped under drive C:, or an absolute Linux path as is.
inline std::filesystem::path ResolvePath(std::string_view path) { return drive::Resolve(path); }

}  // namespace orvo::db
