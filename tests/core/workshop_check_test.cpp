#include <gtest/gtest.h>

#include <algorithm>

#include "bridge/Binding.h"
#include "codec.h"
#include "workshop/CatalogCheck.h"
#include "workshop_TestRom.h"

namespace kerrow {
namespace {

using test::SqlFile;

constexpr std::size_t kRomSize = 0x4000;

// A ROM holding two compressed streams, and a catalog whose every kind of
// damage the check must name.
class CatalogCheckTest : public ::testing::Test {
 protected:
  void SetUp() override {
    G().DataPath = dir.Path().string() + "/";
    rom = test::MakeRom(kRomSize, {.serial = "GM CHECK-01"});
    std::vector<std::uint8_t> data(64);
    for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i * 3);
    stream = droven::Compress(data, droven::Mode::Plain);
    std::copy(stream.begin(), stream.end(), rom.begin() + kStream);
    // Zero bytes at the very end: a stream there runs out before its end marker.
    std::fill(rom.end() - 8, rom.end(), 0);
    test::WriteBytes(romPath(), rom);
    test::WriteGamesCatalog(dir,
                            "INSERT INTO Games VALUES (1, 'OTHER', 'other.mdb'), "
                            "(2, 'CHECK-01', 'check.mdb');");
  }
  void TearDown() override { ResetBindings(); }

  std::string romPath() const { return dir.File("rom.bin"); }

  // Writes the game database with the given rows; `tables` replaces the usual ones.
  void Game(const std::string& rows, const std::string& tables = test::kGameTablesSql) {
    SqlFile(dir.File("check.mdb")).Run(tables).Run(rows);
  }

  std::vector<std::string> Problems() { return CheckCatalog(romPath()).Problems; }

  static constexpr std::int64_t kStream = 0x1000;
  test::CoreFixtureGuard guard;
  test::ScratchDir dir;
  std::vector<unsigned char> rom;
  std::vector<std::uint8_t> stream;
};

// Whether one problem line mentions every part.
testing::AssertionResult Names(const std::vector<std::string>& problems,
                               std::initializer_list<std::string> parts) {
  for (const std::string& line : problems) {
    if (std::all_of(parts.begin(), parts.end(),
                    [&](const std::string& part) { return line.find(part) != std::string::npos; }))
      return testing::AssertionSuccess();
  }
  std::string all;
  for (const std::string& line : problems) all += "\n  " + line;
  return testing::AssertionFailure() << "no line names " << *parts.begin() << "... in:" << all;
}

TEST_F(CatalogCheckTest, ASoundCatalogHasNothingToReport) {
  const std::string streamText = std::to_string(kStream);
  Game(
      "INSERT INTO NFO VALUES ('Check', 512, 0, '', '');"
      "INSERT INTO HEAD VALUES (1, 'Heroes');"
      "INSERT INTO SPRITE VALUES ('A', 1, 0, 2, 1, '0,0,1024' || char(13,10) || '1,0,1056', '-1');"
      "INSERT INTO SPRITE VALUES ('B', 1, 544, 1, 1, '0,0,1088', '0,0,1024');"
      "INSERT INTO COMPRESSED VALUES ('C', 'Fx', 0, 2, 1, '0,0,0' || char(13,10) || '1,0,32', "
      "'', " +
      streamText + ", " + std::to_string(stream.size()) + ");");
  const CheckReport report = CheckCatalog(romPath());
  EXPECT_EQ(report.GameName, "Check");
  EXPECT_EQ(report.Problems, std::vector<std::string>{});
}

TEST_F(CatalogCheckTest, EveryKindOfDamageIsNamedWithItsTableAndRow) {
  const std::string at = std::to_string(kStream);
  const std::string length = std::to_string(stream.size());
  // No primary keys here, so that names can repeat as hand-made catalogs allow.
  const std::string tables =
      "CREATE TABLE NFO (Name, Palette, Completion, Author, Comment);"
      "CREATE TABLE HEAD (ID, Name);"
      "CREATE TABLE SPRITE (Name, Heading, Palette, Width, Height, White, Grey);"
      "CREATE TABLE COMPRESSED (Name, SubHead, Palette, Width, Height, White, Grey, Offset, "
      "MaxSize);";
  Game("INSERT INTO NFO VALUES ('Damaged', " + std::to_string(kRomSize - 20) +
           ", 0, '', '');"
           "INSERT INTO HEAD VALUES (1, 'Heroes');"
           "INSERT INTO SPRITE VALUES ('Unparsed', 1, 0, 1, 1, '0,0', '-1');"
           "INSERT INTO SPRITE VALUES ('Outside', 1, 0, 2, 1, '2,0,2048', '-1');"
           "INSERT INTO SPRITE VALUES ('PastEnd', 1, 0, 1, 1, '0,0," +
           std::to_string(kRomSize - 16) +
           "', '-1');"
           "INSERT INTO SPRITE VALUES ('BadPalette', 1, " +
           std::to_string(kRomSize - 2) +
           ", 1, 1, '0,0,2304', '-1');"
           "INSERT INTO SPRITE VALUES ('Left', 1, 0, 1, 1, '0,0,3072', '-1');"
           "INSERT INTO SPRITE VALUES ('Right', 1, 0, 1, 1, '0,0,3088', '-1');"
           "INSERT INTO SPRITE VALUES ('Orphan', 7, 0, 1, 1, '0,0,2560', '-1');"
           "INSERT INTO SPRITE VALUES ('Twice', 1, 0, 1, 1, '0,0,2600', '-1');"
           "INSERT INTO SPRITE VALUES ('Twice', 1, 0, 1, 1, '0,0,2640', '-1');"
           "INSERT INTO SPRITE VALUES ('GreyBad', 1, 0, 1, 1, '0,0,2700', '0,5,2700');"
           "INSERT INTO COMPRESSED VALUES ('NoStream', 'Fx', 0, 1, 1, '0,0,0', '', " +
           std::to_string(kRomSize - 8) +
           ", 8);"
           "INSERT INTO COMPRESSED VALUES ('TooShort', 'Fx', 0, 1, 1, '0,0,64', '', " +
           at + ", " + length +
           ");"
           "INSERT INTO COMPRESSED VALUES ('TooLong', 'Fx', 0, 1, 1, '0,0,0', '', " +
           at +
           ", 2);"
           "INSERT INTO COMPRESSED VALUES ('Twice', 'Fx', 0, 1, 1, '0,0,0', '', 90000, 100);",
       tables);
  const auto problems = Problems();
  EXPECT_TRUE(Names(problems, {"SPRITE \"Unparsed\"", "White line 1 does not parse"}));
  EXPECT_TRUE(Names(problems, {"SPRITE \"Outside\"", "White line 1", "outside the 2x1 sprite"}));
  EXPECT_TRUE(Names(problems, {"SPRITE \"PastEnd\"", "past the end of the ROM"}));
  EXPECT_TRUE(Names(problems, {"SPRITE \"BadPalette\"", "palette", "past the end"}));
  EXPECT_TRUE(Names(problems, {"NFO \"Damaged\"", "palette", "past the end"}));
  EXPECT_TRUE(Names(problems, {"SPRITE \"Left\"", "same ROM bytes", "SPRITE \"Right\""}));
  EXPECT_TRUE(Names(problems, {"SPRITE \"Orphan\"", "heading 7 does not exist"}));
  EXPECT_TRUE(Names(problems, {"SPRITE \"Twice\"", "used by an earlier row"}));
  EXPECT_TRUE(Names(problems, {"COMPRESSED \"Twice\"", "also a sprite of SPRITE"}));
  EXPECT_TRUE(Names(problems, {"SPRITE \"GreyBad\"", "Grey line 1", "outside"}));
  EXPECT_TRUE(Names(problems, {"COMPRESSED \"NoStream\"", "does not decode"}));
  EXPECT_TRUE(Names(problems, {"COMPRESSED \"TooShort\"", "decodes to 64 bytes", "need 96"}));
  EXPECT_TRUE(Names(problems, {"COMPRESSED \"TooLong\"", length + " bytes long", "MaxSize of 2"}));
  EXPECT_TRUE(Names(problems, {"COMPRESSED \"Twice\"", "Offset", "outside the ROM"}));
  // "TooShort" and "TooLong" share one stream's bytes and write them both.
  EXPECT_TRUE(
      Names(problems, {"COMPRESSED \"TooShort\"", "same ROM bytes", "COMPRESSED \"TooLong\""}));
  EXPECT_EQ(problems.size(), 15u) << testing::PrintToString(problems);
}

TEST_F(CatalogCheckTest, MissingTablesAndFieldsAreReported) {
  Game("INSERT INTO NFO VALUES ('Partial', 512, 0, '', '');",
       "CREATE TABLE NFO (Name, Palette, Completion, Author, Comment);"
       "CREATE TABLE HEAD (ID, Name);"
       "CREATE TABLE SPRITE (Name, Heading, Palette, Width, Height, White);");
  const auto problems = Problems();
  EXPECT_TRUE(Names(problems, {"SPRITE", "field \"Grey\" is missing"}));
  EXPECT_TRUE(Names(problems, {"COMPRESSED", "table is missing"}));
  EXPECT_EQ(problems.size(), 2u) << testing::PrintToString(problems);
}

TEST_F(CatalogCheckTest, ACheckThatCannotRunSaysWhy) {
  Game("INSERT INTO NFO VALUES ('Check', 512, 0, '', '');");
  EXPECT_THROW(CheckCatalog(dir.File("missing.bin")), CheckImpossible);
  test::WriteBytes(dir.File("unknown.bin"), test::MakeRom(0x400, {.serial = "GM NOBODY"}));
  EXPECT_THROW(CheckCatalog(dir.File("unknown.bin")), CheckImpossible);
  std::filesystem::remove(dir.File("check.mdb"));
  EXPECT_THROW(CheckCatalog(romPath()), CheckImpossible);
}

TEST_F(CatalogCheckTest, NegativeOffsetsAreShownAsTheNumbersTyped) {
  Game(
      "INSERT INTO NFO VALUES ('Negative', 512, 0, '', ''); INSERT INTO HEAD VALUES (1, 'H');"
      "INSERT INTO SPRITE VALUES ('NegPalette', 1, -16, 1, 1, '0,0,2048', '-1');"
      "INSERT INTO COMPRESSED VALUES ('NegOffset', 'Fx', 0, 1, 1, '0,0,0', '', -16, 8);");
  const auto problems = Problems();
  EXPECT_TRUE(Names(problems, {"SPRITE \"NegPalette\"", "palette at -0x10 is before the start"}));
  EXPECT_TRUE(Names(problems, {"COMPRESSED \"NegOffset\"", "Offset -0x10", "outside the ROM"}));
  for (const std::string& line : problems)
    EXPECT_EQ(line.find("FFFFFFFF"), std::string::npos) << line;
}

TEST(CatalogCheckDemo, TheDemoCatalogsAreClean) {
  test::CoreFixtureGuard guard;
  G().DataPath = test::TestBinDir() + "/";
  for (const char* rom : {"demo.bin", "demo2.bin"}) {
    const CheckReport report = CheckCatalog(G().DataPath + rom);
    EXPECT_EQ(report.Problems, std::vector<std::string>{}) << rom;
    EXPECT_FALSE(report.GameName.empty());
  }
  ResetBindings();
}

}  // namespace
}  // namespace kerrow
