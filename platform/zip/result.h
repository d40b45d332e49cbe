// The results of the zip and unzip calls: 0 when the whole job was done, a
// number that says what went wrong otherwise. The printed messages say which
// file and why.
#pragma once

namespace orvo::zip {

enum Result : int {
  kOk = 0,
  kWarning = 1,        // the archive was written or extracted, but some names or entries were left out
  kDamaged = 2,        // an entry's data is damaged (bad CRC, bad compressed data)
  kReadError = 3,      // a file to archive, or the archive, could not be read
  kWriteError = 4,     // the archive or an extracted file could not be written (disk full...)
  kNotFound = 5,       // no archive of that name, or it is not a zip archive
  kNothingToDo = 6,    // no name matched any file
  kBadPassword = 7,    // protected entries were left out: no password, or a wrong one
  kCancelled = 8,      // the caller's service function stopped the run
  kBadOptions = 9,     // the calls were made out of order or with an empty archive name
};

}  // namespace orvo::zip
