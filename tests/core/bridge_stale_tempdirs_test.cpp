// Private folders left in the temporary area by runs that were killed are
// removed at the next start, and nothing else is: not a live run's folder, not
// a folder without our owner note, not a link.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>

#include "TestSupport.h"
#include "bridge/TempFiles.h"

namespace kerrow {
namespace {

namespace fs = std::filesystem;

// Field 22 of /proc/PID/stat: when the process started.
std::string StartTime(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
  std::string line;
  std::getline(in, line);
  std::istringstream fields(line.substr(line.rfind(')') + 2));
  std::string field;
  for (int i = 3; i <= 22; ++i) fields >> field;
  return field;
}

class StaleFolders : public ::testing::Test {
 protected:
  // The folders below live in a temporary area of this test's own: any kerrow
  // or kerrow-cli started meanwhile (other tests run in parallel) sweeps the
  // shared one, where a folder noting this process with a wrong start time
  // looks stale to everyone else.
  StaleFolders() {
    if (const char* old = std::getenv("TMPDIR")) oldTmpdir = old;
    ::setenv("TMPDIR", area.Path().c_str(), 1);
  }
  ~StaleFolders() override {
    for (const fs::path& folder : made) fs::remove_all(folder);
    if (live > 0) {
      ::kill(live, SIGKILL);
      ::waitpid(live, nullptr, 0);
    }
    if (oldTmpdir) {
      ::setenv("TMPDIR", oldTmpdir->c_str(), 1);
    } else {
      ::unsetenv("TMPDIR");
    }
  }
  // A folder in the temporary area named as ours, with a Droven scratch file.
  fs::path Folder(const std::string& suffix, const std::string& note) {
    const fs::path folder = fs::temp_directory_path() / ("kerrow-" + suffix);
    fs::create_directory(folder);
    made.push_back(folder);
    std::ofstream(folder / ".droven-1234") << "scratch";
    if (!note.empty()) std::ofstream(folder / kTempOwnerNote) << note << '\n';
    return folder;
  }
  test::ScratchDir area;  // made in the shared area before TMPDIR points into it
  std::optional<std::string> oldTmpdir;
  std::vector<fs::path> made;
  pid_t live = -1;
};

TEST_F(StaleFolders, OnlyFoldersOfOursWhoseProcessIsGoneAreRemoved) {
  const pid_t gone = ::fork();
  if (gone == 0) ::_exit(0);
  ::waitpid(gone, nullptr, 0);
  live = ::fork();
  if (live == 0) {
    ::pause();
    ::_exit(0);
  }
  const std::string liveStart = StartTime(live);
  ASSERT_FALSE(liveStart.empty());

  const fs::path dead = Folder("zDead1", "kerrow " + std::to_string(gone) + " 12345");
  const fs::path reused = Folder("zReus1", "kerrow " + std::to_string(live) + " 1" + liveStart);
  const fs::path running = Folder("zLive1", "kerrow " + std::to_string(live) + " " + liveStart);
  const fs::path mine = Folder("zMine1", "kerrow " + std::to_string(::getpid()) + " 0");
  const fs::path noNote = Folder("zNone1", "");
  const fs::path foreign = Folder("zForn1", "someone 1 2");
  const fs::path longer = Folder("zDead1-x", "kerrow " + std::to_string(gone) + " 12345");
  // A link named like ours leads to a stale-looking folder elsewhere.
  const fs::path target = Folder("target-folder", "kerrow " + std::to_string(gone) + " 1");
  const fs::path link = fs::temp_directory_path() / "kerrow-zLink1";
  fs::create_directory_symlink(target, link);
  made.push_back(link);

  RemoveStaleTempDirectories();
  EXPECT_FALSE(fs::exists(dead));
  EXPECT_FALSE(fs::exists(reused)) << "a process id now used by a later process";
  for (const fs::path& kept : {running, mine, noNote, foreign, longer, target})
    EXPECT_TRUE(fs::exists(kept / ".droven-1234")) << kept;
  EXPECT_TRUE(fs::is_symlink(link));
}

TEST_F(StaleFolders, ARunNotesItselfAsItsFoldersOwner) {
  RemoveTempDirectory();
  const std::string folder = TempDirectory();
  std::ifstream in(fs::path(folder) / kTempOwnerNote);
  std::string word, pid, start;
  in >> word >> pid >> start;
  EXPECT_EQ(word, "kerrow");
  EXPECT_EQ(pid, std::to_string(::getpid()));
  EXPECT_EQ(start, StartTime(::getpid()));
  RemoveStaleTempDirectories();
  EXPECT_TRUE(fs::exists(folder));
  RemoveTempDirectory();
}

}  // namespace
}  // namespace kerrow
