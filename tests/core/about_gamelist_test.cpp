#include <gtest/gtest.h>
#include <sqlite3.h>

#include "TestSupport.h"
#include "dialogs/GameList.h"
#include "shell/bGlobals.h"

namespace kerrow {
namespace {

void Exec(const std::string& path, const std::string& sql) {
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
  char* error = nullptr;
  const int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error);
  const std::string message = error ? error : "";
  sqlite3_free(error);
  sqlite3_close(db);
  ASSERT_EQ(rc, SQLITE_OK) << message;
}

struct Game {
  std::string file, name, completion, author, comment;
};

// A catalog in a scratch directory; `games` are listed in this order, and a
// game with an empty file name is listed with a database that does not exist.
class GameListTest : public ::testing::Test {
 protected:
  void MakeCatalog(const std::vector<Game>& games) {
    G().DataPath = dir.Path().string() + "/";
    std::string sql = "CREATE TABLE Games (Key INTEGER PRIMARY KEY, ID TEXT, Database TEXT);";
    int key = 0;
    for (const Game& game : games) {
      const std::string file = game.file.empty() ? "missing.mdb" : game.file;
      ++key;
      sql += "INSERT INTO Games VALUES (" + std::to_string(key) + ", 'ID" + std::to_string(key) +
             "', 'games\\" + file + "');";
      if (game.file.empty()) continue;
      std::filesystem::create_directories(dir.Path() / "games");
      Exec(dir.File("games/" + file),
           "CREATE TABLE NFO (Name TEXT, Palette INTEGER, Completion, Author TEXT, Comment TEXT);"
           "CREATE TABLE HEAD (ID TEXT, Name TEXT);"
           "CREATE TABLE SPRITE (Name TEXT PRIMARY KEY);"
           "CREATE TABLE COMPRESSED (Name TEXT PRIMARY KEY);"
           "INSERT INTO NFO VALUES ('" +
               game.name + "', 0, " + game.completion + ", '" + game.author + "', " + game.comment +
               ");");
    }
    Exec(dir.File("game.mdb"), sql);
    OpenCatalog();
  }
  test::CoreFixtureGuard guard;
  test::ScratchDir dir;
};

TEST(GameListSplitTest, StarSeparatedFieldsBecomeColumns) {
  auto row = SplitGameListItem("Foo*75%*Ann");
  ASSERT_TRUE(row);
  EXPECT_EQ(row->Text, "Foo");
  EXPECT_EQ(row->SubItems, (std::vector<std::string>{"75%", "Ann"}));

  row = SplitGameListItem("Star*Fighter*50%*Bob");  // a "*" in the name shifts the fields
  ASSERT_TRUE(row);
  EXPECT_EQ(row->Text, "Star");
  EXPECT_EQ(row->SubItems, (std::vector<std::string>{"Fighter", "50%", "Bob"}));

  row = SplitGameListItem("*");
  ASSERT_TRUE(row);
  EXPECT_EQ(row->Text, "");
  EXPECT_EQ(row->SubItems, (std::vector<std::string>{""}));

  EXPECT_FALSE(SplitGameListItem(""));

  row = SplitGameListItem(std::string(250, '*'));
  ASSERT_TRUE(row);
  EXPECT_EQ(row->SubItems.size(), kMaxSubItems);
}

TEST_F(GameListTest, ListsEveryGameInCatalogOrderWithItsComment) {
  MakeCatalog({{"a.mdb", "Alpha", "100", "Ann", "'first'"},
               {"b.mdb", "Beta", "'42.5'", "Bo*b", "'second'"},
               {"c.mdb", "Gamma", "7", "Cy", "NULL"}});
  const auto rows = BuildGameList();
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0].Text, "Alpha");
  EXPECT_EQ(rows[0].SubItems, (std::vector<std::string>{"100%", "Ann"}));
  EXPECT_EQ(rows[0].Comment, "first");
  EXPECT_EQ(rows[1].SubItems, (std::vector<std::string>{"42.5%", "Bo", "b"}));
  EXPECT_EQ(rows[1].Comment, "second");
  EXPECT_EQ(rows[2].Text, "Gamma");
  EXPECT_EQ(rows[2].Comment, "") << "a null comment leaves the row's comment empty";

  for (const auto& table : G().GameTables) EXPECT_EQ(table, nullptr);
  EXPECT_EQ(G().GameDb, nullptr);
  EXPECT_EQ(G().GamesTable->Text("ID"), "ID1");
}

TEST_F(GameListTest, AGameThatCannotBeReadIsLeftOutAndOthersKeepTheirComments) {
  MakeCatalog({{"a.mdb", "Alpha", "1", "A", "'ca'"},
               {"", "", "", "", ""},
               {"n.mdb", "NULL", "1", "N", "'cn'"},  // name is null: no row text
               {"d.mdb", "Delta", "4", "D", "'cd'"}});
  // The NULL above is quoted into the SQL as a string; make it a real null.
  Exec(dir.File("games/n.mdb"), "UPDATE NFO SET Name = NULL;");
  const auto rows = BuildGameList();
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].Text, "Alpha");
  EXPECT_EQ(rows[1].Text, "Delta");
  EXPECT_EQ(rows[1].Comment, "cd");
}

TEST_F(GameListTest, AFirstGameThatCannotBeOpenedOrAnEmptyCatalogIsFatal) {
  MakeCatalog({{"", "", "", "", ""}, {"b.mdb", "Beta", "1", "B", "'c'"}});
  EXPECT_THROW(BuildGameList(), Failure);

  test::ScratchDir empty;
  G().DataPath = empty.Path().string() + "/";
  Exec(empty.File("game.mdb"),
       "CREATE TABLE Games (Key INTEGER PRIMARY KEY, ID TEXT, Database TEXT);");
  OpenCatalog();
  EXPECT_THROW(BuildGameList(), Failure);
}

}  // namespace
}  // namespace kerrow
