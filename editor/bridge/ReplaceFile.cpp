#include "bridge/ReplaceFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "bridge/CheckedIo.h"
#include "shell/Failure.h"

namespace kerrow {

namespace fs = std::filesystem;

namespace {

mode_t NewFileMode() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666 & ~mask;
}

std::string KindOf(mode_t mode) {
  if (S_ISDIR(mode)) return "a folder";
  if (S_ISCHR(mode) || S_ISBLK(mode)) return "a device";
  if (S_ISFIFO(mode)) return "a FIFO (named pipe)";
  if (S_ISSOCK(mode)) return "a socket";
  return "not a regular file";
}

}  // namespace

std::string ReplaceFile(const std::string& path, std::span<const std::uint8_t> bytes) {
  // Through a link the file it points to is replaced, never the link.
  std::error_code error;
  fs::path target = fs::is_symlink(path, error) ? fs::weakly_canonical(path, error) : fs::path(path);
  if (error) target = path;
  struct stat existing {};
  const bool exists = ::stat(target.c_str(), &existing) == 0;
  if (exists && !S_ISREG(existing.st_mode))
    return "Cannot write " + path + ": it is " + KindOf(existing.st_mode) +
           ", not a regular file; it was left alone.";

  fs::path folder = target.parent_path();
  if (folder.empty()) folder = ".";
  std::string name = ".";
  name += target.filename().string();
  name += ".kerrow-XXXXXX";
  std::string temporary = (folder / name).string();
  const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
  if (fd < 0) return "Cannot write " + path + ": " + std::strerror(errno);
  FileDescriptor file(fd, path);
  try {
    if (::fchmod(fd, exists ? (existing.st_mode & 07777) : NewFileMode()) != 0)
      FailFileStep("write", path, errno);
    if (exists) {
      // Root may keep the owner too; anyone else keeps their own.
      [[maybe_unused]] int ignored = ::fchown(fd, existing.st_uid, existing.st_gid);
    }
    WriteAll(file, bytes);
    Sync(file);
    file.Close();
    if (::rename(temporary.c_str(), target.c_str()) != 0) FailFileStep("write", path, errno);
  } catch (const Failure& failure) {
    ::unlink(temporary.c_str());
    const std::string& text = failure.Description();
    const std::size_t reason = text.rfind(": ");
    return "Cannot write " + path + ": " +
           (reason == std::string::npos ? text : text.substr(reason + 2));
  }
  try {
    SyncDirectoryOf(target.string());
  } catch (const Failure&) {
    // The file is whole and in place; only its name may not yet be on the disk.
  }
  return "";
}

}  // namespace kerrow
