#include "graphics/BinaryFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

#include "graphics/RegularFile.h"
#include "shell/Failure.h"

namespace kerrow {

namespace {

[[noreturn]] void FailOpen(const std::string& path, bool forWriting, const OpenedFile& opened) {
  if (!opened.NotRegular.empty())
    throw Failure(kErrPathAccess, "Path/File access error: " + NotRegularMessage(path, opened),
                  kFileSource);
  const int error = opened.Error;
  if (error == ENOENT) throw Failure(kErrFileNotFound, "File not found: " + path, kFileSource);
  throw Failure(kErrPathAccess,
                "Path/File access error: cannot open " + path +
                    (forWriting ? " for writing: " : " for reading: ") + std::strerror(error),
                kFileSource);
}

std::function<void(const std::string&)>& FlushObserver() {
  static std::function<void(const std::string&)> observer;
  return observer;
}

// A negative offset is its own fault, not one of a short file.
void RequireNonNegative(std::int64_t offset, const std::string& path) {
  if (offset < 0)
    throw Failure(kErrBadRecordNumber,
                  "Bad record number: offset " + std::to_string(offset) + " of " + path +
                      " is negative",
                  kFileSource);
}

}  // namespace

void SetFlushObserver(std::function<void(const std::string& path)> observer) {
  FlushObserver() = std::move(observer);
}

BinaryFile BinaryFile::OpenForReading(const std::string& path) {
  const OpenedFile opened = OpenRegularFile(path, O_RDONLY);
  if (opened.Fd < 0) FailOpen(path, false, opened);
  return BinaryFile(path, opened.Fd);
}

BinaryFile BinaryFile::OpenForUpdate(const std::string& path) {
  // Never O_CREAT: a ROM that vanished is an error, not a new empty file.
  const OpenedFile opened = OpenRegularFile(path, O_RDWR);
  if (opened.Fd < 0) FailOpen(path, true, opened);
  return BinaryFile(path, opened.Fd);
}

BinaryFile::BinaryFile(BinaryFile&& other) noexcept
    : path_(std::move(other.path_)), fd_(std::exchange(other.fd_, -1)) {}

BinaryFile& BinaryFile::operator=(BinaryFile&& other) noexcept {
  if (this != &other) {
    if (fd_ >= 0) ::close(fd_);
    path_ = std::move(other.path_);
    fd_ = std::exchange(other.fd_, -1);
  }
  return *this;
}

BinaryFile::~BinaryFile() {
  if (fd_ >= 0) ::close(fd_);
}

std::int64_t BinaryFile::Size() const {
  struct stat info {};
  if (::fstat(fd_, &info) != 0)
    throw Failure(kErrPathAccess, "Path/File access error: cannot read the length of " + path_,
                  kFileSource);
  return info.st_size;
}

bool BinaryFile::Holds(std::int64_t offset, std::int64_t length) const {
  return offset >= 0 && length >= 0 && offset <= Size() - length;
}

void BinaryFile::ReadAt(std::int64_t offset, std::span<std::uint8_t> bytes) const {
  RequireNonNegative(offset, path_);
  auto length = static_cast<std::int64_t>(bytes.size());
  if (!Holds(offset, length))
    throw Failure(kErrPastEndOfFile,
                  "Input past end of file: " + std::to_string(length) + " bytes at offset " +
                      std::to_string(offset) + " of " + path_ + " (" + std::to_string(Size()) +
                      " bytes long)",
                  kFileSource);
  std::size_t done = 0;
  while (done < bytes.size()) {
    ssize_t got = ::pread(fd_, bytes.data() + done, bytes.size() - done,
                          static_cast<off_t>(offset + static_cast<std::int64_t>(done)));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0)
      throw Failure(kErrPathAccess, "Path/File access error: cannot read " + path_, kFileSource);
    done += static_cast<std::size_t>(got);
  }
}

std::vector<std::uint8_t> BinaryFile::ReadAll() const {
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(Size()));
  ReadAt(0, bytes);
  return bytes;
}

void RequireInPlace(const std::string& path, std::int64_t size, std::int64_t offset,
                    std::int64_t length) {
  RequireNonNegative(offset, path);
  if (length < 0 || offset > size - length)
    throw Failure(kErrPastEndOfFile,
                  "Refused to write " + std::to_string(length) + " bytes at offset " +
                      std::to_string(offset) + " of " + path + ": the file is only " +
                      std::to_string(size) + " bytes long and is never grown",
                  kFileSource);
}

void BinaryFile::WriteAt(std::int64_t offset, std::span<const std::uint8_t> bytes) {
  RequireInPlace(path_, Size(), offset, static_cast<std::int64_t>(bytes.size()));
  std::size_t done = 0;
  while (done < bytes.size()) {
    ssize_t put = ::pwrite(fd_, bytes.data() + done, bytes.size() - done,
                           static_cast<off_t>(offset + static_cast<std::int64_t>(done)));
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0)
      throw Failure(kErrPathAccess,
                    "Path/File access error: cannot write " + path_ + ": " + std::strerror(errno),
                    kFileSource);
    done += static_cast<std::size_t>(put);
  }
}

void BinaryFile::Flush() {
  int result = 0;
  do {
    result = ::fsync(fd_);
  } while (result != 0 && errno == EINTR);
  if (result != 0)
    throw Failure(kErrPathAccess,
                  "Path/File access error: cannot put " + path_ + " on the disk: " +
                      std::strerror(errno),
                  kFileSource);
  if (FlushObserver()) FlushObserver()(path_);
}

}  // namespace kerrow
