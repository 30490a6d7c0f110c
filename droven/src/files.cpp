#include "files.h"

#include <cerrno>
#include <cstdio>
#include <memory>
#include <random>
#include <string>
#include <system_error>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace droven {
namespace {

namespace fs = std::filesystem;

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

File OpenForReading(const fs::path& path) {
#ifdef _WIN32
  return File(_wfopen(path.c_str(), L"rb"));
#else
  return File(std::fopen(path.c_str(), "rb"));
#endif
}

bool Seek(std::FILE* file, std::uint64_t offset) {
#ifdef _WIN32
  return _fseeki64(file, static_cast<long long>(offset), SEEK_SET) == 0;
#else
  return fseeko(file, static_cast<off_t>(offset), SEEK_SET) == 0;
#endif
}

// A name in the destination's directory that nobody uses yet.
fs::path TemporaryBeside(const fs::path& target) {
  static thread_local std::mt19937_64 random{std::random_device{}()};
  char suffix[24];
  std::snprintf(suffix, sizeof suffix, ".droven-%012llx",
                static_cast<unsigned long long>(random() & 0xFFFFFFFFFFFFull));
  return target.parent_path() / suffix;
}

// Writes all of `data` to a new file; false if it exists already or any write fails.
bool WriteNew(const fs::path& path, std::span<const std::uint8_t> data, const fs::path& modeOf,
              bool& exists) {
  exists = false;
#ifdef _WIN32
  (void)modeOf;
  HANDLE handle = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    exists = GetLastError() == ERROR_FILE_EXISTS;
    return false;
  }
  bool ok = true;
  std::size_t done = 0;
  while (ok && done < data.size()) {
    DWORD written = 0;
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(data.size() - done, 1u << 30));
    ok = WriteFile(handle, data.data() + done, chunk, &written, nullptr) && written > 0;
    done += written;
  }
  // On the disk before it is renamed over the destination.
  ok = ok && FlushFileBuffers(handle);
  return CloseHandle(handle) && ok;
#else
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) {
    exists = errno == EEXIST;
    return false;
  }
  // A replaced file keeps its permissions.
  struct stat old {};
  if (::stat(modeOf.c_str(), &old) == 0) ::fchmod(fd, old.st_mode & 07777);
  bool ok = true;
  std::size_t done = 0;
  while (ok && done < data.size()) {
    const ssize_t written = ::write(fd, data.data() + done, data.size() - done);
    if (written < 0 && errno == EINTR) continue;
    ok = written > 0;
    if (ok) done += static_cast<std::size_t>(written);
  }
  // On the disk before it is renamed over the destination: otherwise a power
  // cut after the rename can leave the destination empty or half written.
  ok = ok && ::fsync(fd) == 0;
  return ::close(fd) == 0 && ok;
#endif
}

// Renames and makes the rename itself durable: Windows writes it through;
// elsewhere the directory that holds the new name is flushed afterwards (where
// the file system cannot flush a directory the rename stands as it is).
bool MoveOver(const fs::path& from, const fs::path& to) {
#ifdef _WIN32
  return MoveFileExW(from.c_str(), to.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
#else
  if (std::rename(from.c_str(), to.c_str()) != 0) return false;
  const fs::path directory = to.has_parent_path() ? to.parent_path() : fs::path(".");
  const int fd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd >= 0) {
    ::fsync(fd);
    ::close(fd);
  }
  return true;
#endif
}

}  // namespace

Result FileLength(const fs::path& path, std::uint64_t& length) {
  std::error_code error;
  if (!fs::is_regular_file(path, error)) return kSourceUnreadable;
  length = fs::file_size(path, error);
  return error ? kSourceUnreadable : kOk;
}

Result ReadFrom(const fs::path& path, std::uint64_t offset, std::vector<std::uint8_t>& data) {
  std::uint64_t length = 0;
  if (Result r = FileLength(path, length); r != kOk) return r;
  if (offset > length) return kOffsetOutside;
  const File file = OpenForReading(path);
  if (!file || !Seek(file.get(), offset)) return kSourceUnreadable;
  data.resize(static_cast<std::size_t>(length - offset));
  if (std::fread(data.data(), 1, data.size(), file.get()) != data.size()) return kSourceUnreadable;
  return kOk;
}

Result WriteReplacing(const fs::path& path, std::span<const std::uint8_t> data) {
  std::error_code error;
  // A link is followed, so the file it names is the one replaced.
  fs::path target = path;
  if (fs::is_symlink(path, error)) {
    const fs::path resolved = fs::weakly_canonical(path, error);
    if (!error) target = resolved;
  }
  if (fs::is_directory(target, error)) return kDestinationFailed;
  for (int attempt = 0; attempt < 16; ++attempt) {
    const fs::path temporary = TemporaryBeside(target);
    bool exists = false;
    if (WriteNew(temporary, data, target, exists)) {
      if (MoveOver(temporary, target)) return kOk;
      fs::remove(temporary, error);
      return kDestinationFailed;
    }
    if (!exists) {
      fs::remove(temporary, error);
      return kDestinationFailed;
    }
  }
  return kDestinationFailed;
}

}  // namespace droven
