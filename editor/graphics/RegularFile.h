// Opening a file that the user named for reading. Only regular files are read:
// a FIFO would block the program until something writes into it, a device may
// never end, and a directory or socket holds no data. The file is opened
// without blocking and checked on the open descriptor, so nothing waits and
// nothing can be swapped in between the check and the read.
#pragma once

#include <string>

namespace kerrow {

struct OpenedFile {
  int Fd = -1;             // open, blocking reads again; -1 when refused
  int Error = 0;           // errno of a failed open, 0 otherwise
  std::string NotRegular;  // "a named pipe (FIFO)", ... when it is no regular file
};

// Opens `path` with `flags` (O_RDONLY or O_RDWR; O_CLOEXEC is added). The
// caller owns a returned descriptor.
OpenedFile OpenRegularFile(const std::string& path, int flags);

// "cannot read <path>: it is a named pipe (FIFO), not a regular file", the
// message for a refused OpenedFile that is not a regular file.
std::string NotRegularMessage(const std::string& path, const OpenedFile& opened);

}  // namespace kerrow
