// Letter case as Windows ignored it in names (tables, columns, path components,
// file patterns): every letter that Windows-1252 has, in UTF-8 text. Data values
// are not compared here; the engine keeps its own collation for those.
//
//   FoldCase("CONTRASEÑA") == "contraseña"
//   EqualsNoCase("C:\\AÑO", "c:\\año")      -> true
//   EqualsNoCase("Ÿ", "ÿ")                 -> true   (Š Œ Ž Ÿ fold too)
//   Bytes that are not well-formed UTF-8 (utf8.h) are kept and compared as
//   they are: EqualsNoCase("\xE0\x81\x81", "a") -> false
#pragma once

#include <string>
#include <string_view>

namespace orvo::text {

std::string FoldCase(std::string_view utf8);
bool EqualsNoCase(std::string_view a, std::string_view b);

}  // namespace orvo::text
