// Two homebrew builds that carry the toolchain's one serial, and a patched
// copy of one, catalogued with kerrow-cli: each is taken for its own game
// only, and an import writes into the right ROM at the right bytes.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <QImage>
#include <filesystem>

#include "CatalogCliFixture.h"
#include "RomShapes.h"

namespace kerrow {
namespace {

namespace fs = std::filesystem;
using test::ReadBytes;

constexpr std::size_t kSecondTiles = 0x31000;

int TilePixel(const std::vector<unsigned char>& data, std::size_t offset, int x, int y) {
  const unsigned char byte = data[offset + 4 * static_cast<std::size_t>(y) + x / 2];
  return x % 2 == 0 ? byte >> 4 : byte & 0x0F;
}

class SameSerial : public test::CatalogCliFixture {
 protected:
  SameSerial() {
    a = test::MakeShapedRom({.seed = 11, .title = "FIRST HOMEBREW"});
    b = test::MakeShapedRom({.seed = 22, .title = "SECOND HOMEBREW", .tilesAt = kSecondTiles});
    patched = a;
    // A code fix and a translated text, outside the sprites.
    for (std::size_t i = 0; i < 12; ++i) patched[0x3000 + i] = 0x4E;
    test::PutText(patched, 0x6200, 24, "PRESS START TO PLAY");
    test::WriteBytes(dir.File("a.bin"), a);
    test::WriteBytes(dir.File("b.bin"), b);
    test::WriteBytes(dir.File("patched.bin"), patched);
  }
  std::vector<unsigned char> a, b, patched;
};

TEST_F(SameSerial, EachBuildIsTakenForItsOwnGameAndImportsWriteOnlyItsSprite) {
  ASSERT_EQ(Cli({"catalog", "add-game", "a.bin", "--palette", "0x32000"}), 0) << err;
  ASSERT_EQ(Cli({"catalog", "add-sprite", "a.bin", "Hero", "--at", "$30000", "--size", "2x2"}), 0)
      << err;
  // The second build is not the first game: nothing is taken for it, and Add Game is open.
  EXPECT_EQ(Cli({"identify", "b.bin"}), cli::kExitUnknownGame) << out << err;
  EXPECT_NE(out.find("fingerprint agrees on"), std::string::npos) << out;
  EXPECT_EQ(Cli({"list", "b.bin"}), cli::kExitUnknownGame);
  ASSERT_EQ(Cli({"catalog", "add-game", "b.bin", "--palette", "32000h", "--name", "Second"}), 0)
      << err;
  ASSERT_EQ(Cli({"catalog", "add-sprite", "b.bin", "Hero", "--at", "&H31000", "--size", "4x2",
                 "--order", "columns", "--block", "2x2"}),
            0)
      << err;

  ASSERT_EQ(Cli({"identify", "a.bin"}), 0) << err;
  EXPECT_NE(out.find("Taken for \"FIRST HOMEBREW\" (game row 1)"), std::string::npos) << out;
  ASSERT_EQ(Cli({"identify", "b.bin"}), 0) << err;
  EXPECT_NE(out.find("Taken for \"Second\" (game row 2)"), std::string::npos) << out;
  ASSERT_EQ(Cli({"identify", "patched.bin"}), 0) << err;
  EXPECT_NE(out.find("Taken for \"FIRST HOMEBREW\" (game row 1)"), std::string::npos) << out;
  // The patched copy is the first game: a second row for it is refused, unchanged.
  const auto catalog = Catalog();
  EXPECT_EQ(Cli({"catalog", "add-game", "patched.bin"}), cli::kExitCatalogRefused);
  EXPECT_EQ(Catalog(), catalog);

  // Export the second build's sprite, paint on it and import it: only the
  // sprite's 8 tiles change, in column-by-column block order.
  ASSERT_EQ(Cli({"export", "b.bin", "Hero", "hero.png"}), 0) << err;
  QImage image;
  ASSERT_TRUE(image.load(QString::fromStdString(dir.File("hero.png"))));
  ASSERT_EQ(image.width(), 32);
  ASSERT_EQ(image.height(), 16);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 32; ++x)
      ASSERT_EQ(image.pixelIndex(x, y),
                TilePixel(b,
                          kSecondTiles +
                              32 * static_cast<std::size_t>((x / 16) * 4 + (x / 8 % 2) * 2 + y / 8),
                          x % 8, y % 8))
          << x << "," << y;
  for (int i = 0; i < 16; ++i) image.setPixel(2 * i, i, static_cast<uint>((i * 5 + 3) % 16));
  ASSERT_TRUE(image.save(QString::fromStdString(dir.File("edited.png"))));
  ASSERT_EQ(Cli({"import", "b.bin", "Hero", "edited.png"}), 0) << err;

  const auto after = ReadBytes(dir.File("b.bin"));
  ASSERT_EQ(after.size(), b.size());
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 32; ++x)
      ASSERT_EQ(TilePixel(after,
                          kSecondTiles +
                              32 * static_cast<std::size_t>((x / 16) * 4 + (x / 8 % 2) * 2 + y / 8),
                          x % 8, y % 8),
                image.pixelIndex(x, y));
  for (std::size_t i = 0; i < after.size(); ++i) {
    if (i < kSecondTiles || i >= kSecondTiles + 8 * 32) {
      ASSERT_EQ(after[i], b[i]) << i;
    }
  }
  EXPECT_EQ(ReadBytes(dir.File("a.bin")), a);
  EXPECT_EQ(ReadBytes(dir.File("patched.bin")), patched);

  // The edited build, with its checksum fixed as saves may do, is still its game.
  ASSERT_EQ(Cli({"checksum", "--fix", "b.bin"}), 0) << err;
  ASSERT_EQ(Cli({"identify", "b.bin"}), 0) << err;
  EXPECT_NE(out.find("Taken for \"Second\""), std::string::npos) << out;
}

TEST_F(SameSerial, UndoTakesBackOnlyAChangeMadeToTheRomsOwnGame) {
  ASSERT_EQ(Cli({"catalog", "add-game", "a.bin", "--palette", "0x32000"}), 0) << err;
  ASSERT_EQ(Cli({"catalog", "add-game", "b.bin", "--palette", "0x32000", "--name", "Second"}), 0)
      << err;
  ASSERT_EQ(Cli({"catalog", "add-sprite", "a.bin", "Hero", "--at", "$30000", "--size", "2x2"}), 0)
      << err;
  // The newest change belongs to the first build's game: the second build,
  // whose serial is the same, may not undo it.
  const auto catalog = Catalog();
  EXPECT_EQ(Cli({"catalog", "undo", "b.bin"}), cli::kExitCatalogRefused) << out << err;
  EXPECT_NE(err.find("nothing was undone"), std::string::npos) << err;
  EXPECT_EQ(Catalog(), catalog);
  ASSERT_EQ(Cli({"catalog", "undo", "a.bin"}), 0) << err;
  EXPECT_NE(out.find("Undone: Add sprite \"Hero\""), std::string::npos) << out;
  EXPECT_EQ(Cli({"export", "a.bin", "Hero", "hero.png"}), cli::kExitNoSuchSprite);
}

TEST_F(SameSerial, AnOldRowWithoutFingerprintTakesEveryBuildUntilItsFingerprintIsRecorded) {
  ASSERT_EQ(Cli({"catalog", "add-game", "a.bin"}), 0) << err;
  // A catalog made before fingerprints: the row keeps only its serial.
  test::RunSql(dir.File("data/game.mdb"), "UPDATE Games SET Fingerprint = NULL");
  ASSERT_EQ(Cli({"identify", "b.bin"}), 0) << err;
  EXPECT_NE(out.find("by its serial alone"), std::string::npos) << out;
  const auto catalog = Catalog();
  EXPECT_EQ(Cli({"catalog", "add-game", "b.bin"}), cli::kExitCatalogRefused);
  EXPECT_NE(err.find("record that game's fingerprint"), std::string::npos) << err;
  EXPECT_EQ(Catalog(), catalog);

  // With the first game's fingerprint recorded from its own ROM, the second
  // build is free to be added.
  ASSERT_EQ(Cli({"catalog", "fingerprint", "a.bin"}), 0) << err;
  EXPECT_EQ(Cli({"identify", "b.bin"}), cli::kExitUnknownGame) << out;
  EXPECT_EQ(Cli({"identify", "a.bin"}), 0) << out;
  EXPECT_EQ(Cli({"catalog", "add-game", "b.bin"}), 0) << err;
  EXPECT_EQ(Cli({"identify", "b.bin"}), 0) << out;
  EXPECT_NE(out.find("game row 2"), std::string::npos) << out;
}

}  // namespace
}  // namespace kerrow
