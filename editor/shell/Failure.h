// A failure raised by a command: a number, a description and the name of the
// component that raised it, as the runtime error report shows them.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <utility>

namespace kerrow {

// Failure numbers (listed for users in docs/failures.md).
enum FailureNumber : std::int32_t {
  kErrOverflow = 6,            // a number does not fit its field, or a surface is too large
  kErrOutOfMemory = 7,         // a sprite's grids cannot be allocated
  kErrSubscript = 9,           // index out of range (tile outside the sprite, ...)
  kErrTypeMismatch = 13,       // a text that should be a number is not one
  kErrLoadingLibrary = 48,     // a library exists but cannot be loaded
  kErrFileNotFound = 53,       // a file that must exist does not
  kErrPastEndOfFile = 62,      // a read or write would reach past the end of a file
  kErrBadRecordNumber = 63,    // a read or write at a negative file offset
  kErrRomBusy = 70,            // another program is saving into the same ROM image
  kErrPathAccess = 75,         // a file exists but cannot be opened, read or written
  kErrObjectNotSet = 91,       // no current row / nothing selected / nothing open
  kErrInvalidNull = 94,        // a catalog field is empty (null)
  kErrEntryPoint = 453,        // a library lacks an entry point the editor binds
  kErrNoCurrentRecord = 3021,  // a field is read while the view has no current row
  kErrCatalogNotFound = 3024,  // a catalog database file cannot be found or opened
  kErrCatalogInUse = 3045,     // a catalog database is locked by another program
  kErrNoSuchTable = 3078,      // a catalog database lacks a table
  kErrNoSuchField = 3265,      // a catalog table lacks a field
  kErrDecompression = 7000,    // the compression library reported a failure
};

// What the user is told when memory ran out in the middle of a command.
inline constexpr const char* kOutOfMemoryText =
    "There is not enough memory to finish this command; it was stopped.";

class Failure : public std::runtime_error {
 public:
  Failure(std::int32_t number, std::string description, std::string source)
      : std::runtime_error(description),
        number_(number),
        description_(std::move(description)),
        source_(std::move(source)) {}

  std::int32_t Number() const { return number_; }
  const std::string& Description() const { return description_; }
  const std::string& Source() const { return source_; }

 // The same failure with where it came from appended, as in
  // "Type mismatch (SPRITE "Gem", Width)".
  Failure At(const std::string& place) const {
    return Failure(number_, description_ + " (" + place + ")", source_);
  }

 private:
  std::int32_t number_;
  std::string description_;
  std::string source_;
};

}  // namespace kerrow
