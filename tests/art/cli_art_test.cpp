// kerrow-cli's art subcommands on copies of the demo cartridge: what they write
// into the ROM is checked by decoding its bytes here, and compared with what
// the editor's own save writes for the same pixels.
#include <gtest/gtest.h>

#include <QImage>
#include <filesystem>
#include <random>
#include <span>
#include <sqlite3.h>
#include <unistd.h>

#include "ReadOnlyFile.h"
#include "ArtTestSupport.h"
#include "CliRunner.h"
#include "TestSupport.h"
#include "art/SpriteImage.h"
#include "bridge/WriteBack.h"
#include "browser/HeadlessLoad.h"
#include "catalog/bIdentify.h"
#include "cli/CliCommand.h"
#include "codec.h"
#include "editing/bPal.h"
#include "shell/bGlobals.h"

namespace kerrow {
namespace {

namespace fs = std::filesystem;
using test::ReadBytes;

// Pixel (x, y) of the tile at `offset`: left pixel in the high nibble.
int TilePixel(std::span<const unsigned char> data, std::size_t offset, int x, int y) {
  const unsigned char byte = data[offset + 4 * static_cast<std::size_t>(y) + x / 2];
  return x % 2 == 0 ? byte >> 4 : byte & 0x0F;
}

// The Knight (4x4 tiles) keeps tile (tx, ty) at 12288 + 64 * (4 ty + tx) of the demo ROM.
std::size_t KnightTile(int tx, int ty) { return 12288 + 64 * static_cast<std::size_t>(4 * ty + tx); }

QImage LoadPng(const std::string& path) {
  QImage image;
  EXPECT_TRUE(image.load(QString::fromStdString(path))) << path;
  return image;
}

class CliArt : public ::testing::Test {
 protected:
  CliArt() {
    for (const char* name : {"cli.bin", "editor.bin"})
      fs::copy_file(test::ArtBinDir() + "/demo.bin", dir.File(name));
    original = ReadBytes(dir.File("cli.bin"));
  }
  ~CliArt() override { ResetGlobals(); }

  int Cli(const std::vector<std::string>& args) {
    return test::RunCliCapturing(args, out, err);
  }
  std::size_t ErrorLines() const { return static_cast<std::size_t>(std::count(err.begin(), err.end(), '\n')); }

  // Loads a sprite of editor.bin as the editor does, sets its pixels and saves it.
  void SaveThroughEditor(const std::string& sprite, const QImage& pixels) {
    test::CoreFixtureGuard guard;
    G().DataPath = test::ArtBinDir() + "/";
    OpenCatalog();
    G().RomPath = dir.File("editor.bin");
    const auto game = IdentifyGame();
    ASSERT_TRUE(game);
    LoadPalette(G().RomPath, game->PaletteOffset);
    ASSERT_TRUE(LoadSpriteByName(sprite, FindSpriteByName(sprite)));
    for (int y = 0; y < pixels.height(); ++y)
      for (int x = 0; x < pixels.width(); ++x)
        if (G().TileMap.At(x / 8, y / 8) == kTileWhite)
          G().SpritePixels.At(x, y) = static_cast<std::uint8_t>(pixels.pixelIndex(x, y));
    ASSERT_TRUE(SaveRom());
    EXPECT_TRUE(guard.dialogs.shown.empty());
  }

  // The exported image with two diagonals and the bottom-left pixel in `index`.
  std::string EditedCopy(const std::string& exported, int index) {
    QImage image = LoadPng(exported);
    for (int i = 0; i < std::min(image.width(), image.height()); ++i) {
      image.setPixel(i, i, static_cast<uint>(index));
      image.setPixel(image.width() - 1 - i, i, static_cast<uint>(index));
    }
    image.setPixel(0, image.height() - 1, static_cast<uint>(index));
    const std::string path = dir.File("edited.png");
    EXPECT_TRUE(image.save(QString::fromStdString(path)));
    return path;
  }

  test::ScratchDir dir{true};
  std::vector<unsigned char> original;
  std::string out, err;
};

TEST_F(CliArt, KnightExportedEditedAndImportedWritesWhatTheEditorWrites) {
  ASSERT_EQ(Cli({"export", "cli.bin", "Knight", "knight.png"}), 0) << err;
  EXPECT_TRUE(err.empty()) << err;
  // The PNG holds the ROM's pixels, both read without Qt.
  const test::PngChunks png = test::ParsePng(ReadBytes(dir.File("knight.png")));
  const std::vector<int> exported = test::PngIndices(png);
  ASSERT_EQ(exported.size(), 32u * 32u);
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x)
      ASSERT_EQ(exported[static_cast<std::size_t>(32 * y + x)],
                TilePixel(original, KnightTile(x / 8, y / 8), x % 8, y % 8))
          << x << "," << y;

  const std::string edited = EditedCopy(dir.File("knight.png"), 13);
  ASSERT_EQ(Cli({"import", "cli.bin", "Knight", edited}), 0) << err;
  EXPECT_TRUE(err.empty()) << err;
  const auto after = ReadBytes(dir.File("cli.bin"));
  ASSERT_EQ(after.size(), original.size());
  const QImage image = LoadPng(edited);
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x)
      ASSERT_EQ(TilePixel(after, KnightTile(x / 8, y / 8), x % 8, y % 8), image.pixelIndex(x, y));
  for (std::size_t i = 0; i < after.size(); ++i) {
    if (i < KnightTile(0, 0) || i >= KnightTile(3, 3) + 32) {
      ASSERT_EQ(after[i], original[i]) << i;
    }
  }

  SaveThroughEditor("Knight", image);
  EXPECT_EQ(ReadBytes(dir.File("editor.bin")), after);
}

TEST_F(CliArt, CompressedSpritesRoundTripThroughTheirStreams) {
  struct Case {
    const char* name;
    std::size_t offset;
    int width, height;
  };
  for (const Case& c : {Case{"Smoke", 53248, 16, 16}, Case{"Spark", 51200, 16, 24}}) {
    SCOPED_TRACE(c.name);
    ASSERT_EQ(Cli({"export", "cli.bin", c.name, "c.png"}), 0) << err;
    const std::string edited = EditedCopy(dir.File("c.png"), 3);
    ASSERT_EQ(Cli({"import", "cli.bin", c.name, edited}), 0) << err;
    EXPECT_EQ(fs::exists("dump.bin") || fs::exists("dumpc.bin"), false);

    const auto rom = ReadBytes(dir.File("cli.bin"));
    ASSERT_EQ(rom.size(), original.size());
    const auto unpacked = droven::Decompress(
        std::span<const std::uint8_t>(rom.data() + c.offset, rom.size() - c.offset),
        droven::Mode::Plain);
    ASSERT_EQ(unpacked.status, droven::kOk);
    const QImage image = LoadPng(edited);
    // Editable tiles lie at 0, 32, 64, 96 of the data, row by row, two per row.
    for (int y = 0; y < 16; ++y)
      for (int x = 0; x < 16; ++x)
        ASSERT_EQ(TilePixel(unpacked.data, 32 * static_cast<std::size_t>(2 * (y / 8) + x / 8),
                            x % 8, y % 8),
                  image.pixelIndex(x, y))
            << x << "," << y;
    SaveThroughEditor(c.name, image);
    EXPECT_EQ(ReadBytes(dir.File("editor.bin")), rom);
  }
  // Spark's context row did not take its changed pixel, and the user was told.
  EXPECT_NE(out.find("non-zero pixels"), std::string::npos) << out;
}

TEST_F(CliArt, EachKindOfFailureHasItsStatusOneLineAndLeavesTheRomAlone) {
  test::WriteBytes(dir.File("zeros.bin"), std::vector<unsigned char>(4096, 0));
  ASSERT_EQ(Cli({"export", "cli.bin", "Coin", "coin.png"}), 0) << err;
  // Noise in the palette's colours does not compress into the room the Logo has.
  QImage noise(32, 16, QImage::Format_Indexed8);
  noise.setColorTable(LoadPng(dir.File("coin.png")).colorTable());
  std::mt19937 random(5);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 32; ++x) noise.setPixel(x, y, random() % 16);
  ASSERT_TRUE(noise.save(QString::fromStdString(dir.File("noise.png"))));
  test::WriteBytes(dir.File("bad.pal"), {'J', 'A', 'S', 'C'});

  struct Case {
    std::vector<std::string> args;
    int status;
  };
  const Case cases[] = {
      {{}, cli::kExitUsage},
      {{"export", "cli.bin"}, cli::kExitUsage},
      {{"palette", "swap", "cli.bin", "p.pal"}, cli::kExitUsage},
      {{"list", "missing.bin"}, cli::kExitCatalog},
      {{"--data", dir.File("nowhere"), "list", "cli.bin"}, cli::kExitCatalog},
      {{"list", "zeros.bin"}, cli::kExitUnknownGame},
      {{"export", "cli.bin", "Dragon", "d.png"}, cli::kExitNoSuchSprite},
      {{"import", "cli.bin", "Knight", "coin.png"}, cli::kExitRefusedInput},
      {{"import", "cli.bin", "Knight", "absent.png"}, cli::kExitRefusedInput},
      {{"palette", "import", "cli.bin", "bad.pal"}, cli::kExitRefusedInput},
      {{"export", "cli.bin", "Knight", dir.File("no/such/dir/k.png")}, cli::kExitWriteFailed},
      {{"import", "cli.bin", "Logo", "noise.png"}, cli::kExitSaveRefused},
  };
  for (const Case& c : cases) {
    std::string joined;
    for (const auto& a : c.args) joined += a + " ";
    SCOPED_TRACE(joined);
    EXPECT_EQ(Cli(c.args), c.status) << err;
    if (!c.args.empty()) {
      EXPECT_EQ(ErrorLines(), 1u) << err;
    }
    EXPECT_EQ(ReadBytes(dir.File("cli.bin")), original);
  }
  EXPECT_FALSE(fs::exists("d.png"));
  // One line per failure: the refused import says why, and nothing more.
  Cli({"import", "cli.bin", "Knight", "coin.png"});
  EXPECT_EQ(ErrorLines(), 1u) << err;
  EXPECT_NE(err.find("8 x 8"), std::string::npos) << err;
  EXPECT_NE(err.find("32 x 32"), std::string::npos) << err;
}

TEST_F(CliArt, TakePaletteSavesTheImagesColoursBesideTheSprite) {
  ASSERT_EQ(Cli({"export", "cli.bin", "Coin", "coin.png"}), 0) << err;
  QImage image = LoadPng(dir.File("coin.png"));
  image.setColor(3, qRgb(0, 224, 96));  // console word 06E0
  ASSERT_TRUE(image.save(QString::fromStdString(dir.File("coin3.png"))));
  ASSERT_EQ(Cli({"import", "--take-palette", "cli.bin", "Coin", "coin3.png"}), 0) << err;
  auto expected = original;
  expected[4096 + 6] = 0x06;  // the game's palette at 4096, entry 3
  expected[4096 + 7] = 0xE0;
  EXPECT_EQ(ReadBytes(dir.File("cli.bin")), expected);
  EXPECT_NE(out.find("with the image's palette"), std::string::npos) << out;

  // A colour image has no palette to take: the report must not claim one.
  const QImage colour = image.convertToFormat(QImage::Format_ARGB32);
  ASSERT_TRUE(colour.save(QString::fromStdString(dir.File("coin-rgb.png"))));
  ASSERT_EQ(Cli({"import", "--take-palette", "cli.bin", "Coin", "coin-rgb.png"}), 0) << err;
  EXPECT_EQ(out.find("palette"), std::string::npos) << out;
  EXPECT_EQ(ReadBytes(dir.File("cli.bin")), expected);
}

TEST_F(CliArt, TakePaletteFromAnImageWithoutOneSavesOnlyTheSpriteAndSaysSo) {
  ASSERT_EQ(Cli({"export", "cli.bin", "Coin", "coin.png"}), 0) << err;
  // True colour, index 0 still fully transparent: no colour table to take.
  const QImage colours = LoadPng(dir.File("coin.png")).convertToFormat(QImage::Format_ARGB32);
  ASSERT_TRUE(colours.save(QString::fromStdString(dir.File("coin-rgb.png"))));
  ASSERT_EQ(Cli({"import", "--take-palette", "cli.bin", "Coin", "coin-rgb.png"}), 0) << err;
  EXPECT_EQ(out.find("palette"), std::string::npos) << out;
  EXPECT_EQ(ReadBytes(dir.File("cli.bin")), original);  // the same pixels, the same palette
}

TEST_F(CliArt, ReadOnlyRomIsRefusedUnchanged) {
  ASSERT_EQ(Cli({"export", "cli.bin", "Knight", "k.png"}), 0) << err;
  const std::string edited = EditedCopy(dir.File("k.png"), 2);
  test::ReadOnly rom(dir.File("cli.bin"));
  if (!rom.Made()) GTEST_SKIP() << "this file system cannot make a file read-only for root";
  EXPECT_EQ(Cli({"import", "cli.bin", "Knight", edited}), cli::kExitSaveRefused);
  EXPECT_EQ(ErrorLines(), 1u) << err;
  EXPECT_EQ(ReadBytes(dir.File("cli.bin")), original);
}

// An export aimed at the ROM it reads (".bin" is both a ROM's and a palette's
// extension, a link may hide the name) is refused before the ROM is touched.
TEST_F(CliArt, ExportsNeverReplaceTheRomImageTheyRead) {
  fs::create_symlink(dir.File("cli.bin"), dir.File("link.bin"));
  for (const std::string target : {"cli.bin", "link.bin"}) {
    SCOPED_TRACE(target);
    const std::vector<std::vector<std::string>> commands = {
        {"palette", "export", "cli.bin", target},
        {"palette", "export", "cli.bin", "Potion", target},
        {"export", "cli.bin", "Knight", target},
    };
    for (const auto& args : commands) {
      EXPECT_EQ(Cli(args), cli::kExitWriteFailed) << out;
      EXPECT_EQ(ErrorLines(), 1u) << err;
      EXPECT_NE(err.find("ROM"), std::string::npos) << err;
      ASSERT_EQ(ReadBytes(dir.File("cli.bin")), original);
    }
  }
  // Another file of the same extension is still written.
  EXPECT_EQ(Cli({"palette", "export", "cli.bin", "palette.bin"}), 0) << err;
  EXPECT_EQ(ReadBytes(dir.File("palette.bin")).size(), 32u);
}

TEST_F(CliArt, PaletteExportAndImportTouchOnlyThePalettesThirtyBytes) {
  // The game's palette lies at 4096, the Potion's own at 4128.
  for (auto [sprite, offset] : {std::pair<std::string, std::size_t>{"", 4096}, {"Potion", 4128}}) {
    SCOPED_TRACE(sprite);
    std::vector<std::string> args = {"palette", "export", "cli.bin"};
    if (!sprite.empty()) args.push_back(sprite);
    args.push_back("p.bin");
    ASSERT_EQ(Cli(args), 0) << err;
    auto words = ReadBytes(dir.File("p.bin"));
    ASSERT_EQ(words.size(), 32u);
    const auto rom = ReadBytes(dir.File("cli.bin"));
    for (std::size_t i = 2; i < 32; ++i) EXPECT_EQ(words[i], rom[offset + i]) << i;

    // Swap entries 1 and 2 and bring them back in.
    std::swap(words[2], words[4]);
    std::swap(words[3], words[5]);
    test::WriteBytes(dir.File("swapped.bin"), words);
    args[1] = "import";
    args.back() = "swapped.bin";
    ASSERT_EQ(Cli(args), 0) << err;
    auto expected = rom;
    std::copy(words.begin() + 2, words.end(), expected.begin() + static_cast<long>(offset) + 2);
    EXPECT_EQ(ReadBytes(dir.File("cli.bin")), expected);
  }
}

TEST_F(CliArt, ExportAllWritesEverySpriteUnderSafeNamesAndCleansUp) {
  const fs::path before = fs::current_path();
  ASSERT_EQ(Cli({"export-all", "cli.bin", "all"}), 0) << err;
  EXPECT_EQ(fs::current_path(), before);
  EXPECT_FALSE(fs::exists("dump.bin"));
  EXPECT_NE(out.find("10 of 10 sprites written"), std::string::npos) << out;
  // The Lamp Post (3x4 tiles): its post in column 1, context tiles at (0, 3) and
  // (2, 3) exported with their pixels (from 9344 and 9376), the rest index 0.
  const test::PngChunks lamp = test::ParsePng(ReadBytes(dir.File("all/Lamp_Post.png")));
  const std::vector<int> lampPixels = test::PngIndices(lamp);
  ASSERT_EQ(lampPixels.size(), 24u * 32u);
  for (int y = 0; y < 32; ++y) {
    for (int x = 0; x < 24; ++x) {
      const int tx = x / 8, ty = y / 8;
      int expected = 0;
      if (tx == 1) expected = TilePixel(original, 9216 + 32 * static_cast<std::size_t>(ty), x % 8, y % 8);
      if (ty == 3 && tx != 1) expected = TilePixel(original, tx == 0 ? 9344 : 9376, x % 8, y % 8);
      ASSERT_EQ(lampPixels[static_cast<std::size_t>(24 * y + x)], expected) << x << "," << y;
    }
  }
  const test::PngChunks logo = test::ParsePng(ReadBytes(dir.File("all/Logo.png")));
  EXPECT_EQ(logo.colourType, 3);
  EXPECT_EQ(logo.width, 32u);
  EXPECT_EQ(ReadBytes(dir.File("cli.bin")), original);
}

// A copy of the demo catalog whose Coin lists a tile offset that is no number.
TEST_F(CliArt, ASpriteThatCannotBeLoadedIsReportedAndTheOthersStillExport) {
  const fs::path data = dir.Path() / "data";
  fs::create_directories(data);
  for (const char* name : {"game.mdb", "demo.mdb"}) fs::copy_file(test::ArtBinDir() + "/" + name, data / name);
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open((data / "demo.mdb").c_str(), &db), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(db, "UPDATE SPRITE SET White = '0,0,coin' WHERE Name = 'Coin'", nullptr,
                         nullptr, nullptr),
            SQLITE_OK);
  sqlite3_close(db);

  EXPECT_EQ(Cli({"--data", data.string(), "export", "cli.bin", "Coin", "coin.png"}),
            cli::kExitSpriteLoad);
  EXPECT_EQ(ErrorLines(), 1u) << err;
  EXPECT_FALSE(fs::exists("coin.png"));
  EXPECT_EQ(Cli({"--data", data.string(), "export-all", "cli.bin", "all"}), cli::kExitSpriteLoad);
  EXPECT_EQ(ErrorLines(), 1u) << err;
  EXPECT_NE(out.find("9 of 10 sprites written"), std::string::npos) << out;
  EXPECT_FALSE(fs::exists("all/Coin.png"));
}

TEST_F(CliArt, ListNamesTheGameAndEverySprite) {
  ASSERT_EQ(Cli({"list", "cli.bin"}), 0) << err;
  EXPECT_EQ(out.rfind("Game: Kerrow Demo Cart\n", 0), 0u) << out;
  EXPECT_NE(out.find("Knight\tplain\t4x4\tHeroes\n"), std::string::npos) << out;
  EXPECT_NE(out.find("Spark\tcompressed\t2x3\tEffects\n"), std::string::npos) << out;
  EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 11);
}

}  // namespace
}  // namespace kerrow
