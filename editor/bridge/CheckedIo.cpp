#include "bridge/CheckedIo.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <utility>

#include "graphics/BinaryFile.h"
#include "shell/Failure.h"

namespace kerrow {

FileDescriptor::FileDescriptor(FileDescriptor&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), path_(std::move(other.path_)) {}

FileDescriptor& FileDescriptor::operator=(FileDescriptor&& other) noexcept {
  if (this != &other) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = std::exchange(other.fd_, -1);
    path_ = std::move(other.path_);
  }
  return *this;
}

FileDescriptor::~FileDescriptor() {
  if (fd_ >= 0) ::close(fd_);
}

void FileDescriptor::Close() {
  if (fd_ < 0) return;
  // close(2) is not retried on EINTR: the descriptor is gone either way.
  if (::close(std::exchange(fd_, -1)) != 0) FailFileStep("close", path_, errno);
}

void FailFileStep(const std::string& what, const std::string& path, int error) {
  std::string text = "Path/File access error: cannot ";
  text += what;
  text += ' ';
  text += path;
  text += ": ";
  text += std::strerror(error);
  throw Failure(kErrPathAccess, text, kFileSource);
}

void WriteAll(const FileDescriptor& file, std::span<const std::uint8_t> bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t put = ::write(file.Get(), bytes.data() + done, bytes.size() - done);
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) FailFileStep("write", file.Path(), put == 0 ? ENOSPC : errno);
    done += static_cast<std::size_t>(put);
  }
}

void ReadAllAt(const FileDescriptor& file, std::int64_t offset, std::span<std::uint8_t> bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t got = ::pread(file.Get(), bytes.data() + done, bytes.size() - done,
                                static_cast<off_t>(offset + static_cast<std::int64_t>(done)));
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) FailFileStep("read", file.Path(), errno);
    if (got == 0)
      throw Failure(kErrPastEndOfFile, "Input past end of file: " + file.Path(), kFileSource);
    done += static_cast<std::size_t>(got);
  }
}

void Sync(const FileDescriptor& file) {
  int result = 0;
  do {
    result = ::fsync(file.Get());
  } while (result != 0 && errno == EINTR);
  if (result != 0) FailFileStep("put on the disk", file.Path(), errno);
}

void SyncDirectoryOf(const std::string& path) {
  std::filesystem::path folder = std::filesystem::path(path).parent_path();
  if (folder.empty()) folder = std::filesystem::current_path();
  const std::string directory = folder.string();
  FileDescriptor dir(::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC), directory);
  if (!dir) FailFileStep("open the folder", directory, errno);
  int result = 0;
  do {
    result = ::fsync(dir.Get());
  } while (result != 0 && errno == EINTR);
  // Some file systems cannot sync a folder; that is no reason to fail a save.
  if (result != 0 && errno != EINVAL && errno != ENOTSUP)
    FailFileStep("put on the disk the folder", directory, errno);
}

}  // namespace kerrow
