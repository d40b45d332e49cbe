// The engine's one-statement rule: whatever follows a statement's end, a call
// runs only when that rest is blanks and semicolons, and a refused call leaves
// the connection working and the data as it was.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz/check.h"
#include "fuzz/temp_folder.h"
#include "platform/db/connection.h"
#include "platform/db/database.h"
#include "platform/db/recordset.h"
#include "platform/error.h"

namespace {

orvo::db::Connection& Cn() {
  static orvo::db::Connection cn;
  return cn;
}

bool OnlyBlanksAndSemicolons(std::string_view rest) {
  return rest.find_first_not_of(" \t\r\n\f\v;") == std::string_view::npos;
}

long Rows() {
  orvo::db::Recordset rs(Cn());
  rs.Open("SELECT COUNT(*) AS n FROM t WHERE a = ?", {orvo::db::Value{std::int64_t{1}}});
  return static_cast<long>(orvo::db::AsInteger(rs.Field("n")));
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  setenv("ORVO_DRIVE_C", FuzzFolder().c_str(), 1);
  {
    auto d = orvo::db::Database::Create("C:\\fuzz.mdb", ";LANGID=0x0409;CP=1252;COUNTRY=0");
    d.Execute("CREATE TABLE t (a INTEGER, b TEXT)");
    d.Execute("INSERT INTO t VALUES (1, 'uno')");
    d.Execute("INSERT INTO t VALUES (1, 'otro')");
  }
  Cn().OpenFile("C:\\fuzz.mdb", "");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view rest(reinterpret_cast<const char*>(data), size);
  const bool allowed = OnlyBlanksAndSemicolons(rest);

  bool ran = true;
  try {
    Cn().Execute("UPDATE t SET b = b WHERE a = ?;" + std::string(rest), {orvo::db::Value{std::int64_t{1}}});
  } catch (const orvo::RuntimeError&) {
    ran = false;
  }
  FUZZ_CHECK(ran == allowed);

  ran = true;
  try {
    orvo::db::Recordset rs(Cn());
    rs.Open("SELECT a, b FROM t WHERE a = ?;" + std::string(rest), {orvo::db::Value{std::int64_t{1}}});
    FUZZ_CHECK(rs.RecordCount() == 2);
  } catch (const orvo::RuntimeError&) {
    ran = false;
  }
  FUZZ_CHECK(ran == allowed);
  FUZZ_CHECK(Rows() == 2);
  return 0;
}
