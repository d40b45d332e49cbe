#include "platform/testsupport/database_state.h"

#include <algorithm>

#include "platform/db/connection.h"
#include "platform/db/recordset.h"

namespace orvo::testing {

std::string IntegrityCheck(const std::filesystem::path& file, std::string_view password) {
  db::Connection cn;
  cn.OpenFile(file.string(), password);
  db::Recordset rs(cn);
  rs.Open("PRAGMA integrity_check");
  std::string report;
  for (; !rs.Eof(); rs.MoveNext()) {
    if (!report.empty()) report += '\n';
    report += db::AsText(rs.Field(rs.FieldNames()[0]));
  }
  return report;
}

TableRows Contents(const std::filesystem::path& file, std::string_view password) {
  db::Connection cn;
  cn.OpenFile(file.string(), password);
  TableRows tables;
  for (const std::string& table : cn.TableNames()) {
    db::Recordset rs(cn);
    rs.Open("SELECT * FROM \"" + table + "\"");
    std::vector<std::string>& rows = tables[table];
    for (; !rs.Eof(); rs.MoveNext()) {
      std::string row;
      for (const std::string& field : rs.FieldNames()) {
        const db::Value& v = rs.Field(field);
        if (!row.empty()) row += '|';
        row += db::IsNull(v) ? std::string("<null>") : db::AsText(v);
      }
      rows.push_back(std::move(row));
    }
    std::sort(rows.begin(), rows.end());
  }
  return tables;
}

}  // namespace orvo::testing
