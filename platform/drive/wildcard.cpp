#include "platform/drive/wildcard.h"

#include <algorithm>
#include <string>
#include <system_error>

#include "platform/text/nocase.h"

namespace orvo::drive {
namespace fs = std::filesystem;

namespace {

// One character of UTF-8 text as the bytes that make it up, so that "?"
// stands for "ñ" as it does for "n". Bytes that start no sequence stand alone.
std::vector<std::string_view> Characters(std::string_view s) {
  std::vector<std::string_view> out;
  for (std::size_t i = 0; i < s.size();) {
    std::size_t n = 1;
    while (i + n < s.size() && (static_cast<unsigned char>(s[i + n]) & 0xC0) == 0x80 &&
           static_cast<unsigned char>(s[i]) >= 0xC0 && n < 4) {
      ++n;
    }
    out.push_back(s.substr(i, n));
    i += n;
  }
  return out;
}

// Classic two-pointer match with backtracking to the last '*': linear in
// practice, never exponential.
bool Match(const std::vector<std::string_view>& p, const std::vector<std::string_view>& n) {
  std::size_t pi = 0, ni = 0, starP = std::string::npos, starN = 0;
  while (ni < n.size()) {
    if (pi < p.size() && p[pi] == "*") {
      starP = pi++;
      starN = ni;
    } else if (pi < p.size() && (p[pi] == "?" || p[pi] == n[ni])) {
      ++pi;
      ++ni;
    } else if (starP != std::string::npos) {
      pi = starP + 1;
      ni = ++starN;
    } else {
      return false;
    }
  }
  while (pi < p.size() && p[pi] == "*") ++pi;
  return pi == p.size();
}

}  // namespace

bool HasWildcard(std::string_view text) {
  return text.find_first_of("*?") != std::string_view::npos;
}

bool IsHidden(std::string_view name) { return !name.empty() && name.front() == '.'; }

bool MatchesWildcard(std::string_view pattern, std::string_view name) {
  std::string p = text::FoldCase(pattern);
  const std::string n = text::FoldCase(name);
  // DOS read "*.*" as every file, dotted or not; "X." as X without extension.
  if (p.size() >= 2 && p.compare(p.size() - 2, 2, ".*") == 0 &&
      p.find('.') == p.size() - 2) {
    if (Match(Characters(p.substr(0, p.size() - 2)), Characters(n))) return true;
  }
  if (!p.empty() && p.back() == '.' && n.find('.') == std::string::npos) {
    p.pop_back();
  }
  return Match(Characters(p), Characters(n));
}

std::vector<fs::path> ListFiles(const fs::path& folder, std::string_view pattern) {
  std::vector<fs::path> files;
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (IsHidden(name) || !MatchesWildcard(pattern, name)) continue;
    std::error_code typeError;
    if (fs::is_regular_file(it->path(), typeError)) files.push_back(it->path());
  }
  std::sort(files.begin(), files.end(), [](const fs::path& a, const fs::path& b) {
    const std::string fa = text::FoldCase(a.filename().string());
    const std::string fb = text::FoldCase(b.filename().string());
    return fa != fb ? fa < fb : a.filename() < b.filename();
  });
  return files;
}

}  // namespace orvo::drive
