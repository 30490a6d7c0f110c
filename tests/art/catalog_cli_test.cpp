// kerrow-cli catalog ... on copies of the demo cartridges with a catalog of
// their own: what each command writes, read back with SQL, and for every
// refusal its status and a data directory unchanged byte for byte.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <filesystem>
#include <map>

#include "CatalogCliFixture.h"

namespace kerrow {
namespace {

namespace fs = std::filesystem;

// The rows of a query, fields joined by "|" and rows by ";".
std::string Query(const std::string& path, const std::string& sql) {
  sqlite3* db = nullptr;
  std::string rows;
  if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) return "?";
  const int rc = sqlite3_exec(
      db, sql.c_str(),
      [](void* out, int columns, char** values, char**) {
        auto& text = *static_cast<std::string*>(out);
        if (!text.empty()) text += ";";
        for (int c = 0; c < columns; ++c) {
          if (c) text += "|";
          text += values[c] ? values[c] : "NULL";
        }
        return 0;
      },
      &rows, nullptr);
  sqlite3_close(db);
  return rc == SQLITE_OK ? rows : "?" + sql;
}

class CatalogCli : public test::CatalogCliFixture {
 protected:
  CatalogCli() {
    fs::copy_file(test::ArtBinDir() + "/demo.bin", dir.File("demo.bin"));
    fs::copy_file(test::ArtBinDir() + "/demo2.bin", dir.File("demo2.bin"));
  }
  std::string Game(const std::string& sql) const {
    return Query(dir.File("data/KR000001_00.mdb"), sql);
  }
  // Each command is refused with its status, one line, and no catalog file changes.
  void ExpectRefusals(const std::vector<std::pair<std::vector<std::string>, int>>& cases) {
    const auto before = Catalog();
    for (const auto& [args, status] : cases) {
      std::string shown;
      for (const std::string& arg : args) shown += arg + " ";
      EXPECT_EQ(Cli(args), status) << shown << "\n" << out << err;
      EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << shown << err;
      EXPECT_TRUE(Catalog() == before) << "a catalog file changed: " << shown;
    }
  }
};

TEST_F(CatalogCli, AddSpritePlacesTilesInRowsOrColumnBlocksFromAnyOffsetNotation) {
  ASSERT_EQ(Cli({"catalog", "add-game", "demo.bin", "--palette", "0x1000"}), 0) << err;
  EXPECT_EQ(Query(dir.File("data/game.mdb"), "SELECT Number, ID, Database FROM Games"),
            "1|KR000001-00|KR000001_00.mdb");
  EXPECT_EQ(Game("SELECT Name, Palette FROM NFO"), "KERROW DEMO CART|4096");

  // The same tiles, however the offset is written.
  int n = 0;
  for (const char* offset : {"12288", "0x3000", "$3000", "&H3000", "3000h"}) {
    const std::string name = "Rows " + std::to_string(++n);
    ASSERT_EQ(Cli({"catalog", "add-sprite", "demo.bin", name, "--at", offset, "--size", "3x2"}), 0)
        << offset << err;
    EXPECT_EQ(Game("SELECT Width, Height, White, Grey FROM SPRITE WHERE Name = '" + name + "'"),
              "3|2|0,0,12288\r\n1,0,12320\r\n2,0,12352\r\n0,1,12384\r\n1,1,12416\r\n2,1,12448|-1");
  }
  // Columns in 2x2 blocks: the first block top to bottom, column after column, then the next.
  ASSERT_EQ(Cli({"catalog", "add-sprite", "demo.bin", "Columns", "--at", "0x3000", "--size", "4x2",
                 "--order", "columns", "--block", "2x2", "--heading", "Blocks"}),
            0)
      << err;
  EXPECT_EQ(Game("SELECT White FROM SPRITE WHERE Name = 'Columns'"),
            "0,0,12288\r\n0,1,12320\r\n1,0,12352\r\n1,1,12384\r\n"
            "2,0,12416\r\n2,1,12448\r\n3,0,12480\r\n3,1,12512");
  // Without --block the whole sprite is one block.
  ASSERT_EQ(Cli({"catalog", "add-sprite", "demo.bin", "Tall", "--at", "0x3000", "--size", "2x3",
                 "--order", "columns", "--heading", "Blocks", "--palette", "0x1020"}),
            0)
      << err;
  EXPECT_EQ(Game("SELECT Palette, White FROM SPRITE WHERE Name = 'Tall'"),
            "4128|0,0,12288\r\n0,1,12320\r\n0,2,12352\r\n1,0,12384\r\n1,1,12416\r\n1,2,12448");
  // Context tiles beside the sprite widen it.
  ASSERT_EQ(Cli({"catalog", "add-sprite", "demo.bin", "Framed", "--at", "0x3000", "--size", "1x1",
                 "--context", "1,0,0x3020; 0,1,$3040"}),
            0)
      << err;
  EXPECT_EQ(Game("SELECT Width, Height, White, Grey FROM SPRITE WHERE Name = 'Framed'"),
            "2|2|0,0,12288|1,0,12320\r\n0,1,12352");
  EXPECT_EQ(Game("SELECT Name FROM HEAD ORDER BY ID"), "Sprites;Blocks");

  // A compressed sprite's tiles come from its stream's decompressed data.
  ASSERT_EQ(Cli({"catalog", "add-sprite", "demo.bin", "Packed", "--at", "0xC000", "--size", "2x2",
                 "--compressed", "--max-size", "107", "--heading", "Streams"}),
            0)
      << err;
  EXPECT_EQ(Game("SELECT SubHead, Offset, MaxSize, White FROM COMPRESSED"),
            "Streams|49152|107|0,0,0\r\n1,0,32\r\n0,1,64\r\n1,1,96");
  EXPECT_EQ(Cli({"list", "demo.bin"}), 0) << err;
  EXPECT_NE(out.find("Packed"), std::string::npos) << out;
}

TEST_F(CatalogCli, EveryRefusalHasItsStatusAndChangesNoCatalogFile) {
  ExpectRefusals({
      {{"catalog", "rename", "demo.bin", "A", "B"}, cli::kExitUnknownGame},
      {{"catalog", "undo", "demo.bin"}, cli::kExitCatalogRefused},
      {{"catalog", "add-game", "demo.bin", "--palette", "0x20000"}, cli::kExitCatalogRefused},
      {{"catalog", "add-game", "none.bin"}, cli::kExitCatalog},
      {{"catalog", "add-game"}, cli::kExitUsage},
      {{"catalog", "launch", "demo.bin"}, cli::kExitUsage},
  });
  EXPECT_EQ(Cli({"identify", "demo.bin"}), cli::kExitUnknownGame);
  EXPECT_NE(out.find("no game's ID begins this serial"), std::string::npos) << out;
  ASSERT_EQ(Cli({"catalog", "add-game", "demo.bin"}), 0) << err;
  ASSERT_EQ(Cli({"catalog", "add-sprite", "demo.bin", "Hero", "--at", "0x3000", "--size", "2x2"}),
            0)
      << err;
  ASSERT_EQ(Cli({"catalog", "add-sprite", "demo.bin", "Foe", "--at", "0x3100", "--size", "1x1"}), 0)
      << err;
  const std::vector<std::string> add = {"catalog", "add-sprite", "demo.bin", "New", "--at"};
  const auto with = [&](std::vector<std::string> rest) {
    std::vector<std::string> args = add;
    args.insert(args.end(), rest.begin(), rest.end());
    return args;
  };
  const int refused = cli::kExitCatalogRefused;
  const int usage = cli::kExitUsage;
  ExpectRefusals({
      {{"catalog", "add-game", "demo.bin"}, refused},  // the catalog takes it already
      {with({"0x1FFF0", "--size", "1x1"}), refused},   // the tile runs past the end
      {with({"0x1FF20", "--size", "4x2"}), refused},   // the last tile runs past the end
      {with({"0x3000", "--size", "1x1", "--palette", "0x1FFF0"}), refused},
      {with({"0x3000", "--size", "2x1", "--context", "1,0,0x3200"}), refused},  // on its own tile
      {with({"0x3000", "--size", "1x1", "--context", "1,0"}), usage},
      {with({"0x3000", "--size", "1x1", "--context", "1,0,0x1FFF0"}), refused},
      {with({"0x3000", "--size", "4x2", "--order", "columns", "--block", "3x2"}), usage},
      {with({"0x3000", "--size", "4x2", "--order", "diagonal"}), usage},
      {with({"0x3000", "--size", "0x2"}), usage},
      {with({"0x3000", "--size", "256x1"}), usage},
      {with({"0x30G0", "--size", "1x1"}), usage},
      {with({"0x3000", "--size", "1x1", "--compressed"}), usage},
      {with({"0x3000", "--size", "1x1", "--max-size", "9"}), usage},
      {with({"0x7FFFFF", "--size", "1x1", "--compressed", "--max-size", "9"}), refused},
      {with({"0xC000", "--size", "1x1", "--compressed", "--max-size", "0x20000"}), refused},
      {with({"0xC000", "--size", "16x1", "--compressed", "--max-size", "107"}), refused},
      {{"catalog", "add-sprite", "demo.bin", "Hero", "--at", "0", "--size", "1x1"}, refused},
      {{"catalog", "add-sprite", "demo2.bin", "X", "--at", "0", "--size", "1x1"},
       cli::kExitUnknownGame},
      {{"catalog", "rename", "demo.bin", "Hero", "Foe"}, refused},
      {{"catalog", "rename", "demo.bin", "Hero", ""}, refused},
      {{"catalog", "rename", "demo.bin", "Nobody", "X"}, cli::kExitNoSuchSprite},
      {{"catalog", "rename", "demo.bin", "Hero"}, usage},
      {{"catalog", "move", "demo.bin", "Hero"}, usage},
      {{"catalog", "move", "demo.bin", "Nobody", "--heading", "X"}, cli::kExitNoSuchSprite},
      {{"catalog", "remove", "demo.bin", "Nobody"}, cli::kExitNoSuchSprite},
      {{"catalog", "remove", "demo.bin", "Hero", "--heading", "X"}, usage},
      {{"catalog", "fingerprint", "demo2.bin"}, cli::kExitUnknownGame},
      {{"catalog", "undo", "demo2.bin"}, refused},  // the last change was to another game
      {{"catalog", "undo"}, usage},
  });
}

TEST_F(CatalogCli, CorrectionsAndTheirUndoAcrossRuns) {
  ASSERT_EQ(Cli({"catalog", "add-game", "demo.bin", "--name", "Demo"}), 0) << err;
  ASSERT_EQ(Cli({"catalog", "add-sprite", "demo.bin", "Hero", "--at", "0x3000", "--size", "2x2",
                 "--heading", "Players"}),
            0)
      << err;
  const std::string added = Game("SELECT * FROM SPRITE") + "/" + Game("SELECT * FROM HEAD");
  ASSERT_EQ(Cli({"catalog", "rename", "demo.bin", "Hero", "Heroine"}), 0) << err;
  EXPECT_EQ(out, "Rename sprite \"Hero\" to \"Heroine\".\n");
  ASSERT_EQ(Cli({"catalog", "move", "demo.bin", "Heroine", "--heading", "Friends"}), 0) << err;
  EXPECT_EQ(Game("SELECT s.Name, h.Name FROM SPRITE s JOIN HEAD h ON h.ID = s.Heading"),
            "Heroine|Friends");
  const std::string moved = Game("SELECT * FROM SPRITE") + "/" + Game("SELECT * FROM HEAD");
  ASSERT_EQ(Cli({"catalog", "remove", "demo.bin", "Heroine"}), 0) << err;
  EXPECT_EQ(Game("SELECT COUNT(*) FROM SPRITE"), "0");
  // Another game's change comes last: this ROM's undo refuses it.
  ASSERT_EQ(Cli({"catalog", "add-game", "demo2.bin"}), 0) << err;
  EXPECT_EQ(Cli({"catalog", "undo", "demo.bin"}), cli::kExitCatalogRefused);
  EXPECT_NE(err.find("KR000002-00"), std::string::npos) << err;
  ASSERT_EQ(Cli({"catalog", "undo", "demo2.bin"}), 0) << err;
  EXPECT_EQ(Cli({"identify", "demo2.bin"}), cli::kExitUnknownGame);

  ASSERT_EQ(Cli({"catalog", "undo", "demo.bin"}), 0) << err;
  EXPECT_EQ(out, "Undone: Delete sprite \"Heroine\".\n");
  EXPECT_EQ(Game("SELECT * FROM SPRITE") + "/" + Game("SELECT * FROM HEAD"), moved);
  ASSERT_EQ(Cli({"catalog", "undo", "demo.bin"}), 0) << err;
  ASSERT_EQ(Cli({"catalog", "undo", "demo.bin"}), 0) << err;
  EXPECT_EQ(Game("SELECT * FROM SPRITE") + "/" + Game("SELECT * FROM HEAD"), added);
  ASSERT_EQ(Cli({"catalog", "undo", "demo.bin"}), 0) << err;
  ASSERT_EQ(Cli({"catalog", "undo", "demo.bin"}), 0) << err;
  EXPECT_EQ(out, "Undone: Add game \"Demo\".\n");
  EXPECT_EQ(Cli({"identify", "demo.bin"}), cli::kExitUnknownGame);
  EXPECT_TRUE(fs::exists(dir.File("data/KR000001_00.mdb")));
  EXPECT_EQ(Cli({"catalog", "undo", "demo.bin"}), cli::kExitCatalogRefused);
}

}  // namespace
}  // namespace kerrow
