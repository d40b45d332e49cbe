// Every error number that the platform raises, named once, with the Spanish
// text the run time showed for it. A number whose message names a file, a
// table or a server is built by its layer's function from the number and the
// text here; a number with one fixed message takes it from Text.
//
//   throw RuntimeError(err::kOutOfMemory, std::string(err::Text(err::kOutOfMemory)));
//   err::Text(err::engine::kNoCurrentRecord)   // "No hay registro activo."
//   err::Text(12345)                           // "" (no fixed text)
#pragma once

#include <string_view>

namespace orvo::err {

// The run time's own numbers.
inline constexpr int kInvalidCall = 5;          // invalid procedure call or argument
inline constexpr int kOverflow = 6;
inline constexpr int kOutOfMemory = 7;
inline constexpr int kBadFileName = 52;         // bad file name or number
inline constexpr int kFileNotFound = 53;
inline constexpr int kFileExists = 58;
inline constexpr int kDiskFull = 61;
inline constexpr int kPermissionDenied = 70;
inline constexpr int kAccessError = 75;         // path/file access error
inline constexpr int kPathNotFound = 76;

// The database engine's numbers (platform/db).
namespace engine {
inline constexpr int kOverflow = err::kOverflow;  // a value out of its column's range
inline constexpr int kEngine = 3000;              // any other failure of the engine
inline constexpr int kTableExists = 3010;
inline constexpr int kNoCurrentRecord = 3021;
inline constexpr int kDuplicateValue = 3022;
inline constexpr int kFileNotFound = 3024;
inline constexpr int kDiskFull = 3026;
inline constexpr int kReadOnly = 3027;
inline constexpr int kBadPassword = 3031;
inline constexpr int kBadPath = 3044;
inline constexpr int kFileInUse = 3045;
inline constexpr int kCannotOpen = 3051;
inline constexpr int kSyntax = 3075;
inline constexpr int kNoSuchTable = 3078;
inline constexpr int kTrailingText = 3142;
inline constexpr int kFieldTooSmall = 3163;
inline constexpr int kFieldNotUpdatable = 3164;  // a field that reads no column of the table
inline constexpr int kRecordDeleted = 3167;
inline constexpr int kDuplicateField = 3191;
inline constexpr int kRelatedRecord = 3201;
inline constexpr int kDatabaseExists = 3204;
inline constexpr int kLocked = 3218;
inline constexpr int kInvalidOperation = 3219;
inline constexpr int kNoFields = 3264;
inline constexpr int kItemNotFound = 3265;
inline constexpr int kRequired = 3314;
inline constexpr int kZeroLength = 3315;
inline constexpr int kValidationRule = 3317;
inline constexpr int kUnrecognizedFormat = 3343;
inline constexpr int kTypeMismatch = 3464;
inline constexpr int kObjectClosed = 3704;
inline constexpr int kObjectOpen = 3705;
}  // namespace engine

// The FTP transfer control's numbers (platform/inet).
namespace transfer {
inline constexpr int kErrorBadUrl = 35750;          // the server's address cannot be read
inline constexpr int kErrorHostNotFound = 35752;    // the host name is not found
inline constexpr int kErrorCannotConnect = 35754;   // the server cannot be reached
inline constexpr int kErrorServerRefused = 35755;   // the server refused an operation (its reply is the text)
inline constexpr int kErrorTimeout = 35761;         // no answer within the request time-out
inline constexpr int kErrorStillExecuting = 35764;  // an operation still runs
inline constexpr int kErrorLocalFile = 35765;       // the local file cannot be written
inline constexpr int kErrorTransfer = 35766;        // any other failure of the transfer
}  // namespace transfer

// The fixed Spanish text of `number`; empty for a number whose every message
// names what failed.
std::string_view Text(int number);

}  // namespace orvo::err
