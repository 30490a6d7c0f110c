// Replacing a destination is durable: the new data is on the disk before it is
// renamed over the destination, and the directory after the rename. Watched
// from outside through the system calls of the droven tool (needs strace).
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <regex>
#include <string>

#include "DrovenTestSupport.h"

namespace droven {
namespace {

using test::FromHex;
using test::FromText;
using test::ReadFile;
using test::Scratch;
using test::WriteFile;

TEST(DrovenFiles, ReplacementIsFlushedBeforeTheRenameAndItsDirectoryAfter) {
  if (std::system("strace -V >/dev/null 2>&1") != 0) GTEST_SKIP() << "strace is not installed";
  Scratch dir;
  WriteFile(dir.File("in.bin"), FromText("abc"));
  WriteFile(dir.File("out.bin"), FromText("old contents"));
  const std::string log = dir.File("calls.log").string();
  const std::string command = "strace -f -qq -e trace=openat,open,fsync,fdatasync,rename,renameat,"
                              "renameat2,close -o '" + log + "' '" + DROVEN_TOOL_PATH + "' c '" +
                              dir.File("in.bin").string() + "' '" + dir.File("out.bin").string() +
                              "' 2>'" + dir.File("strace.err").string() + "'";
  const int raw = std::system(command.c_str());
  if (!WIFEXITED(raw) || WEXITSTATUS(raw) != 0 || !std::filesystem::exists(log)) {
    const auto why = ReadFile(dir.File("strace.err"));
    GTEST_SKIP() << "strace cannot trace here: " << std::string(why.begin(), why.end());
  }
  EXPECT_EQ(ReadFile(dir.File("out.bin")), FromHex("17 00 61 62 63 00 F0 00"));

  // One call per line, "PID name(arguments) = result", in the order made.
  const std::regex call(R"(^\d+\s+(\w+)\((.*)\)\s+=\s+(-?\d+))");
  const std::regex quoted(R"re("([^"]*)")re");
  const std::string directory = dir.Path().string();
  std::string temporary;
  int temporaryFd = -1, directoryFd = -1;
  bool temporarySynced = false, renamed = false, syncedBeforeRename = false, directorySynced = false;
  std::ifstream lines(log);
  for (std::string line; std::getline(lines, line);) {
    std::smatch m;
    if (!std::regex_search(line, m, call)) continue;
    const std::string name = m[1], arguments = m[2];
    const int result = std::stoi(m[3]);
    std::smatch path;
    const bool hasPath = std::regex_search(arguments, path, quoted);
    if ((name == "openat" || name == "open") && hasPath && result >= 0) {
      if (path[1].str().find("/.droven-") != std::string::npos) {
        temporary = path[1];
        temporaryFd = result;
      } else if (renamed && path[1] == directory && arguments.find("O_DIRECTORY") != std::string::npos) {
        directoryFd = result;
      }
    } else if ((name == "fsync" || name == "fdatasync") && result == 0) {
      const int fd = std::stoi(arguments);
      if (fd == temporaryFd && !renamed) temporarySynced = true;
      if (fd == directoryFd) directorySynced = true;
    } else if (name == "close" && std::stoi(arguments) == temporaryFd) {
      temporaryFd = -1;  // a sync after the close would be of another file
    } else if (name.rfind("rename", 0) == 0 && !temporary.empty() &&
               arguments.find(temporary) != std::string::npos && result == 0) {
      renamed = true;
      syncedBeforeRename = temporarySynced;
    }
  }
  ASSERT_FALSE(temporary.empty()) << "no temporary file was written beside the destination";
  EXPECT_TRUE(renamed);
  EXPECT_TRUE(syncedBeforeRename) << "the temporary file was renamed before reaching the disk";
  EXPECT_TRUE(directorySynced) << "the directory was not flushed after the rename";
}

}  // namespace
}  // namespace droven
