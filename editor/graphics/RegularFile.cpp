#include "graphics/RegularFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace kerrow {

namespace {

const char* KindOf(mode_t mode) {
  if (S_ISDIR(mode)) return "a directory";
  if (S_ISFIFO(mode)) return "a named pipe (FIFO)";
  if (S_ISCHR(mode) || S_ISBLK(mode)) return "a device";
  if (S_ISSOCK(mode)) return "a socket";
  return "not a regular file";
}

}  // namespace

OpenedFile OpenRegularFile(const std::string& path, int flags) {
  OpenedFile opened;
  // O_NONBLOCK: opening a FIFO with no writer returns at once instead of waiting.
  int fd = ::open(path.c_str(), flags | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    opened.Error = errno;
    // A directory opened for writing fails before it can be checked.
    if (opened.Error == EISDIR) opened.NotRegular = KindOf(S_IFDIR);
    return opened;
  }
  struct stat info {};
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    opened.NotRegular = KindOf(info.st_mode);
    ::close(fd);
    return opened;
  }
  // Regular files never block; reads go on as usual.
  const int status = ::fcntl(fd, F_GETFL);
  if (status != -1) ::fcntl(fd, F_SETFL, status & ~O_NONBLOCK);
  opened.Fd = fd;
  return opened;
}

std::string NotRegularMessage(const std::string& path, const OpenedFile& opened) {
  const std::string kind = opened.NotRegular == "not a regular file"
                               ? opened.NotRegular
                               : opened.NotRegular + ", not a regular file";
  return "cannot read " + path + ": it is " + kind;
}

}  // namespace kerrow
