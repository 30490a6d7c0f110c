#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>

#include "ReadOnlyFile.h"
#include "catalog/bIdentify.h"
#include "catalog/bTreeViewHandle.h"
#include "workshop/CatalogWriter.h"
#include "workshop/RomHeader.h"
#include "workshop_TestRom.h"

namespace kerrow {
namespace {

// A data directory with the schema and an empty catalog, and a ROM no game knows.
class CatalogWriterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::PrepareDataDir(dir);
    G().DataPath = data();
    rom = test::MakeRom(0x2000, {.overseas = "  NEW GAME  ", .serial = "GM NEWGAME-01"});
    test::WriteBytes(dir.File("rom.bin"), rom);
    G().RomPath = dir.File("rom.bin");
  }
  std::string data() const { return dir.Path().string() + "/"; }
  std::string AddTestGame() {
    const auto image = ReadRomImage(G().RomPath);
    return AddGame(data(), {CatalogIdFromImage(image), GameNameFromImage(image), 0x400});
  }
  // Every file of the data directory with its bytes.
  std::map<std::string, std::vector<unsigned char>> Files() const {
    std::map<std::string, std::vector<unsigned char>> files;
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path()))
      files[entry.path().filename().string()] = test::ReadBytes(entry.path().string());
    return files;
  }

  test::CoreFixtureGuard guard;
  test::ScratchDir dir;
  std::vector<unsigned char> rom;
};

NewPlainSprite Plain(const std::string& name, HeadingChoice heading) {
  NewPlainSprite sprite;
  sprite.Name = name;
  sprite.Width = 2;
  sprite.Height = 1;
  sprite.White = FormatTileList({{0, 0, 0x800}, {1, 0, 0x820}});
  sprite.Heading = std::move(heading);
  return sprite;
}

TEST_F(CatalogWriterTest, AddedGameIsIdentifiedWithItsNameAndAnEmptyTree) {
  const std::string file = AddTestGame();
  EXPECT_EQ(file, "NEWGAME_01.mdb");
  OpenCatalog();
  const auto game = IdentifyGame();
  ASSERT_TRUE(game);
  EXPECT_EQ(game->Name, "NEW GAME");
  EXPECT_EQ(game->PaletteOffset, 0x400);
  EXPECT_EQ(G().GamesTable->Text("ID"), "NEWGAME-01");
  const auto nodes = BuildSpriteNodes();
  ASSERT_EQ(nodes.size(), 1u);  // only the "Compressed" group
  EXPECT_EQ(nodes[0].Key, kCompressedKey);
  // The game's database holds the game tables and not the catalog's own.
  EXPECT_THROW(Database::Open(data() + file)->OpenTable("Games"), Failure);
}

TEST_F(CatalogWriterTest, AUsersFilesBesideTheCatalogAreNeitherReplacedNorRemoved) {
  // Files of the user's under the names the new database would take, and
  // under the name it is built as.
  const std::vector<unsigned char> mine = {'m', 'i', 'n', 'e'};
  test::WriteBytes(dir.File("NEWGAME_01.mdb"), mine);
  test::WriteBytes(dir.File("NEWGAME_01-2.mdb.new"), mine);
  const std::string file = AddTestGame();
  EXPECT_EQ(file, "NEWGAME_01-3.mdb");
  EXPECT_EQ(test::ReadBytes(dir.File("NEWGAME_01.mdb")), mine);
  EXPECT_EQ(test::ReadBytes(dir.File("NEWGAME_01-2.mdb.new")), mine);
  EXPECT_FALSE(std::filesystem::exists(dir.File("NEWGAME_01-2.mdb")));
  OpenCatalog();
  ASSERT_TRUE(IdentifyGame());
}

TEST_F(CatalogWriterTest, AddedSpritesAreListedUnderTheirHeadings) {
  const std::string database = data() + AddTestGame();
  AddPlainSprite(database, Plain("Hero", {std::nullopt, "Heroes"}));
  auto second = Plain("Sidekick", {1, ""});
  second.Grey = FormatTileList({{0, 0, 0x900}});
  AddPlainSprite(database, second);
  NewCompressedSprite packed;
  packed.Name = "Logo";
  packed.SubHead = "Title";
  packed.Width = packed.Height = 1;
  packed.White = "0,0,0";
  packed.Offset = 0x1000;
  packed.MaxSize = 40;
  AddCompressedSprite(database, packed);

  OpenCatalog();
  ASSERT_TRUE(IdentifyGame());
  TableView& sprites = GameTableView(kSprite);
  ASSERT_TRUE(sprites.Seek("Hero"));
  EXPECT_EQ(sprites.Text("White"), "0,0,2048\r\n1,0,2080");
  EXPECT_EQ(sprites.Text("Grey"), "-1");
  EXPECT_EQ(sprites.Integer("Width"), 2);
  ASSERT_TRUE(sprites.Seek("Sidekick"));
  EXPECT_EQ(sprites.Text("Grey"), "0,0,2304");
  TableView& compressed = GameTableView(kCompressed);
  ASSERT_TRUE(compressed.Seek("Logo"));
  EXPECT_EQ(compressed.Long("MaxSize"), 40);
  EXPECT_EQ(compressed.Text("Grey"), "");

  std::vector<std::string> keys;
  for (const TreeNode& node : BuildSpriteNodes()) keys.push_back(node.Key);
  EXPECT_EQ(keys, (std::vector<std::string>{"TVRLHEAD_1", "TVRLCHILD_Hero", "TVRLCHILD_Sidekick",
                                            "TVRLHEADCOMP", "TVRLHEADCOMP_Title",
                                            "TVRLHEADCOMPCHILD_Logo"}));
}

TEST_F(CatalogWriterTest, RefusalsLeaveTheCatalogFilesByteIdentical) {
  const std::string database = data() + AddTestGame();
  AddPlainSprite(database, Plain("Hero", {std::nullopt, "Heroes"}));
  const auto before = Files();

  EXPECT_THROW(AddPlainSprite(database, Plain("Hero", {1, ""})), CatalogWriteError);
  EXPECT_THROW(AddPlainSprite(database, Plain("Other", {std::nullopt, "Heroes"})),
               CatalogWriteError);  // the heading's name exists
  EXPECT_THROW(AddPlainSprite(database, Plain("Other", {99, ""})), CatalogWriteError);
  EXPECT_THROW(AddPlainSprite(database, Plain("", {1, ""})), CatalogWriteError);
  NewCompressedSprite packed;
  packed.Name = "Hero";  // names are unique across both sprite tables
  packed.SubHead = "Fx";
  packed.Width = packed.Height = 1;
  packed.White = "0,0,0";
  packed.MaxSize = 10;
  EXPECT_THROW(AddCompressedSprite(database, packed), CatalogWriteError);
  // The same ROM again: its ID is catalogued already.
  EXPECT_THROW(AddTestGame(), CatalogWriteError);
  EXPECT_THROW(AddPlainSprite(data() + "nothere.mdb", Plain("X", {1, ""})), CatalogWriteError);
  EXPECT_EQ(Files(), before);
}

TEST_F(CatalogWriterTest, AWriteThatFailsHalfWayLeavesNothingBehind) {
  const std::string database = data() + AddTestGame();
  {
    // The sprite row is refused after the new heading went in.
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(database.c_str(), &db), SQLITE_OK);
    EXPECT_EQ(sqlite3_exec(db,
                           "CREATE TRIGGER refuse BEFORE INSERT ON SPRITE "
                           "BEGIN SELECT RAISE(ABORT, 'disk full'); END;",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(db);
  }
  const auto before = Files();
  try {
    AddPlainSprite(database, Plain("Hero", {std::nullopt, "Heroes"}));
    ADD_FAILURE() << "the refused row was reported as written";
  } catch (const CatalogWriteError& error) {
    EXPECT_NE(std::string(error.what()).find("Nothing was changed"), std::string::npos);
  }
  EXPECT_EQ(Files(), before);
  EXPECT_TRUE(ReadHeadings(database).empty());
}

using test::ReadOnly;

TEST_F(CatalogWriterTest, AReadOnlyCatalogIsRefusedWithAClearMessage) {
  const std::string database = data() + AddTestGame();
  const auto before = Files();
  auto expectRefused = [&](auto&& action) {
    try {
      action();
      ADD_FAILURE() << "a read-only catalog was written";
    } catch (const CatalogWriteError& error) {
      EXPECT_NE(std::string(error.what()).find("read-only"), std::string::npos) << error.what();
    }
    EXPECT_EQ(Files(), before);
  };
  {
    ReadOnly file(database);
    if (!file.Made()) GTEST_SKIP() << "this file system cannot make a file read-only for root";
    expectRefused([&] { AddPlainSprite(database, Plain("Hero", {std::nullopt, "Heroes"})); });
  }
  {
    // A read-only folder: the file is writable, its journal cannot be made.
    ReadOnly folder(dir.Path().string());
    expectRefused([&] { AddPlainSprite(database, Plain("Hero", {std::nullopt, "Heroes"})); });
    // Another serial, so that only the folder stands in the way of a new game.
    expectRefused([&] { AddGame(data(), {"OTHER-01", "Other", 0}); });
    try {
      AddGame(data(), {"OTHER-01", "Other", 0});
    } catch (const CatalogWriteError& error) {
      // The user is told about the database that would have been made, not its scratch copy.
      EXPECT_EQ(std::string(error.what()).find(".new"), std::string::npos) << error.what();
    }
  }
  EXPECT_NO_THROW(AddPlainSprite(database, Plain("Hero", {std::nullopt, "Heroes"})));
}

TEST_F(CatalogWriterTest, AHeaderWithoutATextSerialAddsNoGame) {
  const auto before = Files();
  for (const unsigned char fill : {0xFF, 0x01}) {
    // Erased (0xFF) or binary bytes where the serial belongs.
    auto image = rom;
    std::fill(image.begin() + 0x180, image.begin() + 0x18E, fill);
    try {
      AddGame(data(), {CatalogIdFromImage(image), GameNameFromImage(image), 0x400});
      ADD_FAILURE() << "a game was added for a serial of bytes " << int{fill};
    } catch (const CatalogWriteError& error) {
      EXPECT_NE(std::string(error.what()).find("not text"), std::string::npos) << error.what();
    }
    EXPECT_EQ(Files(), before);
  }
}

TEST(TileListFormat, LinesAreJoinedWithCrLfAndNoTrailingBreak) {
  EXPECT_EQ(FormatTileList({}), "");
  EXPECT_EQ(FormatTileList({{0, 0, 5}}), "0,0,5");
  EXPECT_EQ(FormatTileList({{1, 2, 300}, {0, 0, 0}}), "1,2,300\r\n0,0,0");
}

}  // namespace
}  // namespace kerrow
