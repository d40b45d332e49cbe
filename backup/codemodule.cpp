#include "backup/codemodule.h"

#include <QCoreApplication>
#include <QString>
#include <algorithm>
#include <cstring>
#include <span>

#include "platform/error/current_error.h"
#include "platform/forms/form.h"

namespace orvo::backup::CodeModule {

namespace {

constexpr std::size_t kZipPrintLimit = 4097;     // bytes 0 to 4,096
constexpr std::size_t kUnzipPrintLimit = 32801;  // bytes 0 to 32,800
constexpr std::size_t kPasswordLimit = 256;
constexpr std::size_t kReplaceNameLimit = 256;

struct State {
  std::string lastMessage;
  std::string accumulator;
  std::int16_t passwordRefused = 0;
  forms::Dialogs* dialogs = nullptr;
  std::string title;
  std::array<char, 4097> comment{};
};

State& Module() {
  static State state;
  return state;
}

// The bytes of a library buffer up to its first NUL, at most `limit` of them.
std::string Text(const char* buffer, std::size_t count, std::size_t limit) {
  const std::size_t n = std::min(count, limit);
  const void* nul = std::memchr(buffer, '\0', n);
  return std::string(buffer, nul ? static_cast<const char*>(nul) - buffer : n);
}

// VB's UCase: each letter to its capital, one for one ("ß" stays, as it has
// no capital of its own in the system's code page).
std::string UpperCase(const std::string& text) {
  QList<uint> letters = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())).toUcs4();
  for (uint& c : letters) c = QChar::toUpper(c);
  return QString::fromUcs4(reinterpret_cast<const char32_t*>(letters.data()), letters.size()).toStdString();
}

forms::Dialogs& Dialogs() {
  if (!Module().dialogs) throw RuntimeError(91, "Variable de objeto o bloque With no establecido");
  return *Module().dialogs;
}

}  // namespace

const std::string& LastMessage() { return Module().lastMessage; }

std::int16_t PasswordRefused() { return Module().passwordRefused; }

PromptScope::PromptScope(forms::Dialogs& dialogs, std::string title)
    : previousDialogs_(Module().dialogs), previousTitle_(std::move(Module().title)) {
  Module().dialogs = &dialogs;
  Module().title = std::move(title);
}

PromptScope::~PromptScope() {
  Module().dialogs = previousDialogs_;
  Module().title = std::move(previousTitle_);
}

// ---- zip half ----

std::int32_t VBZipArchive(std::int32_t count, const std::string& zipFileName, const ZipNames& names,
                          std::int16_t recurse, std::int16_t update, const std::string& rootDir) {
  std::int32_t result = 0;
  zip::ZipUserFunctions functions;
  zip::ZpOptions options;
  try {
    Module().lastMessage.clear();
    functions.print = ZipPrintCallback;
    functions.password = ZipPasswordCallback;
    functions.comment = ZipCommentCallback;
    options.recurse = recurse == 1;
    options.update = update == 1;
    options.rootDir = UpperCase(rootDir);
  } catch (...) {
  }
  try {
    result = zip::ZpInit(functions);
  } catch (...) {
  }
  try {
    result = zip::ZpSetOptions(options);
  } catch (...) {
  }
  try {
    result = zip::ZpArchive(count, zipFileName, std::span<const std::string>(names.data(), names.size()));
  } catch (...) {
  }
  return result;
}

int ZipPrintCallback(const char* buffer, unsigned long length) {
  Module().lastMessage += Text(buffer, static_cast<std::size_t>(length) + 1, kZipPrintLimit);
  if (QCoreApplication::instance()) forms::DoEvents();
  return 0;
}

int ZipPasswordCallback(char*, int, const char*, const char*) { return 1; }

char* ZipCommentCallback(char*) {
  Module().comment[0] = '\0';
  return Module().comment.data();
}

// ---- unzip half ----

std::int32_t VBUnzip(const std::string& zipFileName, const std::string& extractDir, const UnzipFlags& flags,
                     forms::Dialogs& dialogs, const std::string& title) {
  try {
    State& m = Module();
    m.lastMessage.clear();
    m.accumulator.clear();
    m.passwordRefused = 0;

    zip::UnzipOptions o;
    o.extractOnlyNewer = flags.ExtractOnlyNewer;
    o.spaceToUnderscore = flags.SpaceToUnderScore;
    o.promptToOverwrite = flags.PromptOverwrite;
    o.quietLevel = flags.MessageLevel;
    o.writeToStdOut = flags.WriteToStdOut;
    o.test = flags.TestZip;
    o.list = flags.ExtractList;
    o.freshen = flags.ExtractNewer;
    o.displayComment = flags.DisplayComment;
    o.honorDirectories = flags.HonorDirectories;
    o.overwriteFiles = flags.OverWriteFiles;
    o.convertCrLf = flags.ConvertCRtoCRLF;
    o.verbose = flags.Verbose;
    o.caseSensitive = flags.CaseSensitive;
    o.privilege = flags.Privilege;
    o.zipFileName = zipFileName;
    o.extractDir = extractDir;

    zip::UnzipUserFunctions functions;
    functions.print = UnzipPrintCallback;
    functions.replace = UnzipReplaceCallback;
    functions.password = UnzipPasswordCallback;
    functions.message = UnzipMessageCallback;
    functions.service = UnzipServiceCallback;

    // The version record goes with blank texts; its answer is not used.
    zip::UzpVersion version;
    version.betaLevel = std::string(9, ' ');
    version.date = std::string(19, ' ');
    version.zlibVersion = std::string(9, ' ');
    zip::UzpVersion2(version);

    PromptScope prompts(dialogs, title);
    return zip::Wiz_SingleEntryUnzip(o, functions);
  } catch (...) {
    err::RaiseAgain("CodeModule::VBUnzip");
  }
}

int UnzipPrintCallback(const char* buffer, unsigned long length) {
  std::string text = Text(buffer, static_cast<std::size_t>(length), kUnzipPrintLimit);
  if (!text.empty() && text.front() == '\n') text = "\r\n";
  Module().accumulator += text;
  Module().lastMessage = Module().accumulator;
  return 0;
}

int UnzipPasswordCallback(char* buffer, int size, const char*, const char*) {
  State& m = Module();
  if (m.passwordRefused == 1) return 1;
  const std::string answer = Dialogs().InputBox("Please Enter The Password!", m.title, "").value_or("");
  if (answer.empty()) {
    m.passwordRefused = 1;
    return 1;
  }
  const std::size_t room = size > 0 ? static_cast<std::size_t>(size) : 0;
  std::memset(buffer, 0, std::min(room, kPasswordLimit + 1));
  std::size_t n = std::min({answer.size(), room > 0 ? room - 1 : 0, kPasswordLimit});
  // A cut never splits a letter's bytes.
  while (n > 0 && n < answer.size() && (static_cast<unsigned char>(answer[n]) & 0xC0) == 0x80) --n;
  std::memcpy(buffer, answer.data(), n);
  return 0;
}

int UnzipReplaceCallback(char* name) {
  const std::string file = Text(name, kReplaceNameLimit, kReplaceNameLimit);
  switch (Dialogs().MsgBox("Overwrite " + file + "?", forms::Buttons::YesNoCancel, forms::Icon::Exclamation,
                           "VBUnZip32 - File Already Exists!")) {
    case forms::Answer::Yes: return zip::kReplaceYes;
    case forms::Answer::Cancel: return zip::kReplaceNone;
    default: return zip::kReplaceNo;
  }
}

void UnzipMessageCallback(const zip::EntryDetails&) {}

int UnzipServiceCallback(const char*, unsigned long) { return 0; }

}  // namespace orvo::backup::CodeModule
