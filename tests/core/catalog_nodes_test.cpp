// The sprite tree's node list built from a game's tables.
#include <gtest/gtest.h>

#include "catalog/bTreeViewHandle.h"
#include "catalog_TestCatalog.h"
#include "shell/bGlobals.h"

namespace kerrow {

void PrintTo(const TreeNode& node, std::ostream* out) {
  *out << "{" << node.Key << ", " << node.Text << ", " << node.Image << ", " << node.ParentKey
       << "}";
}

namespace {

using test::FailureNumber;
using test::ScratchDir;

class CatalogNodesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetGlobals();
    G().DataPath = dir.Path().string() + "/";
  }
  void TearDown() override { ResetGlobals(); }

  std::vector<TreeNode> Build(const std::string& rowsSql, const std::string& tablesSql = "") {
    if (tablesSql.empty()) {
      test::WriteGameDatabase(dir, "game.db", rowsSql);
    } else {
      test::SqlFile(dir.File("game.db")).Run(tablesSql).Run(rowsSql);
    }
    OpenGameDatabase("game.db");
    return BuildSpriteNodes();
  }

  ScratchDir dir;
};

TEST_F(CatalogNodesTest, KeysTextsImagesParentsInTableOrder) {
  auto nodes = Build(R"(
    INSERT INTO HEAD VALUES (2, 'Items'), (1, 'Heroes'), (3, 'Empty');
    INSERT INTO SPRITE (Name, Heading) VALUES ('Knight', 1), ('Coin', 2), ('Archer', 1),
                                              ('Lost', 9);
    INSERT INTO COMPRESSED (Name, SubHead) VALUES ('Smoke', 'Effects'), ('Logo', 'Title'),
                                                  ('Spark', 'Effects');
  )");
  std::vector<TreeNode> expected = {
      {"TVRLHEAD_1", "Heroes", 1, ""},
      {"TVRLHEAD_2", "Items", 1, ""},
      {"TVRLHEAD_3", "Empty", 1, ""},
      {"TVRLCHILD_Archer", "Archer", 2, "TVRLHEAD_1"},
      {"TVRLCHILD_Coin", "Coin", 2, "TVRLHEAD_2"},
      {"TVRLCHILD_Knight", "Knight", 2, "TVRLHEAD_1"},
      {"TVRLHEADCOMP", "Compressed", 1, ""},
      {"TVRLHEADCOMP_Title", "Title", 1, "TVRLHEADCOMP"},  // "Logo" comes first
      {"TVRLHEADCOMP_Effects", "Effects", 1, "TVRLHEADCOMP"},
      {"TVRLHEADCOMPCHILD_Logo", "Logo", 2, "TVRLHEADCOMP_Title"},
      {"TVRLHEADCOMPCHILD_Smoke", "Smoke", 2, "TVRLHEADCOMP_Effects"},
      {"TVRLHEADCOMPCHILD_Spark", "Spark", 2, "TVRLHEADCOMP_Effects"},
  };
  EXPECT_EQ(nodes, expected);

  // The views are left on their first rows for the commands that follow.
  EXPECT_EQ(GameTableView(kHead).Text("Name"), "Heroes");
  EXPECT_EQ(GameTableView(kSprite).Text("Name"), "Archer");
  EXPECT_EQ(GameTableView(kCompressed).Text("Name"), "Logo");
}

TEST_F(CatalogNodesTest, EmptyCompressedTableStillGivesItsGroup) {
  auto nodes = Build("INSERT INTO HEAD VALUES (1, 'Only');");
  std::vector<TreeNode> expected = {{"TVRLHEAD_1", "Only", 1, ""},
                                    {"TVRLHEADCOMP", "Compressed", 1, ""}};
  EXPECT_EQ(nodes, expected);
}

TEST_F(CatalogNodesTest, DuplicateKeysAndUnreadableRowsAreLeftOut) {
  // Tables without a key keep their insertion order. Heading IDs that repeat,
  // null fields and a heading keyed like the compressed group: each bad node is
  // dropped, the rest stay.
  auto nodes = Build(
      R"(
    INSERT INTO HEAD VALUES ('B', 'First B'), ('A', NULL), ('B', 'Second B'), (NULL, 'x'),
                            ('COMP', 'Comp');
    INSERT INTO SPRITE VALUES ('x', 'B'), ('y', NULL), (NULL, 'B'), ('z', 'A'), ('x', 'COMP');
    INSERT INTO COMPRESSED VALUES ('p', NULL), ('q', 'S'), ('r', 'S');
  )",
      R"(
    CREATE TABLE NFO (Name);
    CREATE TABLE HEAD (ID, Name);
    CREATE TABLE SPRITE (Name, Heading);
    CREATE TABLE COMPRESSED (Name, SubHead);
  )");
  std::vector<TreeNode> expected = {
      {"TVRLHEAD_B", "First B", 1, ""},
      {"TVRLHEAD_COMP", "Comp", 1, ""},
      {"TVRLCHILD_x", "x", 2, "TVRLHEAD_B"},
      {"TVRLHEADCOMP", "Compressed", 1, ""},
      {"TVRLHEADCOMP_S", "S", 1, "TVRLHEADCOMP"},
      {"TVRLHEADCOMPCHILD_q", "q", 2, "TVRLHEADCOMP_S"},
      {"TVRLHEADCOMPCHILD_r", "r", 2, "TVRLHEADCOMP_S"},
  };
  EXPECT_EQ(nodes, expected);
  EXPECT_EQ(GameTableView(kSprite).Text("Name"), "x");
}

TEST_F(CatalogNodesTest, ATableLackingAFieldLosesOnlyItsOwnNodes) {
  auto nodes = Build(
      "INSERT INTO HEAD VALUES (1, 'H'); INSERT INTO SPRITE VALUES ('s', 1);"
      "INSERT INTO COMPRESSED VALUES ('c');",
      "CREATE TABLE NFO (Name); CREATE TABLE HEAD (ID, Name);"
      "CREATE TABLE SPRITE (Name, Heading); CREATE TABLE COMPRESSED (Name);");
  std::vector<TreeNode> expected = {{"TVRLHEAD_1", "H", 1, ""},
                                    {"TVRLCHILD_s", "s", 2, "TVRLHEAD_1"},
                                    {"TVRLHEADCOMP", "Compressed", 1, ""}};
  EXPECT_EQ(nodes, expected);
}

// Every fault is described once with its table, row and field; the silent
// rules (duplicate keys, a missing heading) add nothing.
TEST_F(CatalogNodesTest, FaultsAreDescribedOnceWhileTheSilentRulesStaySilent) {
  std::vector<std::string> faults;
  Build("INSERT INTO HEAD VALUES (1, 'H'), (2, NULL);"
        "INSERT INTO SPRITE (Name, Heading) VALUES ('s', 1), ('t', NULL), ('s2', 9);"
        "INSERT INTO COMPRESSED (Name, SubHead) VALUES ('c', NULL), ('d', 'D'), ('e', 'D');");
  BuildSpriteNodes(&faults);
  EXPECT_EQ(faults, (std::vector<std::string>{
                        R"(Invalid use of Null (HEAD, Name))",
                        R"(Invalid use of Null (SPRITE "t", Heading))",
                        R"(Invalid use of Null (COMPRESSED "c", SubHead))",
                    }));

  // "HEAD" without "Name": the whole pass is named once, not once per row.
  faults.clear();
  auto nodes = Build("INSERT INTO HEAD VALUES (1), (2); INSERT INTO SPRITE VALUES ('s', 1);",
                     "CREATE TABLE NFO (Name); CREATE TABLE HEAD (ID);"
                     "CREATE TABLE SPRITE (Name, Heading); CREATE TABLE COMPRESSED (Name, SubHead);");
  BuildSpriteNodes(&faults);
  ASSERT_EQ(faults.size(), 1u);
  EXPECT_NE(faults[0].find("HEAD.Name"), std::string::npos) << faults[0];
  EXPECT_EQ(nodes, (std::vector<TreeNode>{{"TVRLHEADCOMP", "Compressed", 1, ""}}));

  faults.clear();
  Build("INSERT INTO HEAD VALUES (1, 'H'); INSERT INTO SPRITE (Name, Heading) VALUES "
        "('s', 1), ('lost', 7); INSERT INTO COMPRESSED (Name, SubHead) VALUES ('d', 'D'), "
        "('e', 'D'), ('D', 'D');");
  BuildSpriteNodes(&faults);
  EXPECT_TRUE(faults.empty());
}

TEST(CatalogNodeList, RulesOfAddingNodes) {
  NodeList list;
  EXPECT_TRUE(list.AddRootNode("Top", "K1", 1));
  EXPECT_FALSE(list.AddRootNode("Again", "K1", 1));
  EXPECT_FALSE(list.AddChildNode("K9", "Orphan", "K2", 2));
  EXPECT_TRUE(list.AddChildNode("K1", "Child", "K2", 2));
  EXPECT_FALSE(list.AddChildNode("K1", "Twin", "K2", 2));
  EXPECT_TRUE(list.AddChildNode("K2", "Grandchild", "K3", 2));
  EXPECT_EQ(list.Nodes().size(), 3u);
  EXPECT_EQ(list.Nodes()[2].ParentKey, "K2");
}

TEST(CatalogNodeList, NoGameOpenIsAFailure) {
  ResetGlobals();
  EXPECT_EQ(FailureNumber([] { BuildSpriteNodes(); }), kErrObjectNotSet);
}

}  // namespace
}  // namespace kerrow
