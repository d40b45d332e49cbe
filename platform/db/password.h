// Inside the engine only: the database password. A protected file keeps a
// salted SHA-256 hash of it in the engine's own table; the password itself is
// stored nowhere.
#pragma once

#include <sqlite3.h>

#include <string_view>

namespace orvo::db::detail {

// The engine's own table holding the salted password hash of a protected file.
inline constexpr std::string_view kSecurityTable = "_orvo_security";

// Stores the password of a freshly created file (empty: leave it unprotected).
void SetPassword(sqlite3* db, std::string_view password);

// True when `password` opens the file: it has no password table, or the
// password's hash matches the stored one.
bool PasswordMatches(sqlite3* db, std::string_view password);

}  // namespace orvo::db::detail
