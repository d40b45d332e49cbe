#include "backup/cgzipfiles.h"

#include <algorithm>

#include "backup/codemodule.h"
#include "platform/error/current_error.h"
#include "platform/text/nocase.h"

namespace orvo::backup {

namespace {

// The object-error base of the platform, plus the class's own numbers.
constexpr int kObjectError = -2147221504;
constexpr char kDummy[] = "querty";

}  // namespace

CGZipFiles::CGZipFiles() : mFiles{kDummy} {}

void CGZipFiles::AddFile(const std::string& sFileName) {
  const bool listed = std::any_of(mFiles.begin(), mFiles.end(),
                                  [&](const std::string& f) { return text::EqualsNoCase(f, sFileName); });
  if (listed) throw err::RaisedError(kObjectError + 2001, "File is already in Zip List", "CGZip::AddFile");
  mFiles.push_back(sFileName);
}

void CGZipFiles::RemoveFile(const std::string& sFileName) {
  const auto it = std::find_if(mFiles.begin(), mFiles.end(),
                               [&](const std::string& f) { return text::EqualsNoCase(f, sFileName); });
  if (it == mFiles.end()) throw err::RaisedError(kObjectError + 2002, "File is not in Zip List", "CGZip::RemoveFile");
  mFiles.erase(it);
}

std::int32_t CGZipFiles::MakeZipFile() {
  try {
    CodeModule::ZipNames names;
    std::int32_t count = 0;
    for (const std::string& f : mFiles) {
      if (count >= static_cast<std::int32_t>(names.size())) {
        throw RuntimeError(9, "El subíndice está fuera del intervalo");
      }
      names[static_cast<std::size_t>(count++)] = f;
    }
    return CodeModule::VBZipArchive(count, mZipFileName, names, mRecurseFolders, mUpdatingZip, mRootDirectory);
  } catch (...) {
    err::RaiseAgain("CGZipFiles::MakeZipFile");
  }
}

std::string CGZipFiles::GetLastMessage() const { return CodeModule::LastMessage(); }

}  // namespace orvo::backup
