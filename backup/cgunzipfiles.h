// CGUnzipFiles: the options of one extraction and the archive to extract,
// as the restore program uses it.
//
//   CGUnzipFiles unzip(dialogs, "Snapload");
//   unzip.ZipFileName("C:\\Quiravel\\orvoBackup\\QR1_030226_090507.ZIP");
//   unzip.ExtractDir("C:");
//   unzip.HonorDirectories(true);
//   if (unzip.Unzip("", "") != 0) show(unzip.GetLastMessage());
//
// A password prompt ("Please Enter The Password!", under the program's title)
// and the replace prompt ("Overwrite <name>?") go through `dialogs`. Boolean
// properties keep 1 or 0; MessageLevel, ExtractList and Privilege must fit in
// 16 bits when Unzip runs, or it raises error 6.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "backup/codemodule.h"
#include "platform/forms/dialogs.h"

namespace orvo::backup {

class CGUnzipFiles {
 public:
  CGUnzipFiles(forms::Dialogs& dialogs, std::string programTitle);

  bool ExtractNewer() const { return mExtractNewer == 1; }
  void ExtractNewer(bool value) { mExtractNewer = value ? 1 : 0; }
  bool SpaceToUnderScore() const { return mSpaceToUnderScore == 1; }
  void SpaceToUnderScore(bool value) { mSpaceToUnderScore = value ? 1 : 0; }
  bool PromptOverwrite() const { return mPromptOverwrite == 1; }
  void PromptOverwrite(bool value) { mPromptOverwrite = value ? 1 : 0; }
  bool WriteToStdOut() const { return mWriteToStdOut == 1; }
  void WriteToStdOut(bool value) { mWriteToStdOut = value ? 1 : 0; }
  bool TestZip() const { return mTestZip == 1; }
  void TestZip(bool value) { mTestZip = value ? 1 : 0; }
  bool ExtractOnlyNewer() const { return mExtractOnlyNewer == 1; }
  void ExtractOnlyNewer(bool value) { mExtractOnlyNewer = value ? 1 : 0; }
  bool DisplayComment() const { return mDisplayComment == 1; }
  void DisplayComment(bool value) { mDisplayComment = value ? 1 : 0; }
  bool HonorDirectories() const { return mHonorDirectories == 1; }
  void HonorDirectories(bool value) { mHonorDirectories = value ? 1 : 0; }
  bool OverWriteFiles() const { return mOverWriteFiles == 1; }
  void OverWriteFiles(bool value) { mOverWriteFiles = value ? 1 : 0; }
  bool ConvertCRtoCRLF() const { return mConvertCRtoCRLF == 1; }
  void ConvertCRtoCRLF(bool value) { mConvertCRtoCRLF = value ? 1 : 0; }
  bool Verbose() const { return mVerbose == 1; }
  void Verbose(bool value) { mVerbose = value ? 1 : 0; }
  bool CaseSensitive() const { return mCaseSensitive == 1; }
  void CaseSensitive(bool value) { mCaseSensitive = value ? 1 : 0; }

  std::int32_t MessageLevel() const { return mMessageLevel; }
  void MessageLevel(std::int32_t iLevel) { mMessageLevel = iLevel; }
  std::int32_t ExtractList() const { return mExtractList; }
  void ExtractList(std::int32_t zExType) { mExtractList = zExType; }
  std::int32_t Privilege() const { return mPrivilege; }
  void Privilege(std::int32_t zPriv) { mPrivilege = zPriv; }
  const std::string& ZipFileName() const { return mZipFileName; }
  void ZipFileName(const std::string& sZipFileName) { mZipFileName = sZipFileName; }
  const std::string& ExtractDir() const { return mExtractDir; }
  void ExtractDir(const std::string& sExtractDir) { mExtractDir = sExtractDir; }

  // A non-empty argument replaces ZipFileName or ExtractDir. Returns the
  // library's result: 0 when the whole archive was extracted.
  std::int32_t Unzip(std::string_view sZipFileName, std::string_view sExtractDir);
  std::string GetLastMessage() const;

 private:
  forms::Dialogs& dialogs_;
  std::string title_;
  std::int16_t mExtractNewer = 0;
  std::int16_t mSpaceToUnderScore = 0;
  std::int16_t mPromptOverwrite = 0;
  std::int32_t mMessageLevel = 2;
  std::int16_t mWriteToStdOut = 0;
  std::int16_t mTestZip = 0;
  std::int32_t mExtractList = 0;
  std::int16_t mExtractOnlyNewer = 0;
  std::int16_t mDisplayComment = 0;
  std::int16_t mHonorDirectories = 1;
  std::int16_t mOverWriteFiles = 1;
  std::int16_t mConvertCRtoCRLF = 0;
  std::int16_t mVerbose = 0;
  std::int16_t mCaseSensitive = 1;
  std::int32_t mPrivilege = 0;
  std::string mZipFileName;
  std::string mExtractDir;
};

}  // namespace orvo::backup
