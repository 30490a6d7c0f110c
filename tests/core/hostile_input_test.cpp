// Hostile input met by the core: palette offsets below zero, special files
// where a ROM is expected, catalogs locked by another program, streams that
// unpack past the decompression bound, and memory running out in a command.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <new>

#include "bridge/Binding.h"
#include "catalog/bDatabase.h"
#include "catalog/bIdentify.h"
#include "codec.h"
#include "editing/bPal.h"
#include "graphics/BinaryFile.h"
#include "shell/CommandGuard.h"
#include "workshop/CatalogWriter.h"
#include "workshop/RomHeader.h"
#include "workshop/StreamBound.h"
#include "workshop/WorkshopCommands.h"
#include "workshop_TestRom.h"

namespace kerrow {
namespace {

namespace fs = std::filesystem;
using test::FailureNumber;

// The description of the Failure that `action` throws ("" when none).
template <typename Action>
std::string FailureText(Action&& action) {
  try {
    action();
  } catch (const Failure& failure) {
    return failure.Description();
  }
  return "";
}

// Another program writing a database: a connection of its own holding an
// exclusive transaction, so every other reader and writer is kept out.
class HeldLock {
 public:
  explicit HeldLock(const std::string& path) {
    if (sqlite3_open(path.c_str(), &db_) != SQLITE_OK ||
        sqlite3_exec(db_, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr) != SQLITE_OK)
      ADD_FAILURE() << "cannot lock " << path << ": " << sqlite3_errmsg(db_);
  }
  ~HeldLock() {
    sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(db_);
  }
  HeldLock(const HeldLock&) = delete;
  HeldLock& operator=(const HeldLock&) = delete;

 private:
  sqlite3* db_ = nullptr;
};

std::size_t OpenDescriptors() {
  std::size_t count = 0;
  for ([[maybe_unused]] const auto& entry : fs::directory_iterator("/proc/self/fd")) ++count;
  return count;
}

// A stalled open of a FIFO would hang the test for good; this ends it instead.
class HangGuard {
 public:
  HangGuard() { alarm(20); }
  ~HangGuard() { alarm(0); }
};

TEST(NegativePaletteOffsets, AreRefusedBeforeAnyByteIsReadOrWritten) {
  test::CoreFixtureGuard guard;
  test::ScratchDir dir;
  // The vector table a palette at -2 (block from byte 0) would overwrite.
  const std::vector<unsigned char> rom = test::MakeRom(0x400);
  test::WriteBytes(dir.File("rom.bin"), rom);
  G().RomPath = dir.File("rom.bin");
  LoadPalette(G().RomPath, 0x200);
  const PaletteStrip loaded = G().Palette;
  for (const std::int32_t offset : {-1, -2, -30, -0x7FFFFFFF}) {
    SCOPED_TRACE(offset);
    EXPECT_EQ(FailureNumber([&] { LoadPalette(G().RomPath, offset); }), kErrBadRecordNumber);
    EXPECT_NE(FailureText([&] { LoadPalette(G().RomPath, offset); })
                  .find("palette offset " + std::to_string(offset) + " "),
              std::string::npos);
    EXPECT_EQ(G().PaletteOffset, 0x200 + 3);  // still the block that was loaded
    for (std::size_t i = 0; i < 16; ++i)
      EXPECT_EQ(G().Palette.Entries[i].StoredBytes, loaded.Entries[i].StoredBytes);
  }
  // A save whose offset came from elsewhere is refused the same way.
  EditPaletteEntry(1, 0x0000EE);
  for (const std::int32_t stored : {2, 1}) {  // the catalog's -1 and -2
    G().PaletteOffset = stored;
    EXPECT_EQ(FailureNumber([] { SavePalette(); }), kErrBadRecordNumber);
  }
  EXPECT_EQ(test::ReadBytes(G().RomPath), rom);
  EXPECT_TRUE(G().PaletteDirty);
}

TEST(SpecialFiles, AreRefusedAsRomImagesWithoutWaiting) {
  test::ScratchDir dir;
  const std::string fifo = dir.File("rom.fifo");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  const HangGuard guard;
  for (const std::string& path : {fifo, dir.Path().string(), std::string("/dev/zero")}) {
    SCOPED_TRACE(path);
    EXPECT_EQ(FailureNumber([&] { ReadRomSerial(path); }), kErrPathAccess);
    EXPECT_EQ(FailureNumber([&] { BinaryFile::OpenForReading(path); }), kErrPathAccess);
    EXPECT_EQ(FailureNumber([&] { BinaryFile::OpenForUpdate(path); }), kErrPathAccess);
    EXPECT_NE(FailureText([&] { BinaryFile::OpenForReading(path); }).find("not a regular file"),
              std::string::npos);
  }
  EXPECT_NE(FailureText([&] { ReadRomSerial(fifo); }).find("named pipe (FIFO)"), std::string::npos);
  // Compress Data would hand it to the library, which would wait on it.
  test::CoreFixtureGuard dialogs;
  dialogs.dialogs.files.push_back(fifo);
  dialogs.dialogs.saveFiles.push_back(dir.File("out.bin"));
  CompressDataCommand();
  ASSERT_EQ(dialogs.dialogs.shown.size(), 1u);
  EXPECT_NE(dialogs.dialogs.shown[0].text.find("not a regular file"), std::string::npos);
  EXPECT_FALSE(fs::exists(dir.File("out.bin")));
  // The FIFO is still there, unread and unchanged.
  EXPECT_TRUE(fs::is_fifo(fifo));
}

class CatalogInUse : public ::testing::Test {
 protected:
  void SetUp() override {
    test::PrepareDataDir(dir);
    G().DataPath = dir.Path().string() + "/";
    test::WriteGamesCatalog(dir, "INSERT INTO Games VALUES (1, 'GAME-01', 'g.mdb');");
    test::WriteGameDatabase(dir, "g.mdb", "INSERT INTO NFO VALUES ('Game', 512, 0, '', '');");
  }
  test::CoreFixtureGuard guard;
  test::ScratchDir dir;
};

TEST_F(CatalogInUse, ReadingSaysAnotherProgramHoldsItNotThatItIsNoDatabase) {
  const std::string catalog = dir.File("game.mdb");
  {
    const HeldLock lock(catalog);
    EXPECT_EQ(FailureNumber([&] { Database::Open(catalog); }), kErrCatalogInUse);
    EXPECT_EQ(FailureText([&] { Database::Open(catalog); }),
              "Could not use '" + catalog + "': it is in use by another program.");
  }
  // Locked after it was opened: the table read says the same.
  const auto database = Database::Open(catalog);
  {
    const HeldLock lock(catalog);
    EXPECT_EQ(FailureNumber([&] { database->OpenTable("Games"); }), kErrCatalogInUse);
  }
  EXPECT_EQ(database->OpenTable("Games")->RecordCount(), 1);
  // A file that is no database is still called that.
  test::WriteBytes(dir.File("junk.mdb"), std::vector<unsigned char>(4096, 'x'));
  EXPECT_NE(FailureText([&] { Database::Open(dir.File("junk.mdb")); })
                .find("Unrecognized database format"),
            std::string::npos);
}

TEST_F(CatalogInUse, RefusedWritesSayWhyChangeNothingAndKeepNoConnection) {
  const auto Files = [&] {
    std::map<std::string, std::vector<unsigned char>> files;
    for (const auto& entry : fs::directory_iterator(dir.Path()))
      files[entry.path().filename().string()] = test::ReadBytes(entry.path().string());
    return files;
  };
  const auto before = Files();
  const std::size_t descriptors = OpenDescriptors();
  NewPlainSprite sprite;
  sprite.Name = "Hero";
  sprite.Width = sprite.Height = 1;
  sprite.White = FormatTileList({{0, 0, 0x800}});
  sprite.Heading.NewName = "Heroes";
  for (int attempt = 0; attempt < 3; ++attempt) {
    {
      const HeldLock lock(dir.File("game.mdb"));
      try {
        AddGame(G().DataPath, {"OTHER-02", "Other", 0x200});
        ADD_FAILURE() << "a locked catalog took a game";
      } catch (const CatalogWriteError& error) {
        EXPECT_NE(std::string(error.what()).find("in use by another program"), std::string::npos)
            << error.what();
      }
    }
    {
      const HeldLock lock(dir.File("g.mdb"));
      EXPECT_THROW(AddPlainSprite(dir.File("g.mdb"), sprite), CatalogWriteError);
    }
  }
  // Every connection the refused writes opened was closed again.
  EXPECT_EQ(OpenDescriptors(), descriptors);
  EXPECT_EQ(Files(), before);
}

// The length walk must agree with the decoder on where a stream's output
// ends: the largest bound it exceeds is one below the decoded size.
TEST(StreamBound, AgreesWithTheDecoderOnTheOutputLength) {
  std::vector<std::uint8_t> data;
  for (std::size_t i = 0; i < 50000; ++i)
    data.push_back(static_cast<std::uint8_t>(i % 977 < 300 ? 0 : (i * 2654435761u) >> 13));
  for (const std::size_t size : {std::size_t{0}, std::size_t{1}, std::size_t{700}, data.size()}) {
    SCOPED_TRACE(size);
    std::vector<std::uint8_t> input(data.begin(), data.begin() + static_cast<long>(size));
    std::vector<std::uint8_t> rom(16, 0xAA);
    const auto stream = droven::Compress(input, droven::Mode::Plain);
    rom.insert(rom.end(), stream.begin(), stream.end());
    const auto bound = static_cast<std::int64_t>(size);
    EXPECT_FALSE(DecodesPastBound(rom, 16, bound));
    if (size > 0) {
      EXPECT_TRUE(DecodesPastBound(rom, 16, bound - 1));
    }
  }
  // A copy from before the start is no stream, however far it would reach.
  const std::vector<std::uint8_t> early = {0x00, 0x00, 0xFE, 0xFF, 0xFF};
  EXPECT_FALSE(DecodesPastBound(early, 0, 0));
}

TEST(StreamBound, DumpOffsetSaysAStreamUnpacksPastTheBound) {
  test::CoreFixtureGuard guard;
  test::ScratchDir dir;
  const std::vector<std::uint8_t> zeros(kDecompressionBound + 4096, 0);
  const auto stream = droven::Compress(zeros, droven::Mode::Plain);
  std::vector<unsigned char> rom(0x200, 0x4E);
  rom.insert(rom.end(), stream.begin(), stream.end());
  test::WriteBytes(dir.File("rom.bin"), rom);
  G().RomPath = dir.File("rom.bin");
  guard.dialogs.texts = {"0x200", "0x100"};
  EXPECT_FALSE(DumpOffsetCommand());
  EXPECT_FALSE(DumpOffsetCommand());
  ResetBindings();
  ASSERT_EQ(guard.dialogs.shown.size(), 2u);
  EXPECT_EQ(guard.dialogs.shown[0].text,
            "The stream at offset 0x200 decompresses to more than 64 MiB, the most one "
            "decompression may produce; it was not dumped.");
  EXPECT_EQ(guard.dialogs.shown[1].text, "Nothing at offset 0x100 decompresses.");
}

TEST(OutOfMemory, AWindowCommandSaysSoInOneMessage) {
  test::CoreFixtureGuard guard;
  EXPECT_FALSE(RunGuarded([] { throw std::bad_alloc(); }));
  ASSERT_EQ(guard.dialogs.shown.size(), 1u);
  EXPECT_EQ(guard.dialogs.shown[0].text, kOutOfMemoryText);
  EXPECT_EQ(guard.dialogs.shown[0].icon, MsgIcon::Critical);
}

}  // namespace
}  // namespace kerrow
