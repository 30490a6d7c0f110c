// The catalog store: table views, conversions and opening the databases.
#include <gtest/gtest.h>

#include <filesystem>

#include "catalog/bDatabase.h"
#include "catalog_TestCatalog.h"
#include "shell/Failure.h"
#include "shell/bGlobals.h"

namespace kerrow {
namespace {

using test::FailureNumber;
using test::ScratchDir;
using test::SqlFile;

class CatalogStoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetGlobals();
    G().DataPath = dir.Path().string() + "/";
  }
  void TearDown() override { ResetGlobals(); }

  std::unique_ptr<TableView> Table(const std::string& sql, const std::string& table) {
    SqlFile(dir.File("t.db")).Run(sql);
    return Database::Open(dir.File("t.db"))->OpenTable(table);
  }

  ScratchDir dir;
};

TEST_F(CatalogStoreTest, ViewsWalkInPrimaryKeyOrderAndCountExactly) {
  auto view = Table(
      "CREATE TABLE S (Name TEXT PRIMARY KEY, N INTEGER);"
      "INSERT INTO S VALUES ('pear', 1), ('apple', 2), ('fig', 3);",
      "s");  // table names are looked up without regard to case
  EXPECT_EQ(view->RecordCount(), 3);
  std::vector<std::string> names;
  for (view->MoveFirst(); !view->Eof(); view->MoveNext()) names.push_back(view->Text("NAME"));
  EXPECT_EQ(names, (std::vector<std::string>{"apple", "fig", "pear"}));
  EXPECT_EQ(FailureNumber([&] { view->MoveNext(); }), kErrNoCurrentRecord);
  EXPECT_EQ(FailureNumber([&] { view->Text("Name"); }), kErrNoCurrentRecord);

  auto composite = Table(
      "CREATE TABLE C (A INTEGER, B TEXT, PRIMARY KEY (B, A));"
      "INSERT INTO C VALUES (2, 'x'), (1, 'y'), (1, 'x');",
      "C");
  std::vector<std::string> order;
  for (; !composite->Eof(); composite->MoveNext())
    order.push_back(composite->Text("B") + composite->Text("A"));
  EXPECT_EQ(order, (std::vector<std::string>{"x1", "x2", "y1"}));

  auto empty = Table("CREATE TABLE E (Name TEXT PRIMARY KEY);", "E");
  EXPECT_TRUE(empty->Eof());
  EXPECT_EQ(empty->RecordCount(), 0);
}

TEST_F(CatalogStoreTest, SeekFindsTheNamedRowOrLeavesNoCurrentRow) {
  auto view = Table(
      "CREATE TABLE S (Name TEXT PRIMARY KEY, Width INTEGER);"
      "INSERT INTO S VALUES ('Knight', 4), ('Coin', 1), ('knight', 9);",
      "S");
  ASSERT_TRUE(view->Seek("Knight"));
  EXPECT_EQ(view->Integer("Width"), 4);
  ASSERT_TRUE(view->Seek("knight"));
  EXPECT_EQ(view->Integer("Width"), 9);
  EXPECT_FALSE(view->Seek("Dragon"));
  EXPECT_TRUE(view->Eof());
  EXPECT_EQ(FailureNumber([&] { view->Integer("Width"); }), kErrNoCurrentRecord);
  view->MoveFirst();
  EXPECT_EQ(view->Text("Name"), "Coin");
}

TEST_F(CatalogStoreTest, FieldConversionsAndTheirFailures) {
  auto view = Table(
      "CREATE TABLE F (K INTEGER PRIMARY KEY, V);"
      "INSERT INTO F VALUES (1, 12), (2, '  &H1F'), (3, 2.5), (4, NULL), (5, 'abc'),"
      "(6, 3000000000), (7, 40000), (8, -32768), (9, ' -7 '), (10, '');",
      "F");
  auto at = [&](int key) -> TableView& {
    view->MoveFirst();
    while (view->Long("K") != key) view->MoveNext();
    return *view;
  };
  EXPECT_EQ(at(1).Long("V"), 12);
  EXPECT_EQ(at(1).Text("V"), "12");
  EXPECT_EQ(at(2).Long("V"), 31);
  EXPECT_EQ(at(2).Text("V"), "  &H1F");
  EXPECT_EQ(at(3).Long("V"), 2);  // halves round to even
  EXPECT_EQ(at(3).Text("V"), "2.5");
  EXPECT_TRUE(at(4).IsNull("V"));
  EXPECT_EQ(FailureNumber([&] { at(4).Text("V"); }), kErrInvalidNull);
  EXPECT_EQ(FailureNumber([&] { at(4).Long("V"); }), kErrInvalidNull);
  EXPECT_EQ(FailureNumber([&] { at(5).Long("V"); }), kErrTypeMismatch);
  EXPECT_EQ(FailureNumber([&] { at(6).Long("V"); }), kErrOverflow);
  EXPECT_EQ(FailureNumber([&] { at(7).Integer("V"); }), kErrOverflow);
  EXPECT_EQ(at(7).Long("V"), 40000);
  EXPECT_EQ(at(8).Integer("V"), -32768);
  EXPECT_EQ(at(9).Integer("V"), -7);
  EXPECT_EQ(FailureNumber([&] { at(10).Long("V"); }), kErrTypeMismatch);
  EXPECT_EQ(FailureNumber([&] { at(1).Text("Missing"); }), kErrNoSuchField);
}

// A failed field read keeps its classic description and number and says where
// it came from: the table, the row's name when it has one, and the field.
TEST_F(CatalogStoreTest, FailedReadsSayWhereTheyCameFrom) {
  auto view = Table(
      "CREATE TABLE SPRITE (Name TEXT PRIMARY KEY, Width, Palette);"
      "INSERT INTO SPRITE VALUES ('Gem', 'two', 99999999999), ('Orb', NULL, 1);",
      "SPRITE");
  auto description = [](auto&& read) {
    try {
      read();
    } catch (const Failure& failure) {
      return failure.Description();
    }
    return std::string("no failure");
  };
  ASSERT_TRUE(view->Seek("Gem"));
  EXPECT_EQ(description([&] { view->Integer("Width"); }), R"(Type mismatch (SPRITE "Gem", Width))");
  EXPECT_EQ(description([&] { view->Long("Palette"); }), R"(Overflow (SPRITE "Gem", Palette))");
  ASSERT_TRUE(view->Seek("Orb"));
  EXPECT_EQ(description([&] { view->Text("Width"); }), R"(Invalid use of Null (SPRITE "Orb", Width))");
  EXPECT_EQ(FailureNumber([&] { view->Text("Width"); }), kErrInvalidNull);
  EXPECT_FALSE(view->Seek("Nope"));
  EXPECT_EQ(description([&] { view->Long("Width"); }), "No current record. (SPRITE, Width)");

  auto games = Table("CREATE TABLE Games (ID); INSERT INTO Games VALUES (NULL);", "Games");
  EXPECT_EQ(description([&] { games->Text("ID"); }), "Invalid use of Null (Games, ID)");
}

TEST(CatalogTextToInteger, DecimalAndHexadecimalTexts) {
  EXPECT_EQ(TextToLong("  8192"), 8192);
  EXPECT_EQ(TextToLong("&h7fff"), 0x7FFF);
  EXPECT_EQ(TextToLong("&HFFFFFFFF"), -1);
  EXPECT_EQ(TextToInteger("-32768"), -32768);
  EXPECT_EQ(FailureNumber([] { TextToInteger("32768"); }), kErrOverflow);
  EXPECT_EQ(FailureNumber([] { TextToLong("&H100000000"); }), kErrOverflow);
  EXPECT_EQ(FailureNumber([] { TextToLong("99999999999999999999"); }), kErrOverflow);
  for (const char* bad : {"", "  ", "&H", "&HG1", "1,2", "1 2", "-", "0x10"})
    EXPECT_EQ(FailureNumber([&] { TextToLong(bad); }), kErrTypeMismatch) << '"' << bad << '"';
}

TEST_F(CatalogStoreTest, OpeningNeverCreatesADatabase) {
  std::string missing = dir.File("absent.mdb");
  EXPECT_EQ(FailureNumber([&] { Database::Open(missing); }), kErrCatalogNotFound);
  EXPECT_FALSE(std::filesystem::exists(missing));

  test::WriteBytes(dir.File("text.mdb"), {'n', 'o', 't', ' ', 'a', ' ', 'd', 'b'});
  EXPECT_EQ(FailureNumber([&] { Database::Open(dir.File("text.mdb")); }), kErrCatalogNotFound);

  SqlFile(dir.File("t.db")).Run("CREATE TABLE A (X);");
  auto db = Database::Open(dir.File("t.db"));
  EXPECT_EQ(FailureNumber([&] { db->OpenTable("B"); }), kErrNoSuchTable);

  // Missing game.mdb at start-up.
  EXPECT_EQ(FailureNumber([] { OpenCatalog(); }), kErrCatalogNotFound);
  EXPECT_FALSE(std::filesystem::exists(dir.File("game.mdb")));
}

TEST_F(CatalogStoreTest, GameDatabaseNamesWithWindowsSeparatorsResolve) {
  std::filesystem::create_directory(dir.Path() / "games");
  test::WriteGameDatabase(dir, "games/second.mdb",
                          "INSERT INTO NFO VALUES ('Second', 64, 50, 'me', 'hi');");
  OpenGameDatabase("games\\second.mdb");
  EXPECT_EQ(GameTableView(kNfo).Text("Name"), "Second");
  // Written on a system that ignores case.
  OpenGameDatabase("GAMES\\Second.MDB");
  EXPECT_EQ(GameTableView(kNfo).Long("Palette"), 64);
  EXPECT_NE(ResolveDataFile("games\\second.mdb").find("games/second.mdb"), std::string::npos);
}

TEST_F(CatalogStoreTest, AFailedGameOpenLeavesNoGameHalfOpen) {
  test::WriteGameDatabase(dir, "one.mdb", "INSERT INTO NFO VALUES ('One', 0, 0, '', '');");
  SqlFile(dir.File("broken.mdb")).Run("CREATE TABLE NFO (Name); CREATE TABLE HEAD (ID);");
  OpenGameDatabase("one.mdb");
  ASSERT_TRUE(G().GameDb);

  EXPECT_EQ(FailureNumber([] { OpenGameDatabase("broken.mdb"); }), kErrNoSuchTable);
  EXPECT_FALSE(G().GameDb);
  for (const auto& view : G().GameTables) EXPECT_FALSE(view);
  EXPECT_EQ(FailureNumber([] { GameTableView(kNfo); }), kErrObjectNotSet);

  EXPECT_EQ(FailureNumber([] { OpenGameDatabase("vanished.mdb"); }), kErrCatalogNotFound);
  EXPECT_FALSE(std::filesystem::exists(dir.File("vanished.mdb")));
}

}  // namespace
}  // namespace kerrow
