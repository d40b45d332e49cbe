// Transactions of a connection. The outermost one begins IMMEDIATE: a
// transaction that reads and then writes would otherwise fail at its first
// write when another program wrote meanwhile, without waiting. Inner ones are
// savepoints.
#include <sqlite3.h>

#include <string>

#include "platform/db/connection.h"
#include "platform/db/session.h"

namespace orvo::db {
namespace {

std::string Savepoint(int level) { return "orvo_sp" + std::to_string(level); }

}  // namespace

Transaction Connection::Begin() {
  detail::Session& s = detail::SessionOf(*this);
  const int level = s.depth + 1;
  s.Run(level == 1 ? std::string("BEGIN IMMEDIATE") : "SAVEPOINT " + Savepoint(level));
  s.depth = level;
  return Transaction(link_, level);
}

Transaction::Transaction(std::shared_ptr<detail::Link> link, int level) : link_(std::move(link)), level_(level) {}

Transaction::Transaction(Transaction&& other) noexcept : link_(std::move(other.link_)), level_(other.level_) {}

void Transaction::Commit() {
  if (!link_ || !link_->cn || !link_->cn->IsOpen()) return;
  detail::Session& s = detail::SessionOf(*link_->cn);
  s.Run(level_ == 1 ? std::string("COMMIT") : "RELEASE " + Savepoint(level_));
  s.depth = level_ - 1;
  link_.reset();
}

Transaction::~Transaction() {
  if (!link_ || !link_->cn || !link_->cn->IsOpen()) return;
  detail::Session& s = detail::SessionOf(*link_->cn);
  if (s.depth < level_) return;  // the connection was reopened meanwhile
  if (level_ == 1) {
    sqlite3_exec(s.db(), "ROLLBACK", nullptr, nullptr, nullptr);
  } else {
    const std::string name = Savepoint(level_);
    sqlite3_exec(s.db(), ("ROLLBACK TO " + name).c_str(), nullptr, nullptr, nullptr);
    sqlite3_exec(s.db(), ("RELEASE " + name).c_str(), nullptr, nullptr, nullptr);
  }
  s.depth = level_ - 1;
}

}  // namespace orvo::db
