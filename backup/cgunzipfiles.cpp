#include "backup/cgunzipfiles.h"

#include "platform/error/current_error.h"
#include "platform/error/numbers.h"

namespace orvo::backup {

namespace {

std::int16_t Narrow(std::int32_t value) {
  if (value < INT16_MIN || value > INT16_MAX) throw RuntimeError(err::kOverflow, std::string(err::Text(err::kOverflow)));
  return static_cast<std::int16_t>(value);
}

}  // namespace

CGUnzipFiles::CGUnzipFiles(forms::Dialogs& dialogs, std::string programTitle)
    : dialogs_(dialogs), title_(std::move(programTitle)) {}

std::int32_t CGUnzipFiles::Unzip(std::string_view sZipFileName, std::string_view sExtractDir) {
  try {
    if (!sZipFileName.empty()) mZipFileName = sZipFileName;
    if (!sExtractDir.empty()) mExtractDir = sExtractDir;
    const CodeModule::UnzipFlags flags{mExtractNewer,         mSpaceToUnderScore, mPromptOverwrite,
                                       Narrow(mMessageLevel), mWriteToStdOut,     mTestZip,
                                       Narrow(mExtractList),  mExtractOnlyNewer,  mDisplayComment,
                                       mHonorDirectories,     mOverWriteFiles,    mConvertCRtoCRLF,
                                       mVerbose,              mCaseSensitive,     Narrow(mPrivilege)};
    return CodeModule::VBUnzip(mZipFileName, mExtractDir, flags, dialogs_, title_);
  } catch (...) {
    err::RaiseAgain("CGUnZipFiles::Unzip");
  }
}

std::string CGUnzipFiles::GetLastMessage() const { return CodeModule::LastMessage(); }

}  // namespace orvo::backup
