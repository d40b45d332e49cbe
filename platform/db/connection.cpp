#include "platform/db/connection.h"

#include <algorithm>

#include "platform/db/recordset.h"
#include "platform/db/session.h"
#include "platform/text/nocase.h"

namespace orvo::db {
namespace fs = std::filesystem;

bool IsEngineTable(std::string_view name) {
  std::string l = text::FoldCase(name);
  return l.starts_with("sqlite_") || l.starts_with("_orvo_");
}

namespace detail {
Session& SessionOf(const Connection& cn) {
  if (!cn.session_) Throw(errc::kObjectClosed);
  return *cn.session_;
}
}  // namespace detail

Connection::Connection() : link_(std::make_shared<detail::Link>(detail::Link{this})) {}

Connection::~Connection() {
  Close();
  link_->cn = nullptr;
}

void Connection::Open(std::string_view connectionString) {
  ConnectionString cs = ConnectionString::Parse(connectionString);
  if (cs.file.empty()) throw NoDatabaseFile();
  OpenFile(cs.file, cs.password);
}

void Connection::OpenFile(std::string_view path, std::string_view password) {
  Close();
  session_ = std::make_unique<detail::Session>(ResolvePath(path), path, password);
}

void Connection::Close() {
  std::vector<Recordset*> open = std::move(recordsets_);
  recordsets_.clear();
  for (Recordset* rs : open) rs->Detach();
  session_.reset();
}

const fs::path& Connection::File() const {
  static const fs::path none;
  return session_ ? session_->file() : none;
}

void Connection::Register(Recordset* rs) {
  if (std::find(recordsets_.begin(), recordsets_.end(), rs) == recordsets_.end()) recordsets_.push_back(rs);
}

void Connection::Unregister(Recordset* rs) {
  recordsets_.erase(std::remove(recordsets_.begin(), recordsets_.end(), rs), recordsets_.end());
}

long Connection::Execute(std::string_view sql, std::span<const Value> params) {
  return detail::SessionOf(*this).Run(sql, params);
}

std::vector<std::string> Connection::TableNames() {
  detail::Statement st(detail::SessionOf(*this), "SELECT name FROM sqlite_master WHERE type = 'table' ORDER BY rowid", {});
  std::vector<std::string> names;
  while (st.Step() == SQLITE_ROW) {
    std::string name(reinterpret_cast<const char*>(sqlite3_column_text(st.get(), 0)));
    if (!IsEngineTable(name)) names.push_back(name);
  }
  return names;
}

}  // namespace orvo::db
