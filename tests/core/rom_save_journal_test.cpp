// The save journal beside a ROM: played back only when it is whole, ours and
// about this very file; a file of the user's under its name is never taken
// for one; and a save keeps the ROM's inode and its links.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>

#include <filesystem>

#include "TestSupport.h"
#include "bridge/RomJournal.h"
#include "bridge/RomSave.h"
#include "shell/Failure.h"

namespace kerrow {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<unsigned char>;
using test::ReadBytes;
using test::WriteBytes;

class SaveJournal : public ::testing::Test {
 protected:
  SaveJournal() {
    for (std::size_t i = 0; i < old.size(); ++i) old[i] = static_cast<unsigned char>(i * 7);
    WriteBytes(rom(), old);
  }
  std::string rom() const { return dir.File("rom.bin"); }
  // The journal a save of `after` at `offset` writes before touching the ROM.
  Bytes JournalFor(std::int64_t offset, const Bytes& after) const {
    struct stat info {};
    ::stat(rom().c_str(), &info);
    JournalRange range{offset, Bytes(old.begin() + offset, old.begin() + offset +
                                                               static_cast<long>(after.size())),
                       after};
    return EncodeJournal({info.st_dev, info.st_ino, static_cast<std::int64_t>(old.size()), {range}});
  }
  test::ScratchDir dir;
  Bytes old = Bytes(4096);
};

TEST_F(SaveJournal, AWholeJournalOfThisFileUndoesAHalfWrittenSave) {
  const Bytes after(64, 0xEE);
  WriteBytes(RomJournalPath(rom()), JournalFor(100, after));
  Bytes torn = old;
  std::fill(torn.begin() + 100, torn.begin() + 130, 0xEE);  // the save died half-way
  WriteBytes(rom(), torn);
  EXPECT_NE(RecoverRom(rom()).find("interrupted"), std::string::npos);
  EXPECT_EQ(ReadBytes(rom()), old);
  EXPECT_FALSE(fs::exists(RomJournalPath(rom())));
}

TEST_F(SaveJournal, AJournalThatDoesNotDescribeTheFileIsNeverApplied) {
  const Bytes after(64, 0xEE);
  // Torn: the last byte of the hash is lost.
  Bytes torn = JournalFor(100, after);
  torn.pop_back();
  // The ROM changed since in a way no save of that journal could have.
  Bytes changed = old;
  changed[120] = static_cast<unsigned char>(old[120] ^ after[0] ^ 0xFF);
  for (const auto& [journal, image] : {std::pair{torn, old}, {JournalFor(100, after), changed}}) {
    WriteBytes(rom(), image);
    WriteBytes(RomJournalPath(rom()), journal);
    EXPECT_NE(RecoverRom(rom()).find("without being applied"), std::string::npos);
    EXPECT_EQ(ReadBytes(rom()), image);
    EXPECT_FALSE(fs::exists(RomJournalPath(rom())));
  }
}

TEST_F(SaveJournal, AUserFileUnderTheJournalsNameIsNeitherReadAsOneNorReplaced) {
  const Bytes mine = {'m', 'y', ' ', 'n', 'o', 't', 'e', 's'};
  for (const std::string& name : {RomJournalPath(rom()), RomJournalPath(rom()) + ".partial"}) {
    SCOPED_TRACE(name);
    WriteBytes(name, mine);
    EXPECT_NE(RecoverRom(rom()).find("not a save journal"), std::string::npos);
    try {
      RomSave save(rom());
      FAIL() << "a save went ahead with a foreign file in the journal's place";
    } catch (const Failure& failure) {
      EXPECT_NE(failure.Description().find(name), std::string::npos) << failure.Description();
    }
    EXPECT_EQ(ReadBytes(name), mine);
    EXPECT_EQ(ReadBytes(rom()), old);
    fs::remove(name);
  }
}

TEST_F(SaveJournal, ASaveWritesInPlaceKeepingTheInodeAndItsLinks) {
  fs::create_hard_link(rom(), dir.File("other-name.bin"));
  struct stat before {};
  ::stat(rom().c_str(), &before);
  {
    RomSave save(rom());
    save.WriteAt(10, Bytes(4, 0x11));
    save.WriteAt(12, Bytes(4, 0x22));  // overlaps the first: the later bytes win
    save.WriteAt(4000, Bytes(96, 0x33));
    EXPECT_THROW(save.WriteAt(4001, Bytes(96, 0x44)), Failure);  // never grows the file
    {
      RomSave inner(dir.File("other-name.bin"));  // the same file: joins the outer save
      inner.WriteAt(0, Bytes(1, 0x55));
      inner.Commit();
    }
    EXPECT_EQ(ReadBytes(rom()), old) << "nothing reaches the file before the outer commit";
    save.Commit();
  }
  Bytes expected = old;
  std::fill(expected.begin() + 10, expected.begin() + 12, 0x11);
  std::fill(expected.begin() + 12, expected.begin() + 16, 0x22);
  std::fill(expected.begin() + 4000, expected.end(), 0x33);
  expected[0] = 0x55;
  EXPECT_EQ(ReadBytes(rom()), expected);
  EXPECT_EQ(ReadBytes(dir.File("other-name.bin")), expected);
  struct stat after {};
  ::stat(rom().c_str(), &after);
  EXPECT_EQ(after.st_ino, before.st_ino);
  EXPECT_EQ(after.st_nlink, 2u);
  EXPECT_EQ(after.st_mode, before.st_mode);
  EXPECT_FALSE(fs::exists(RomJournalPath(rom())));
}

TEST_F(SaveJournal, ASaveWaitsWhileAnotherProcessHoldsTheRomsLock) {
  int ready[2];
  ASSERT_EQ(::pipe(ready), 0);
  const pid_t holder = ::fork();
  if (holder == 0) {
    const int fd = ::open(rom().c_str(), O_RDONLY);
    ::flock(fd, LOCK_EX);
    [[maybe_unused]] auto written = ::write(ready[1], "x", 1);
    ::usleep(800 * 1000);
    ::_exit(0);  // the lock goes with the process
  }
  char signal = 0;
  ASSERT_EQ(::read(ready[0], &signal, 1), 1);
  const auto start = std::chrono::steady_clock::now();
  {
    RomSave save(rom());
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(600));
    save.WriteAt(0, Bytes(2, 0x77));
    save.Commit();
  }
  ::waitpid(holder, nullptr, 0);
  ::close(ready[0]);
  ::close(ready[1]);
  EXPECT_EQ(ReadBytes(rom())[1], 0x77);
}

}  // namespace
}  // namespace kerrow
