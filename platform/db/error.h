// Error numbers of the database engine, with the engine's Spanish wording.
// The numbers follow the ones the Windows engine reported, so a message box
// reads as users of the old programs know it.
#pragma once

#include <string>

#include "platform/error.h"

namespace orvo::db {

using Error = orvo::RuntimeError;

namespace errc {
inline constexpr int kOverflow = 6;
inline constexpr int kTableExists = 3010;
inline constexpr int kNoCurrentRecord = 3021;
inline constexpr int kDuplicateValue = 3022;
inline constexpr int kFileNotFound = 3024;
inline constexpr int kReadOnly = 3027;
inline constexpr int kBadPassword = 3031;
inline constexpr int kCannotOpen = 3051;
inline constexpr int kFileInUse = 3045;
inline constexpr int kSyntax = 3075;
inline constexpr int kNoSuchTable = 3078;
inline constexpr int kTrailingText = 3142;
inline constexpr int kFieldTooSmall = 3163;
inline constexpr int kRecordDeleted = 3167;
inline constexpr int kDuplicateField = 3191;
inline constexpr int kRelatedRecord = 3201;
inline constexpr int kDatabaseExists = 3204;
inline constexpr int kLocked = 3218;
inline constexpr int kInvalidOperation = 3219;
inline constexpr int kItemNotFound = 3265;
inline constexpr int kRequired = 3314;
inline constexpr int kZeroLength = 3315;
inline constexpr int kValidationRule = 3317;
inline constexpr int kUnrecognizedFormat = 3343;
inline constexpr int kTypeMismatch = 3464;
inline constexpr int kObjectClosed = 3704;
inline constexpr int kObjectOpen = 3705;
inline constexpr int kEngine = 3000;
}  // namespace errc

[[noreturn]] void Throw(int number, const std::string& description);

}  // namespace orvo::db
