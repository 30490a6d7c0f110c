#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <map>

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

// Rows writing the same bytes are one problem per group, whatever its size.
TEST_F(CatalogCheckTest, RowsSharingBytesAreOneLinePerGroup) {
  std::string rows =
      "INSERT INTO NFO VALUES ('Piles', -2, 0, '', ''); INSERT INTO HEAD VALUES (1, 'H');"
      // A chain: A meets B, B meets C, A and C share nothing.
      "INSERT INTO SPRITE VALUES ('A', 1, -1, 1, 1, '0,0,2048', '-1');"
      "INSERT INTO SPRITE VALUES ('B', 1, 0, 2, 1, '0,0,2064' || char(13,10) || '1,0,2096', '-1');"
      // Touching B's last tile without sharing a byte, and listing one tile twice.
      "INSERT INTO SPRITE VALUES ('D', 1, 0, 2, 1, '0,0,2144' || char(13,10) || '1,0,2144', '-1');"
      "INSERT INTO SPRITE VALUES ('C', 1, 0, 1, 1, '0,0,2112', '-1');";
  // 3000 rows on one tile.
  rows += "BEGIN;";
  for (int i = 0; i < 3000; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "P%04d", i);
    rows += std::string("INSERT INTO SPRITE VALUES ('") + name + "', 1, 0, 1, 1, '0,0,4096', '-1');";
  }
  rows += "COMMIT;";
  Game(rows);
  const auto problems = Problems();
  ASSERT_EQ(problems.size(), 4u) << testing::PrintToString(problems);
  EXPECT_EQ(problems[0], "NFO \"Piles\": the palette at -0x2 is before the start of the ROM");
  EXPECT_EQ(problems[1], "SPRITE \"A\": the palette at -0x1 is before the start of the ROM");
  EXPECT_EQ(problems[2],
            "SPRITE \"A\": writes the same ROM bytes as SPRITE \"B\" and SPRITE \"C\" (at 0x810)");
  EXPECT_EQ(problems[3],
            "SPRITE \"P0000\": writes the same ROM bytes as SPRITE \"P0001\", SPRITE \"P0002\", "
            "SPRITE \"P0003\", SPRITE \"P0004\", SPRITE \"P0005\", SPRITE \"P0006\", "
            "SPRITE \"P0007\", SPRITE \"P0008\" and 2991 more rows (at 0x1000)");
}

// Groups checked against every pair of rows compared by hand: random tiles
// (32 bytes) and compressed rooms (any length) on a small stretch of the ROM.
TEST_F(CatalogCheckTest, GroupsAreExactlyTheRowsJoinedBySharedBytes) {
  struct Row {
    std::vector<std::pair<std::int64_t, std::int64_t>> ranges;
  };
  std::vector<Row> rows(120);
  std::uint32_t seed = 12345;
  auto next = [&](std::uint32_t below) {
    seed = seed * 1103515245u + 12345u;
    return (seed >> 8) % below;
  };
  std::string sql =
      "BEGIN; INSERT INTO NFO VALUES ('Random', 512, 0, '', ''); INSERT INTO HEAD VALUES (1, 'H');";
  for (std::size_t r = 0; r < rows.size(); ++r) {
    char name[32];
    std::snprintf(name, sizeof name, "R%03zu", r);
    std::string white;
    const std::uint32_t tiles = 1 + next(3);
    for (std::uint32_t t = 0; t < tiles; ++t) {
      const std::int64_t at = 0x800 + next(0x2000);
      rows[r].ranges.push_back({at, at + 32});
      white += (t ? "' || char(13,10) || '" : "") + std::to_string(t) + ",0," + std::to_string(at);
    }
    sql += std::string("INSERT INTO SPRITE VALUES ('") + name + "', 1, 0, " +
           std::to_string(tiles) + ", 1, '" + white + "', '-1');";
  }
  Game(sql + "COMMIT;");
  const auto problems = Problems();

  // Components by brute force over every pair, each with its first shared byte.
  std::vector<std::size_t> group(rows.size());
  for (std::size_t i = 0; i < rows.size(); ++i) group[i] = i;
  std::map<std::size_t, std::int64_t> first;
  for (std::size_t a = 0; a < rows.size(); ++a)
    for (std::size_t b = a + 1; b < rows.size(); ++b)
      for (const auto& [aStart, aEnd] : rows[a].ranges)
        for (const auto& [bStart, bEnd] : rows[b].ranges) {
          if (aStart >= bEnd || bStart >= aEnd) continue;
          const std::size_t from = group[b], to = group[a];
          for (std::size_t& g : group)
            if (g == from) g = to;
          const std::int64_t shared = std::max(aStart, bStart);
          std::int64_t earliest = shared;
          for (const std::size_t old : {from, to})
            if (first.contains(old)) earliest = std::min(earliest, first[old]);
          first.erase(from);
          first[to] = earliest;
        }
  std::map<std::size_t, std::vector<std::size_t>> members;
  for (std::size_t i = 0; i < rows.size(); ++i) members[group[i]].push_back(i);
  std::size_t expectedLines = 0;
  for (const auto& [root, list] : members) {
    if (list.size() < 2) continue;
    ++expectedLines;
    char head[64];
    std::snprintf(head, sizeof head, "SPRITE \"R%03zu\": writes the same ROM bytes as ", list[0]);
    const auto line = std::find_if(problems.begin(), problems.end(), [&](const std::string& p) {
      return p.rfind(head, 0) == 0;
    });
    ASSERT_NE(line, problems.end()) << head << testing::PrintToString(problems);
    for (std::size_t k = 1; k < list.size() && k <= 8; ++k) {
      char name[32];
      std::snprintf(name, sizeof name, "\"R%03zu\"", list[k]);
      EXPECT_NE(line->find(name), std::string::npos) << *line;
    }
    if (list.size() > 9) {
      EXPECT_NE(line->find("and " + std::to_string(list.size() - 9) + " more rows"),
                std::string::npos)
          << *line;
    }
    char at[32];
    std::snprintf(at, sizeof at, "(at 0x%llX)", static_cast<long long>(first[root]));
    EXPECT_NE(line->find(at), std::string::npos) << *line;
  }
  EXPECT_GT(expectedLines, 3u);  // the sample must hold several groups
  EXPECT_EQ(problems.size(), expectedLines) << testing::PrintToString(problems);
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
