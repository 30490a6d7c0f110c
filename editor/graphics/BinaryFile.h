// A ROM image or data file opened for one command: byte-exact reads and writes
// at given offsets that never grow the file. Closed when the object goes away.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace kerrow {

class BinaryFile {
 public:
  // Failures: 53 when the file does not exist, 75 when it cannot be opened.
  static BinaryFile OpenForReading(const std::string& path);
  static BinaryFile OpenForUpdate(const std::string& path);  // read and write in place

  BinaryFile(BinaryFile&& other) noexcept;
  BinaryFile& operator=(BinaryFile&& other) noexcept;
  BinaryFile(const BinaryFile&) = delete;
  BinaryFile& operator=(const BinaryFile&) = delete;
  ~BinaryFile();

  const std::string& Path() const { return path_; }
  std::int64_t Size() const;
  // Whether `length` bytes starting at `offset` lie inside the file.
  bool Holds(std::int64_t offset, std::int64_t length) const;

  // Failure 62 when the bytes reach past the end of the file, 75 on an I/O error.
  void ReadAt(std::int64_t offset, std::span<std::uint8_t> bytes) const;
  std::vector<std::uint8_t> ReadAll() const;
  // Writes in place only: bytes past the end are refused with failure 62 and
  // nothing is written.
  void WriteAt(std::int64_t offset, std::span<const std::uint8_t> bytes);
  // Puts everything written so far on the disk (fsync) before the caller
  // reports a save as done, so a power cut cannot take back a saved change.
  // Failure 75 when the system cannot.
  void Flush();

  // The open descriptor, for locking the file while it is written.
  int NativeHandle() const { return fd_; }

 private:
  BinaryFile(std::string path, int fd) : path_(std::move(path)), fd_(fd) {}
  std::string path_;
  int fd_ = -1;
};

// Refuses a write of `length` bytes at `offset` into a file of `size` bytes
// that is not wholly in place: failure 63 for a negative offset, 62 for bytes
// past the end (files are never grown).
void RequireInPlace(const std::string& path, std::int64_t size, std::int64_t offset,
                    std::int64_t length);

// Called with the file's path after each completed Flush; lets tests see that
// a save reached the disk before it reported success. Empty by default.
void SetFlushObserver(std::function<void(const std::string& path)> observer);

// The source of failures raised while reading and writing files.
inline constexpr const char* kFileSource = "File access";

}  // namespace kerrow
