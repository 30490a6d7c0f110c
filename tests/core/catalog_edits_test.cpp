// Corrections of the catalog and their undo: each change does what it says,
// each refusal leaves every file byte for byte, and undo walks back through
// the changes, also when the undo record has been tampered with.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>
#include <map>

#include "RomShapes.h"
#include "catalog/bIdentify.h"
#include "workshop/CatalogEdits.h"
#include "workshop/WorkshopCommands.h"
#include "workshop_TestRom.h"

namespace kerrow {
namespace {

namespace fs = std::filesystem;

// Every table of a database, its rows in key order, as text.
std::string Dump(const std::string& path) {
  sqlite3* db = nullptr;
  std::string text;
  if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) return "?";
  std::vector<std::string> tables;
  sqlite3_exec(
      db,
      "SELECT name FROM sqlite_master WHERE type = 'table' AND name <> 'CatalogUndo' ORDER BY name",
      [](void* out, int, char** values, char**) {
        static_cast<std::vector<std::string>*>(out)->push_back(values[0]);
        return 0;
      },
      &tables, nullptr);
  for (const std::string& table : tables) {
    text += "[" + table + "]\n";
    sqlite3_exec(
        db, ("SELECT * FROM \"" + table + "\" ORDER BY 1").c_str(),
        [](void* out, int columns, char** values, char**) {
          auto& dump = *static_cast<std::string*>(out);
          for (int c = 0; c < columns; ++c)
            dump += (values[c] ? values[c] : "NULL") + std::string("|");
          dump += "\n";
          return 0;
        },
        &text, nullptr);
  }
  sqlite3_close(db);
  return text;
}

class CatalogEdits : public ::testing::Test {
 protected:
  void SetUp() override {
    test::PrepareDataDir(dir);
    G().DataPath = data();
    test::WriteBytes(dir.File("first.bin"), test::MakeShapedRom({.seed = 5, .title = "FIRST"}));
    NewGame newGame{"00000000-00", "First", 0x32000, dir.File("first.bin")};
    game = AddCatalogGame(data(), newGame);
    NewPlainSprite hero;
    hero.Name = "Hero";
    hero.Width = 2;
    hero.Height = 1;
    hero.White = FormatTileList({{0, 0, 0x30000}, {1, 0, 0x30020}});
    hero.Heading.NewName = "Players";
    AddCatalogSprite(game, hero);
    NewCompressedSprite logo;
    logo.Name = "Logo";
    logo.Width = 1;
    logo.Height = 1;
    logo.White = "0,0,0";
    logo.SubHead = "Titles";
    logo.Offset = 0x40000;
    logo.MaxSize = 64;
    AddCatalogSprite(game, logo);
  }
  std::string data() const { return dir.Path().string() + "/"; }
  std::string State() const { return Dump(data() + "game.mdb") + Dump(game.DatabasePath); }
  std::map<std::string, std::vector<unsigned char>> Files() const {
    std::map<std::string, std::vector<unsigned char>> files;
    for (const auto& entry : fs::directory_iterator(dir.Path()))
      files[entry.path().filename().string()] = test::ReadBytes(entry.path().string());
    return files;
  }
  // The change is refused with a message holding `why`, and no file changes.
  template <typename Change>
  void ExpectRefused(Change change, const std::string& why) {
    const auto before = Files();
    try {
      change();
      ADD_FAILURE() << "not refused: " << why;
    } catch (const CatalogWriteError& refusal) {
      EXPECT_NE(std::string(refusal.what()).find(why), std::string::npos) << refusal.what();
    }
    EXPECT_EQ(Files(), before) << why;
  }

  test::CoreFixtureGuard guard;
  test::ScratchDir dir;
  CatalogGame game;
};

TEST_F(CatalogEdits, SpriteCorrectionsApplyAndTheirRefusalsChangeNoFile) {
  ExpectRefused([&] { RenameSprite(game, kSprite, "Hero", "Logo"); }, "already exists");
  ExpectRefused([&] { RenameSprite(game, kSprite, "Nobody", "X"); }, "no sprite named \"Nobody\"");
  ExpectRefused([&] { RenameSprite(game, kCompressed, "Hero", "X"); }, "no compressed sprite");
  ExpectRefused([&] { RenameSprite(game, kSprite, "Hero", ""); }, "needs a name");
  RenameSprite(game, kSprite, "Hero", "Heroine");
  EXPECT_EQ(ReadCatalogSprite(game, kSprite, "Heroine").White, "0,0,196608\r\n1,0,196640");

  ExpectRefused([&] { MoveSprite(game, "Heroine", {std::int64_t{9}, ""}); }, "no heading");
  ExpectRefused([&] { MoveSprite(game, "Heroine", {std::nullopt, "Players"}); }, "already exists");
  MoveSprite(game, "Heroine", {std::nullopt, "Friends"});
  const auto headings = ReadHeadings(game.DatabasePath);
  ASSERT_EQ(headings.size(), 2u);
  EXPECT_EQ(ReadCatalogSprite(game, kSprite, "Heroine").Group, std::to_string(headings[1].Id));
  MoveCompressedSprite(game, "Logo", "Intro");
  EXPECT_EQ(ReadCatalogSprite(game, kCompressed, "Logo").Group, "Intro");

  SpriteChanges narrower;
  narrower.Width = 1;  // the tile at column 1 would fall outside
  ExpectRefused([&] { EditSprite(game, kSprite, "Heroine", narrower); }, "outside the sprite");
  SpriteChanges garbled;
  garbled.Grey = "0,0";
  ExpectRefused([&] { EditSprite(game, kSprite, "Heroine", garbled); }, "not \"column,row");
  SpriteChanges empty;
  empty.White = "";
  ExpectRefused([&] { EditSprite(game, kSprite, "Heroine", empty); }, "no tiles");
  SpriteChanges room;
  room.MaxSize = 0;
  ExpectRefused([&] { EditSprite(game, kCompressed, "Logo", room); }, "at least one byte");
  SpriteChanges taller;
  taller.Height = 2;
  taller.Palette = 0x32000;
  taller.Grey = "0,1,196704";
  EditSprite(game, kSprite, "Heroine", taller);
  const CatalogSprite edited = ReadCatalogSprite(game, kSprite, "Heroine");
  EXPECT_EQ(edited.Height, 2);
  EXPECT_EQ(edited.Width, 2);
  EXPECT_EQ(edited.Palette, 0x32000);
  EXPECT_EQ(edited.Grey, "0,1,196704");
  SpriteChanges noContext;
  noContext.Grey = "";
  EditSprite(game, kSprite, "Heroine", noContext);
  EXPECT_EQ(ReadCatalogSprite(game, kSprite, "Heroine").Grey, "");

  ExpectRefused([&] { DeleteHeading(game, headings[1].Id); }, "still lists 1 sprite");
  ExpectRefused([&] { RenameHeading(game, headings[1].Id, "Players"); }, "already exists");
  RenameHeading(game, headings[0].Id, "Everyone");
  DeleteHeading(game, headings[0].Id);  // empty since Heroine moved
  DeleteSprite(game, kCompressed, "Logo");
  ExpectRefused([&] { DeleteSprite(game, kCompressed, "Logo"); }, "no compressed sprite");
  EXPECT_EQ(ReadHeadings(game.DatabasePath).size(), 1u);
}

TEST_F(CatalogEdits, GameSettingsRemovalAndFingerprint) {
  ExpectRefused([&] { ChangeGameSettings(game, {"", 0}); }, "needs a name");
  ChangeGameSettings(game, {"First, corrected", 0x32020});
  const GameSettings settings = ReadGameSettings(game);
  EXPECT_EQ(settings.Name, "First, corrected");
  EXPECT_EQ(settings.Palette, 0x32020);

  test::WriteBytes(dir.File("other.bin"), test::MakeRom(0x1000, {.serial = "GM OTHER-1"}));
  ExpectRefused([&] { RecordFingerprint(game, dir.File("other.bin")); }, "does not begin");
  ExpectRefused([&] { RecordFingerprint(game, dir.File("none.bin")); }, "none.bin");

  const auto databaseFile = test::ReadBytes(game.DatabasePath);
  RemoveGame(game);
  EXPECT_FALSE(FindCatalogGame(data(), dir.File("first.bin")));
  // The game's sprites stay in their file for the user.
  EXPECT_EQ(test::ReadBytes(game.DatabasePath), databaseFile);
  ExpectRefused([&] { RemoveGame(game); }, "changed since");
}

TEST_F(CatalogEdits, UndoWalksBackThroughEveryChangeAcrossRuns) {
  std::vector<std::string> states{State()};
  const auto change = [&](auto&& edit) {
    edit();
    states.push_back(State());
  };
  change([&] { RenameSprite(game, kSprite, "Hero", "Heroine"); });
  change([&] { MoveSprite(game, "Heroine", {std::nullopt, "Friends"}); });
  change([&] {
    SpriteChanges c;
    c.Height = 3;
    EditSprite(game, kSprite, "Heroine", c);
  });
  change([&] { ChangeGameSettings(game, {"Renamed", 0x32040}); });
  change([&] { DeleteSprite(game, kCompressed, "Logo"); });
  change([&] { RecordFingerprint(game, dir.File("first.bin")); });
  change([&] { RemoveGame(game); });

  const auto steps = CatalogUndoSteps(data());
  ASSERT_GE(steps.size(), 10u);  // the game and its two sprites were added as steps too
  EXPECT_EQ(steps[0].Description,
            "Remove game \"00000000-00\" (its database \"00000000_00.mdb\" is kept)");
  EXPECT_EQ(steps[0].GameId, "00000000-00");
  ExpectRefused([&] { UndoCatalogChange(data(), steps[1].Step); }, "another program");

  for (std::size_t i = states.size() - 1; i > 0; --i) {
    UndoCatalogChange(data());
    EXPECT_EQ(State(), states[i - 1]) << "after undoing step " << i;
  }
  // The additions of setup undo too, down to the empty catalog; the new
  // database file is kept.
  EXPECT_EQ(UndoCatalogChange(data()), "Add sprite \"Logo\"");
  EXPECT_EQ(UndoCatalogChange(data()), "Add sprite \"Hero\"");
  EXPECT_EQ(ReadHeadings(game.DatabasePath).size(), 0u);
  EXPECT_EQ(UndoCatalogChange(data()), "Add game \"First\"");
  EXPECT_FALSE(FindCatalogGame(data(), dir.File("first.bin")));
  EXPECT_TRUE(fs::exists(game.DatabasePath));
  ExpectRefused([&] { UndoCatalogChange(data()); }, "no catalog change to undo");
}

TEST_F(CatalogEdits, AnUndoRecordThatDoesMoreThanRestoreRowsIsRefused) {
  RenameSprite(game, kSprite, "Hero", "Heroine");
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(data().append("game.mdb").c_str(), &db), SQLITE_OK);
  const std::string hostile[] = {
      "DROP TABLE target.SPRITE;",
      "ATTACH DATABASE '" + dir.File("planted.db") + "' AS planted;",
      "DELETE FROM main.CatalogUndo;",
      "UPDATE main.Games SET ID = 'X';",
      "INSERT INTO target.SPRITE SELECT * FROM target.SPRITE;",
      "DELETE FROM target.SPRITE WHERE load_extension('x') IS NULL;",
  };
  for (const std::string& script : hostile) {
    sqlite3_stmt* stmt = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(db,
                                 "UPDATE CatalogUndo SET Script = ?1 WHERE Step = "
                                 "(SELECT MAX(Step) FROM CatalogUndo)",
                                 -1, &stmt, nullptr),
              SQLITE_OK);
    sqlite3_bind_text(stmt, 1, script.c_str(), -1, SQLITE_TRANSIENT);
    ASSERT_EQ(sqlite3_step(stmt), SQLITE_DONE);
    sqlite3_finalize(stmt);
    ExpectRefused([&] { UndoCatalogChange(data()); }, "cannot be undone");
    EXPECT_FALSE(fs::exists(dir.File("planted.db"))) << script;
  }
  // Nor may it reach into a database no catalogued game has.
  fs::copy_file(game.DatabasePath, dir.File("elsewhere.mdb"));
  ASSERT_EQ(sqlite3_exec(db,
                         "UPDATE CatalogUndo SET Target = 'elsewhere.mdb', Script = 'DELETE FROM "
                         "target.SPRITE;' WHERE Step = (SELECT MAX(Step) FROM CatalogUndo)",
                         nullptr, nullptr, nullptr),
            SQLITE_OK);
  ExpectRefused([&] { UndoCatalogChange(data()); }, "no catalogued game has the database");
  sqlite3_close(db);
}

TEST_F(CatalogEdits, AddGameIsOfferedOnlyForARomNoRowTakes) {
  test::WriteBytes(dir.File("second.bin"), test::MakeShapedRom({.seed = 6, .title = "SECOND"}));
  OpenCatalog();
  G().RomPath = dir.File("second.bin");
  EXPECT_EQ(WhyNoAddGame(), "");
  G().RomPath = dir.File("first.bin");
  const std::string why = WhyNoAddGame();
  EXPECT_NE(why.find("catalogued already, as the game with the ID \"00000000-00\" (100% of its "
                     "fingerprint agrees)"),
            std::string::npos)
      << why;

  // The window's Add Game writes a second row for the second build.
  G().RomPath = dir.File("second.bin");
  guard.dialogs.texts.push_back("0x32000");
  const auto added = AddGameCommand(0);
  ASSERT_TRUE(added);
  EXPECT_EQ(added->Name, "SECOND");
  const auto second = FindCatalogGame(data(), dir.File("second.bin"));
  ASSERT_TRUE(second);
  EXPECT_NE(second->Number, game.Number);
  EXPECT_EQ(FindCatalogGame(data(), dir.File("first.bin"))->Number, game.Number);
}

}  // namespace
}  // namespace kerrow
