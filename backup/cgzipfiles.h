// CGZipFiles: a list of file names and patterns written as one zip archive,
// as the backup program uses it.
//
//   CGZipFiles zip;
//   zip.ZipFileName("QR1_030226_090507.ZIP");
//   zip.AddFile("C:\\Quiravel\\*");
//   if (zip.MakeZipFile() != 0) show(zip.GetLastMessage());
//
// The list starts with the dummy entry "querty", which no count includes but
// which reaches the library as the first name; keys ignore letter case, so
// AddFile("QUERTY") is a duplicate. At most 99 names can be archived: one
// more makes MakeZipFile raise error 9. Boolean properties keep 1 or 0.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace orvo::backup {

class CGZipFiles {
 public:
  CGZipFiles();

  bool RecurseFolders() const { return mRecurseFolders == 1; }
  void RecurseFolders(bool bRecurse) { mRecurseFolders = bRecurse ? 1 : 0; }
  const std::string& ZipFileName() const { return mZipFileName; }
  void ZipFileName(const std::string& sZipFileName) { mZipFileName = sZipFileName; }
  bool Encrypted() const { return mEncrypted == 1; }
  void Encrypted(bool bEncrypt) { mEncrypted = bEncrypt ? 1 : 0; }
  bool IncludeSystemFiles() const { return mIncludeSystemFiles == 1; }
  void IncludeSystemFiles(bool bInclude) { mIncludeSystemFiles = bInclude ? 1 : 0; }
  std::int32_t ZipFileCount() const { return static_cast<std::int32_t>(mFiles.size()) - 1; }
  const std::string& RootDirectory() const { return mRootDirectory; }
  void RootDirectory(const std::string& sRootDir) { mRootDirectory = sRootDir; }
  bool UpdatingZip() const { return mUpdatingZip == 1; }
  void UpdatingZip(bool bUpdating) { mUpdatingZip = bUpdating ? 1 : 0; }

  // Error -2147219503, "File is already in Zip List", for a name already listed.
  void AddFile(const std::string& sFileName);
  // Error -2147219502, "File is not in Zip List", for a name not listed.
  void RemoveFile(const std::string& sFileName);
  // The library's result: 0 when the archive was written.
  std::int32_t MakeZipFile();
  std::string GetLastMessage() const;

 private:
  std::vector<std::string> mFiles;
  std::int16_t mRecurseFolders = 0;
  std::string mZipFileName;
  std::int16_t mEncrypted = 0;
  std::int16_t mIncludeSystemFiles = 0;
  std::string mRootDirectory = "\\";
  std::int16_t mUpdatingZip = 0;
};

}  // namespace orvo::backup
