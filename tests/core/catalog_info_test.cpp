// The Game Information summary.
#include <gtest/gtest.h>

#include "catalog/GameInformation.h"
#include "catalog_TestCatalog.h"
#include "shell/bGlobals.h"

namespace kerrow {
namespace {

using test::ScratchDir;

class CatalogInfoTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetGlobals();
    G().DataPath = dir.Path().string() + "/";
  }
  void TearDown() override { ResetGlobals(); }
  ScratchDir dir;
};

TEST_F(CatalogInfoTest, EmptyWithoutAGame) {
  EXPECT_EQ(GameInformationText(), "");
}

TEST_F(CatalogInfoTest, CountsPlainAndCompressedSpritesAndAllHeadings) {
  test::WriteGameDatabase(dir, "g.mdb", R"(
    INSERT INTO NFO VALUES ('Foo', 0, 0, '', '');
    INSERT INTO HEAD VALUES (1, 'a'), (2, 'b'), (3, 'c'), (4, 'unused');
    INSERT INTO SPRITE (Name, Heading) VALUES ('s1', 1), ('s2', 1), ('s3', 7);
    INSERT INTO COMPRESSED (Name) VALUES ('c1'), ('c2');
  )");
  OpenGameDatabase("g.mdb");
  EXPECT_EQ(GameInformationText(),
            "Game Name: Foo\r\n\r\nTotal Sprites Defined: 5\r\nNumber of Sprite Headings: 4");
}

TEST_F(CatalogInfoTest, AStepThatFailsIsSkippedAlone) {
  test::WriteGameDatabase(dir, "g.mdb", "INSERT INTO SPRITE (Name) VALUES ('only');");
  OpenGameDatabase("g.mdb");  // NFO has no row: the name step fails
  EXPECT_EQ(GameInformationText(), "Total Sprites Defined: 1\r\nNumber of Sprite Headings: 0");

  G().GameTables[kCompressed].reset();
  EXPECT_EQ(GameInformationText(), "Number of Sprite Headings: 0");
}

}  // namespace
}  // namespace kerrow
