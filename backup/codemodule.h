// CodeModule: the module that drives the zip and unzip library calls for
// CGZipFiles and CGUnzipFiles, with the callbacks the libraries call and the
// last-message text that both classes' GetLastMessage return.
//
//   CodeModule::ZipNames names{"querty", "C:\\Quiravel\\*"};
//   std::int32_t r = CodeModule::VBZipArchive(2, "QR1_x.ZIP", names, 0, 0, "\\");
//   if (r != 0) show(CodeModule::LastMessage());
//
// The unzip callbacks ask the user through the Dialogs of the running
// extraction (PromptScope); VBUnzip opens one for its run.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "platform/forms/dialogs.h"
#include "platform/zip/unzip.h"
#include "platform/zip/zip_archive.h"

namespace orvo::backup::CodeModule {

// The names record: slot 0 holds the dummy name, empty slots are unused.
using ZipNames = std::array<std::string, zip::kZpNameSlots>;

// The fifteen options of an extraction, in the order of CGUnzipFiles' properties.
struct UnzipFlags {
  std::int16_t ExtractNewer = 0;
  std::int16_t SpaceToUnderScore = 0;
  std::int16_t PromptOverwrite = 0;
  std::int16_t MessageLevel = 0;
  std::int16_t WriteToStdOut = 0;
  std::int16_t TestZip = 0;
  std::int16_t ExtractList = 0;
  std::int16_t ExtractOnlyNewer = 0;
  std::int16_t DisplayComment = 0;
  std::int16_t HonorDirectories = 0;
  std::int16_t OverWriteFiles = 0;
  std::int16_t ConvertCRtoCRLF = 0;
  std::int16_t Verbose = 0;
  std::int16_t CaseSensitive = 0;
  std::int16_t Privilege = 0;
};

// Everything the libraries printed in the last zip or unzip run.
const std::string& LastMessage();

// Zip half. Every step runs with errors ignored: the result is that of the
// last library call that completed, or 0 when none did.
std::int32_t VBZipArchive(std::int32_t count, const std::string& zipFileName, const ZipNames& names,
                          std::int16_t recurse, std::int16_t update, const std::string& rootDir);
int ZipPrintCallback(const char* buffer, unsigned long length);
int ZipPasswordCallback(char* buffer, int size, const char* prompt, const char* name);
char* ZipCommentCallback(char* buffer);

// Unzip half. Errors are raised again with the source "CodeModule::VBUnzip".
std::int32_t VBUnzip(const std::string& zipFileName, const std::string& extractDir, const UnzipFlags& flags,
                     forms::Dialogs& dialogs, const std::string& title);
int UnzipPrintCallback(const char* buffer, unsigned long length);
int UnzipPasswordCallback(char* buffer, int size, const char* prompt, const char* name);
int UnzipReplaceCallback(char* name);
void UnzipMessageCallback(const zip::EntryDetails& entry);
int UnzipServiceCallback(const char* name, unsigned long length);

// The password refusal flag of the running extraction: 1 once the user gave
// an empty answer.
std::int16_t PasswordRefused();

// The boxes the unzip callbacks show, and the program title they carry, for
// as long as the scope lives.
class PromptScope {
 public:
  PromptScope(forms::Dialogs& dialogs, std::string title);
  ~PromptScope();
  PromptScope(const PromptScope&) = delete;
  PromptScope& operator=(const PromptScope&) = delete;

 private:
  forms::Dialogs* previousDialogs_;
  std::string previousTitle_;
};

}  // namespace orvo::backup::CodeModule
