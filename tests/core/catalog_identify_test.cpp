// Identifying a ROM image's game from its header serial.
#include <gtest/gtest.h>

#include <fcntl.h>

#include <cerrno>
#include <filesystem>

#include "catalog/bIdentify.h"
#include "catalog_TestCatalog.h"
#include "shell/bGlobals.h"

namespace kerrow {
namespace {

using test::FailureNumber;
using test::ScratchDir;

// A ROM image of `size` bytes whose serial text (from offset 387) starts with `serial`.
std::vector<unsigned char> Rom(const std::string& serial, std::size_t size = 0x400) {
  std::vector<unsigned char> rom(size, 0xEE);
  for (std::size_t i = 0; i < serial.size() && 387 + i < size; ++i) rom[387 + i] = serial[i];
  return rom;
}

TEST(CatalogRomSerial, ReadsThirtyTwoBytesAndPadsShortFilesWithNul) {
  ScratchDir dir;
  test::WriteBytes(dir.File("full.bin"), Rom("KR000001-00"));
  std::string serial = ReadRomSerial(dir.File("full.bin"));
  ASSERT_EQ(serial.size(), 32u);
  EXPECT_EQ(serial.substr(0, 11), "KR000001-00");
  EXPECT_EQ(static_cast<unsigned char>(serial[31]), 0xEE);

  test::WriteBytes(dir.File("short.bin"), Rom("KR0", 400));
  EXPECT_EQ(ReadRomSerial(dir.File("short.bin")),
            std::string("KR0") + std::string(10, '\xEE') + std::string(19, '\0'));
  test::WriteBytes(dir.File("tiny.bin"), {1, 2, 3});
  EXPECT_EQ(ReadRomSerial(dir.File("tiny.bin")), std::string(32, '\0'));

  EXPECT_EQ(FailureNumber([&] { ReadRomSerial(dir.File("none.bin")); }), kErrFileNotFound);
  EXPECT_EQ(FailureNumber([&] { ReadRomSerial(dir.Path().string()); }), kErrPathAccess);
}

TEST(CatalogRomSerial, IdMatchesAsACaseSensitivePrefix) {
  std::string serial = "KR000001-00" + std::string(21, ' ');
  EXPECT_TRUE(SerialMatches(serial, "KR000001"));
  EXPECT_TRUE(SerialMatches(serial, ""));
  EXPECT_TRUE(SerialMatches(serial, serial));
  EXPECT_FALSE(SerialMatches(serial, "kr000001"));
  EXPECT_FALSE(SerialMatches(serial, "KR000002"));
  EXPECT_FALSE(SerialMatches(serial, serial + " "));
  EXPECT_TRUE(SerialMatches(std::string(32, '\0'), std::string(5, '\0')));
}

class CatalogIdentifyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetGlobals();
    G().DataPath = dir.Path().string() + "/";
    std::filesystem::create_directory(dir.Path() / "games");
    test::WriteGameDatabase(dir, "games/first.mdb",
                            "INSERT INTO NFO VALUES ('First Game', 4096, 80, 'a', 'c');");
    test::WriteGameDatabase(dir, "second.mdb",
                            "INSERT INTO NFO VALUES ('Second Game', 512, 10, 'b', 'd');");
    // Row order is Number order, not ID order: the broader "KR" row comes first.
    test::WriteGamesCatalog(dir,
                            "INSERT INTO Games VALUES (3, 'KR000001', 'second.mdb'),"
                            "(1, 'ZZ', 'missing.mdb'), (2, 'KR', 'games\\first.mdb'),"
                            "(4, 'KR000002-00 and a very long tail', 'second.mdb');");
    OpenCatalog();
  }
  void TearDown() override { ResetGlobals(); }

  void UseRom(const std::string& serial, std::size_t size = 0x400) {
    G().RomPath = dir.File("rom.bin");
    test::WriteBytes(G().RomPath, Rom(serial, size));
  }

  ScratchDir dir;
};

TEST_F(CatalogIdentifyTest, TheFirstMatchingRowInKeyOrderWins) {
  UseRom("KR000001-00");
  auto game = IdentifyGame();
  ASSERT_TRUE(game);
  EXPECT_EQ(game->Name, "First Game");
  EXPECT_EQ(game->PaletteOffset, 4096);
  EXPECT_EQ(GameTableView(kNfo).Text("Name"), "First Game");
  EXPECT_EQ(G().GamesTable->Long("Number"), 2);  // left on the matching row
}

TEST_F(CatalogIdentifyTest, NoMatchChangesNothing) {
  UseRom("KR000001-00");
  ASSERT_TRUE(IdentifyGame());
  const Database* before = G().GameDb.get();
  const TableView* sprites = G().GameTables[kSprite].get();

  UseRom("XX999");
  EXPECT_FALSE(IdentifyGame());
  EXPECT_EQ(G().GameDb.get(), before);
  EXPECT_EQ(G().GameTables[kSprite].get(), sprites);
  EXPECT_TRUE(G().GamesTable->Eof());

  UseRom("KR", 390);  // serial text "KR" then NUL: still the "KR" row
  ASSERT_TRUE(IdentifyGame());
}

// A read-only file mode proves nothing when tests run as root. The running
// test program, though, cannot be opened for writing by anyone: identifying it
// shows that identification opens the ROM for reading only.
TEST_F(CatalogIdentifyTest, IdentificationOnlyReadsTheRom) {
  UseRom("KR000001-00");
  auto bytes = test::ReadBytes(G().RomPath);
  EXPECT_TRUE(IdentifyGame());
  EXPECT_EQ(test::ReadBytes(G().RomPath), bytes);

  test::WriteGamesCatalog(dir, "INSERT INTO Games VALUES (1, '', 'second.mdb');");
  OpenCatalog();
  G().RomPath = std::filesystem::read_symlink("/proc/self/exe").string();
  const int fd = ::open(G().RomPath.c_str(), O_RDWR);
  ASSERT_EQ(fd, -1) << "the test program could be opened for writing";
  EXPECT_EQ(errno, ETXTBSY);
  EXPECT_TRUE(IdentifyGame());
}

TEST_F(CatalogIdentifyTest, FailuresPropagateWithTheirNumbers) {
  UseRom("ZZ top");
  EXPECT_EQ(FailureNumber([] { IdentifyGame(); }), kErrCatalogNotFound);

  G().RomPath = dir.File("gone.bin");
  EXPECT_EQ(FailureNumber([] { IdentifyGame(); }), kErrFileNotFound);

  UseRom("KR");
  G().GamesTable.reset();
  EXPECT_EQ(FailureNumber([] { IdentifyGame(); }), kErrObjectNotSet);
}

TEST_F(CatalogIdentifyTest, AnEmptyIdMatchesEveryRom) {
  test::WriteGamesCatalog(dir,
                          "INSERT INTO Games VALUES (1, 'KR000002-00 and a very long tail "
                          "that never fits', 'games\\first.mdb'), (2, '', 'second.mdb');");
  OpenCatalog();
  UseRom("KR000002-00 and a very long tail that never fits");
  auto game = IdentifyGame();
  ASSERT_TRUE(game);
  EXPECT_EQ(game->Name, "Second Game");
  UseRom("", 10);
  EXPECT_TRUE(IdentifyGame());
}

}  // namespace
}  // namespace kerrow
