// The generated demo cartridges and catalog beside the test program.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "catalog/bIdentify.h"
#include "catalog/bTreeViewHandle.h"
#include "catalog_TestCatalog.h"
#include "codec.h"
#include "shell/bGlobals.h"

namespace kerrow {
namespace {

std::string ProgramDirectory() {
  return std::filesystem::read_symlink("/proc/self/exe").parent_path().string() + "/";
}

struct Tile {
  std::int32_t column, row, offset;
};

std::vector<Tile> Tiles(const TableView& view, const char* field) {
  std::vector<Tile> tiles;
  if (view.IsNull(field)) return tiles;
  std::string list = view.Text(field);
  if (list.empty() || list == "-1") return tiles;
  std::size_t start = 0;
  while (true) {
    std::size_t end = list.find("\r\n", start);
    std::string line = list.substr(start, end - start);
    std::size_t a = line.find(','), b = line.find(',', a + 1);
    EXPECT_NE(b, std::string::npos) << line;
    tiles.push_back({TextToLong(line.substr(0, a)), TextToLong(line.substr(a + 1, b - a - 1)),
                     TextToLong(line.substr(b + 1))});
    if (end == std::string::npos) break;
    start = end + 2;
  }
  return tiles;
}

std::uint32_t BigEndian(const std::vector<unsigned char>& rom, std::size_t at, int bytes) {
  std::uint32_t value = 0;
  for (int i = 0; i < bytes; ++i) value = value << 8 | rom[at + i];
  return value;
}

class CatalogDemoTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetGlobals();
    G().DataPath = ProgramDirectory();
    OpenCatalog();
  }
  void TearDown() override { ResetGlobals(); }

  // Identifies the ROM and checks every catalogued offset of its game.
  void CheckGame(const std::string& romName, const std::string& gameName) {
    SCOPED_TRACE(romName);
    G().RomPath = G().DataPath + romName;
    std::vector<unsigned char> rom = test::ReadBytes(G().RomPath);
    ASSERT_GE(rom.size(), 0x200u);

    EXPECT_EQ(std::string(rom.begin() + 0x100, rom.begin() + 0x110), "SEGA MEGA DRIVE ");
    std::uint16_t sum = 0;
    for (std::size_t at = 0x200; at + 1 < rom.size(); at += 2)
      sum = static_cast<std::uint16_t>(sum + BigEndian(rom, at, 2));
    EXPECT_EQ(BigEndian(rom, 0x18E, 2), sum);
    EXPECT_EQ(BigEndian(rom, 0x1A4, 4), rom.size() - 1);

    auto game = IdentifyGame();
    ASSERT_TRUE(game);
    EXPECT_EQ(game->Name, gameName);
    const std::int64_t size = static_cast<std::int64_t>(rom.size());
    EXPECT_LE(game->PaletteOffset + 32, size);

    TableView& sprites = GameTableView(kSprite);
    for (sprites.MoveFirst(); !sprites.Eof(); sprites.MoveNext()) {
      SCOPED_TRACE(sprites.Text("Name"));
      EXPECT_LE(sprites.Long("Palette") + 32, size);
      for (const char* list : {"White", "Grey"}) {
        for (const Tile& tile : Tiles(sprites, list)) {
          EXPECT_LT(tile.column, sprites.Integer("Width"));
          EXPECT_LT(tile.row, sprites.Integer("Height"));
          EXPECT_LE(tile.offset + 32, size);
        }
      }
    }

    TableView& packed = GameTableView(kCompressed);
    for (packed.MoveFirst(); !packed.Eof(); packed.MoveNext()) {
      SCOPED_TRACE(packed.Text("Name"));
      const std::int32_t offset = packed.Long("Offset"), maxSize = packed.Long("MaxSize");
      ASSERT_LE(offset + maxSize, size);
      std::span<const std::uint8_t> room(rom.data() + offset, static_cast<std::size_t>(maxSize));
      auto result = droven::Decompress(room, droven::Mode::Plain);
      ASSERT_EQ(result.status, droven::kOk);
      EXPECT_LT(result.consumed + 16, room.size());  // room to grow when edited
      for (std::size_t at = result.consumed; at < room.size(); ++at) EXPECT_EQ(room[at], 0);
      for (const char* list : {"White", "Grey"})
        for (const Tile& tile : Tiles(packed, list))
          EXPECT_LE(static_cast<std::size_t>(tile.offset) + 32, result.data.size());
    }
  }
};

TEST_F(CatalogDemoTest, EveryCatalogedSpriteLiesInsideItsRom) {
  EXPECT_EQ(G().GamesTable->RecordCount(), 2);
  CheckGame("demo.bin", "Kerrow Demo Cart");
  CheckGame("demo2.bin", "Kerrow Second Cart");  // its database is named "games\second.mdb"
}

TEST_F(CatalogDemoTest, DemoGameOffersTheCasesTheEditorShows) {
  G().RomPath = G().DataPath + "demo.bin";
  ASSERT_TRUE(IdentifyGame());
  std::set<std::pair<int, int>> sizes;
  bool ownPalette = false, greyTiles = false, outOfOrder = false;
  TableView& sprites = GameTableView(kSprite);
  for (; !sprites.Eof(); sprites.MoveNext()) {
    sizes.insert({sprites.Integer("Width"), sprites.Integer("Height")});
    ownPalette |= sprites.Long("Palette") != 0;
    greyTiles |= !Tiles(sprites, "Grey").empty();
    auto white = Tiles(sprites, "White");
    outOfOrder |= !std::is_sorted(white.begin(), white.end(),
                                  [](const Tile& a, const Tile& b) { return a.offset < b.offset; });
  }
  for (auto size : {std::pair{1, 1}, {2, 2}, {4, 2}, {4, 4}, {16, 16}})
    EXPECT_TRUE(sizes.contains(size)) << size.first << "x" << size.second;
  EXPECT_TRUE(ownPalette);
  EXPECT_TRUE(greyTiles);
  EXPECT_TRUE(outOfOrder);

  std::set<std::string> subHeads;
  bool compressedGrey = false;
  TableView& packed = GameTableView(kCompressed);
  for (packed.MoveFirst(); !packed.Eof(); packed.MoveNext()) {
    subHeads.insert(packed.Text("SubHead"));
    compressedGrey |= !Tiles(packed, "Grey").empty();
  }
  EXPECT_GE(subHeads.size(), 2u);
  EXPECT_TRUE(compressedGrey);

  auto nodes = BuildSpriteNodes();
  EXPECT_EQ(nodes.size(), 3 + 7 + 1 + 2 + 3u);  // headings, sprites, group, sub-groups, sprites
}

}  // namespace
}  // namespace kerrow
