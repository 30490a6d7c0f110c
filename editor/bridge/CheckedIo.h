// Small POSIX file steps whose every failure is reported with the file's name
// and the system's reason (failure 75), never ignored.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace kerrow {

// Closes the descriptor when it goes away; Close reports what close(2) says.
class FileDescriptor {
 public:
  FileDescriptor() = default;
  FileDescriptor(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}
  FileDescriptor(FileDescriptor&& other) noexcept;
  FileDescriptor& operator=(FileDescriptor&& other) noexcept;
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  ~FileDescriptor();

  int Get() const { return fd_; }
  const std::string& Path() const { return path_; }
  explicit operator bool() const { return fd_ >= 0; }
  void Close();  // checked; a second call does nothing

 private:
  int fd_ = -1;
  std::string path_;
};

// Fails with "Path/File access error: cannot <what> <path>: <reason>".
[[noreturn]] void FailFileStep(const std::string& what, const std::string& path, int error);

// Writes all of `bytes` at the descriptor's position, retrying short writes.
void WriteAll(const FileDescriptor& file, std::span<const std::uint8_t> bytes);
// Reads exactly `bytes.size()` bytes at `offset` (failure 62 when the file is shorter).
void ReadAllAt(const FileDescriptor& file, std::int64_t offset, std::span<std::uint8_t> bytes);
// fsync(2), retried on EINTR.
void Sync(const FileDescriptor& file);
// Puts the directory that holds `path` on the disk, so that a file created,
// renamed or removed there stays so after a power cut.
void SyncDirectoryOf(const std::string& path);

}  // namespace kerrow
