// The private directory of the temporary files, and the bridge's use of it: a
// user's own "dump.bin" or "dumpc.bin" is never written or removed.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "bridge/Binding.h"
#include "bridge/CompressionBridge.h"
#include "bridge/TempFiles.h"
#include "bridge/WriteBack.h"
#include "graphics_TestSprite.h"

namespace kerrow {
namespace {

namespace fs = std::filesystem;

// Runs `child` in a forked copy of this process and returns its exit status.
template <typename Child>
int InForkedChild(Child child) {
  const pid_t pid = ::fork();
  if (pid == 0) child();  // ends the child itself
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(TempFiles, PrivateDirectoryIsCreatedOnUseOwnedByTheUserAndRemovedWithItsFiles) {
  RemoveTempDirectory();
  EXPECT_FALSE(HasTempDirectory());
  RemoveTemporaryFiles();  // before any compressed sprite: creates nothing
  EXPECT_FALSE(HasTempDirectory());

  const std::string directory = TempDirectory();
  EXPECT_TRUE(HasTempDirectory());
  struct stat info {};
  ASSERT_EQ(::stat(directory.c_str(), &info), 0);
  EXPECT_TRUE(S_ISDIR(info.st_mode));
  EXPECT_EQ(info.st_mode & 0777, 0700u);
  EXPECT_EQ(info.st_uid, ::getuid());
  EXPECT_EQ(fs::path(DumpFile()), fs::path(directory) / "dump.bin");
  EXPECT_EQ(fs::path(DumpCompressedFile()), fs::path(directory) / "dumpc.bin");
  EXPECT_NE(fs::path(directory), fs::current_path());

  test::WriteBytes(DumpFile(), {1, 2});
  RemoveTempDirectory();
  EXPECT_FALSE(fs::exists(directory));
  EXPECT_FALSE(HasTempDirectory());
  EXPECT_NE(TempDirectory(), "");  // a later use gets a fresh one
  RemoveTempDirectory();
}

TEST(TempFiles, DirectoryRemovedBehindTheProgramsBackIsCreatedAgain) {
  const std::string first = TempDirectory();
  fs::remove_all(first);
  const std::string again = TempDirectory();
  EXPECT_TRUE(fs::is_directory(again));
  test::WriteBytes(DumpFile(), {7});
  EXPECT_EQ(test::ReadBytes(DumpFile()), std::vector<unsigned char>{7});
  RemoveTempDirectory();
}

TEST(TempFiles, EndOfTheProcessRemovesItButAForkedChildLeavesItsParentsAlone) {
  const std::string parents = TempDirectory();
  test::WriteBytes(DumpFile(), {1});
  // A child that ends normally runs the process's clean-up: it must not take
  // the directory its parent still uses.
  EXPECT_EQ(InForkedChild([] {
              RemoveTempDirectory();
              std::exit(0);
            }),
            0);
  EXPECT_TRUE(fs::exists(fs::path(parents) / "dump.bin"));

  // A child's own directory goes when the child ends.
  const test::ScratchDir scratch;  // a fixed name in /tmp would be shared by concurrent runs
  const std::string marker = scratch.File("child-dir");
  EXPECT_EQ(InForkedChild([&] {
              std::ofstream(marker) << TempDirectory();
              std::exit(TempDirectory() != parents && fs::is_directory(TempDirectory()) ? 0 : 1);
            }),
            0);
  std::string childs;
  std::ifstream(marker) >> childs;
  fs::remove(marker);
  ASSERT_FALSE(childs.empty());
  EXPECT_FALSE(fs::exists(childs));
  EXPECT_TRUE(fs::exists(parents));
  RemoveTempDirectory();
}

TEST(TempFiles, AFailureNothingCaughtStillRemovesTheDirectory) {
  const test::ScratchDir scratch;
  const std::string marker = scratch.File("terminate-dir");
  const pid_t pid = ::fork();
  if (pid == 0) {
    RemoveTempDirectoryOnTerminate();
    std::ofstream(marker) << TempDirectory();
    test::WriteBytes(DumpFile(), {1});
    std::terminate();  // as an exception escaping the event loop would
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGABRT);
  std::string childs;
  std::ifstream(marker) >> childs;
  fs::remove(marker);
  ASSERT_FALSE(childs.empty());
  EXPECT_FALSE(fs::exists(childs));
}

// A compressed sprite loaded and saved with the user's own files of the same
// names in the current directory: they are neither written nor removed.
class TempFilesBesideUserFiles : public ::testing::Test {
 protected:
  static constexpr std::int64_t kOffset = 64;
  TempFilesBesideUserFiles() {
    ResetBindings();
    test::WriteBytes(dir.File("data.bin"), test::PatternBytes(64, 3));
    EXPECT_EQ(VantorComp(dir.File("data.bin"), dir.File("packed.bin")), 0);
    auto packed = test::ReadBytes(dir.File("packed.bin"));
    std::vector<unsigned char> rom;
    rom.reserve(kOffset + packed.size() + 100);
    rom.resize(kOffset, 0x55);
    std::copy(packed.begin(), packed.end(), std::back_inserter(rom));
    rom.resize(rom.size() + 100, 0x66);
    // The ROM itself is called dump.bin, as a cartridge dump well may be.
    test::WriteBytes("dump.bin", rom);
    test::WriteBytes("dumpc.bin", userFile);
    G().RomPath = fs::absolute("dump.bin").string();
    test::InstallSpriteTable(
        {{.Width = 2, .Height = 1, .White = "0,0,0\r\n1,0,32", .Offset = kOffset, .MaxSize = 500}},
        true);
    test::SizeSprite(2, 1);
  }
  ~TempFilesBesideUserFiles() override { ResetBindings(); }

  test::CoreFixtureGuard guard;
  test::ScratchDir dir{true};
  test::RecordingSurface surface;
  const std::vector<unsigned char> userFile = {'m', 'i', 'n', 'e'};
};

TEST_F(TempFilesBesideUserFiles, LoadsAndSavesLeaveThemAlone) {
  const auto rom = test::ReadBytes("dump.bin");
  RemoveTemporaryFiles();
  LoadCompressedWhiteTiles("0,0,0\r\n1,0,32", surface);
  LoadCompressedGreyTiles("", surface);
  G().SpriteLoaded = true;
  EXPECT_EQ(test::ReadBytes(DumpFile()), test::PatternBytes(64, 3));

  // Unchanged pixels compress to the same stream: the ROM keeps every byte.
  G().SpriteDirty = true;
  ASSERT_TRUE(SaveRom());
  EXPECT_EQ(test::ReadBytes("dump.bin"), rom);
  EXPECT_EQ(test::ReadBytes("dumpc.bin"), userFile);

  // An edited pixel changes the ROM only inside the sprite's compressed data.
  G().SpritePixels.At(0, 0) = 15;
  ASSERT_TRUE(SaveRom());
  const auto saved = test::ReadBytes("dump.bin");
  ASSERT_EQ(saved.size(), rom.size());
  EXPECT_TRUE(std::equal(rom.begin(), rom.begin() + kOffset, saved.begin()));
  EXPECT_NE(saved, rom);
  EXPECT_EQ(test::ReadBytes("dumpc.bin"), userFile);

  RemoveTemporaryFiles();
  EXPECT_TRUE(fs::exists("dump.bin"));
  EXPECT_EQ(test::ReadBytes("dumpc.bin"), userFile);
  EXPECT_FALSE(fs::exists(DumpFile()));
}

}  // namespace
}  // namespace kerrow
