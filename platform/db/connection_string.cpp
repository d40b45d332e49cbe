#include "platform/db/connection_string.h"

#include "platform/text/blanks.h"
#include "platform/text/nocase.h"

namespace orvo::db {

ConnectionString ConnectionString::Parse(std::string_view text) {
  ConnectionString cs;
  std::size_t i = 0;
  while (i < text.size()) {
    std::size_t eq = text.find('=', i);
    std::size_t semi = text.find(';', i);
    if (eq == std::string_view::npos || (semi != std::string_view::npos && semi < eq)) {
      if (semi == std::string_view::npos) break;
      i = semi + 1;
      continue;
    }
    std::string key = text::FoldCase(text::TrimBlanks(text.substr(i, eq - i)));
    std::size_t v = eq + 1;
    while (v < text.size() && text[v] == ' ') ++v;
    std::string value;
    std::size_t end;
    if (v < text.size() && text[v] == '{') {
      // Inside braces ';' is text and "}}" is one '}'.
      std::size_t k = v + 1;
      for (; k < text.size(); ++k) {
        if (text[k] == '}') {
          if (k + 1 < text.size() && text[k + 1] == '}') {
            value += '}';
            ++k;
            continue;
          }
          break;
        }
        value += text[k];
      }
      end = text.find(';', k);
      if (end == std::string_view::npos) end = text.size();
    } else {
      end = semi == std::string_view::npos ? text.size() : semi;
      value = std::string(text.substr(eq + 1, end - eq - 1));
    }
    if (key == "dbq") cs.file = std::string(text::TrimBlanks(value));
    if (key == "pwd") cs.password = value;
    i = end + 1;
  }
  return cs;
}

}  // namespace orvo::db
