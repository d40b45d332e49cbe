#include "platform/db/password.h"

#include <openssl/evp.h>
#include <openssl/rand.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/db/error.h"
#include "platform/db/identifiers.h"

namespace orvo::db::detail {
namespace {

const std::string& Quoted() {
  static const std::string q = QuoteIdentifier(kSecurityTable);
  return q;
}

std::vector<unsigned char> Digest(std::string_view salt, std::string_view password) {
  std::vector<unsigned char> out(EVP_MAX_MD_SIZE);
  unsigned int len = 0;
  EVP_MD_CTX* ctx = EVP_MD_CTX_new();
  EVP_DigestInit_ex(ctx, EVP_sha256(), nullptr);
  EVP_DigestUpdate(ctx, salt.data(), salt.size());
  EVP_DigestUpdate(ctx, password.data(), password.size());
  EVP_DigestFinal_ex(ctx, out.data(), &len);
  EVP_MD_CTX_free(ctx);
  out.resize(len);
  return out;
}

[[noreturn]] void NotSaved() { throw PasswordNotSaved(); }

}  // namespace

void SetPassword(sqlite3* db, std::string_view password) {
  if (password.empty()) return;
  unsigned char salt[16];
  if (RAND_bytes(salt, sizeof salt) != 1) NotSaved();
  std::string saltText(reinterpret_cast<char*>(salt), sizeof salt);
  std::vector<unsigned char> hash = Digest(saltText, password);
  int rc = sqlite3_exec(db, ("CREATE TABLE IF NOT EXISTS " + Quoted() + " (salt BLOB, hash BLOB)").c_str(), nullptr, nullptr, nullptr);
  if (rc == SQLITE_OK) rc = sqlite3_exec(db, ("DELETE FROM " + Quoted()).c_str(), nullptr, nullptr, nullptr);
  sqlite3_stmt* st = nullptr;
  if (rc == SQLITE_OK) rc = sqlite3_prepare_v2(db, ("INSERT INTO " + Quoted() + " VALUES(?,?)").c_str(), -1, &st, nullptr);
  if (rc == SQLITE_OK) {
    sqlite3_bind_blob(st, 1, salt, sizeof salt, SQLITE_TRANSIENT);
    sqlite3_bind_blob(st, 2, hash.data(), static_cast<int>(hash.size()), SQLITE_TRANSIENT);
    rc = sqlite3_step(st) == SQLITE_DONE ? SQLITE_OK : SQLITE_ERROR;
  }
  sqlite3_finalize(st);
  if (rc != SQLITE_OK) NotSaved();
}

bool PasswordMatches(sqlite3* db, std::string_view password) {
  sqlite3_stmt* st = nullptr;
  bool guarded = false;
  int rc = sqlite3_prepare_v2(db, "SELECT count(*) FROM sqlite_master WHERE name = ?", -1, &st, nullptr);
  if (rc == SQLITE_OK) {
    sqlite3_bind_text(st, 1, kSecurityTable.data(), static_cast<int>(kSecurityTable.size()), SQLITE_STATIC);
    if (sqlite3_step(st) == SQLITE_ROW) guarded = sqlite3_column_int(st, 0) > 0;
  }
  sqlite3_finalize(st);
  if (!guarded) return true;
  bool ok = false;
  if (sqlite3_prepare_v2(db, ("SELECT salt, hash FROM " + Quoted() + " ORDER BY rowid LIMIT 1").c_str(), -1, &st, nullptr) == SQLITE_OK &&
      sqlite3_step(st) == SQLITE_ROW) {
    std::string salt(static_cast<const char*>(sqlite3_column_blob(st, 0)), sqlite3_column_bytes(st, 0));
    std::string stored(static_cast<const char*>(sqlite3_column_blob(st, 1)), sqlite3_column_bytes(st, 1));
    std::vector<unsigned char> hash = Digest(salt, password);
    ok = !password.empty() && stored.size() == hash.size() &&
         std::equal(hash.begin(), hash.end(), reinterpret_cast<const unsigned char*>(stored.data()));
  }
  sqlite3_finalize(st);
  return ok;
}

}  // namespace orvo::db::detail
