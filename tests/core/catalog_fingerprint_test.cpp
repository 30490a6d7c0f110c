// Telling ROMs with one serial apart: the fingerprint's text, what its
// comparison looks at, and which "Games" row identification picks.
#include <gtest/gtest.h>

#include "RomShapes.h"
#include "catalog/RomFingerprint.h"
#include "catalog/bIdentify.h"
#include "catalog_TestCatalog.h"

namespace kerrow {
namespace {

std::span<const std::uint8_t> Bytes(const std::vector<unsigned char>& rom) {
  return {rom.data(), rom.size()};
}

TEST(RomFingerprint, TextRoundTripsAndAnythingElseIsNoFingerprint) {
  auto rom = test::MakeShapedRom({});
  rom.resize(0x8800);  // a short last block
  const RomFingerprint made = FingerprintOf(Bytes(rom));
  ASSERT_EQ(made.Blocks.size(), 9u);
  const std::string text = FormatFingerprint(made);
  const auto read = ParseFingerprint(text);
  ASSERT_TRUE(read);
  EXPECT_EQ(read->Size, 0x8800);
  EXPECT_EQ(read->Blocks, made.Blocks);

  const std::vector<std::string> malformed = {"",
                                              "fp1:",
                                              "fp2" + text.substr(3),
                                              text.substr(0, text.size() - 1),
                                              text + "0",
                                              "fp1:-5:",
                                              "fp1:4096:0000000g",
                                              "fp1:4096",
                                              "fp1: 4096:00000000"};
  for (const std::string& bad : malformed) EXPECT_FALSE(ParseFingerprint(bad)) << bad;
}

TEST(RomFingerprint, ComparisonSkipsPaddingTheChecksumAndCataloguedBlocks) {
  const auto rom = test::MakeShapedRom({});
  const RomFingerprint recorded = FingerprintOf(Bytes(rom));
  // Code in blocks 0..31, tiles in 48, the palette in 50: the zero and 0xFF
  // padding of the other 94 blocks tells nothing and is not compared.
  const FingerprintAgreement same = CompareFingerprints(recorded, FingerprintOf(Bytes(rom)), {});
  EXPECT_EQ(same.Compared, 34);
  EXPECT_EQ(same.Agreeing, 34);

  auto edited = rom;
  edited[0x18E] ^= 0x5A;    // a checksum fixed after a save
  edited[0x30000] ^= 0xFF;  // a sprite tile saved
  std::vector<bool> skip(recorded.Blocks.size());
  skip[0x30000 / kFingerprintBlock] = true;
  EXPECT_EQ(CompareFingerprints(recorded, FingerprintOf(Bytes(edited)), skip).Percent(), 100);
  // Without knowing the sprite, its block disagrees.
  const auto unskipped = CompareFingerprints(recorded, FingerprintOf(Bytes(edited)), {});
  EXPECT_EQ(unskipped.Agreeing, unskipped.Compared - 1);

  // Bytes written into padding count: they are no longer padding.
  auto filled = rom;
  filled[0x50000] = 0x12;
  EXPECT_EQ(CompareFingerprints(recorded, FingerprintOf(Bytes(filled)), {}).Compared, 35);
  // A block only one image has disagrees, even padding.
  auto longer = rom;
  longer.resize(rom.size() + 2 * kFingerprintBlock, 0xFF);
  const auto grown = CompareFingerprints(recorded, FingerprintOf(Bytes(longer)), {});
  EXPECT_EQ(grown.Compared, 36);
  EXPECT_EQ(grown.Agreeing, 34);

  // Another build on the same toolchain shares only the startup code's block.
  const auto other = test::MakeShapedRom({.seed = 2, .title = "ANOTHER GAME"});
  const auto apart = CompareFingerprints(recorded, FingerprintOf(Bytes(other)), {});
  EXPECT_LE(apart.Agreeing, 2);
  EXPECT_FALSE(apart.Matches());
}

TEST(RomFingerprint, CataloguedBlocksAreThoseTheGameWritesInto) {
  test::ScratchDir dir;
  test::SqlFile(dir.File("g.mdb"))
      .Run(test::kGameTablesSql)
      .Run(
          "INSERT INTO NFO VALUES ('G', 20480, 0, '', '');"  // block 5
          "INSERT INTO HEAD VALUES (1, 'H');"
          // Tiles in blocks 1 and 2 (one straddles), a bad line passed over, context in 3.
          "INSERT INTO SPRITE VALUES ('A', 1, 0, 2, 2, '0,0,4096' || char(13,10) || "
          "'1,0,&H2FF0' || char(13,10) || 'junk' || char(13,10) || '0,1,x', '1,1,12288');"
          "INSERT INTO SPRITE VALUES ('B', 1, 28672, 1, 1, '0,0,99999999', '-1');"  // palette 7
          // A room from 0x9000 for 0x2001 bytes: blocks 9, 10 and 11.
          "INSERT INTO COMPRESSED VALUES ('C', 'S', 0, 1, 1, '0,0,0', '', 36864, 8193);"
          "INSERT INTO COMPRESSED VALUES ('D', 'S', NULL, 1, 1, '0,0,0', '', 61440, 10);");
  auto game = Database::Open(dir.File("g.mdb"));
  const std::vector<bool> blocks = CataloguedBlocks(*game, 16 * kFingerprintBlock);
  std::vector<int> marked;
  for (std::size_t b = 0; b < blocks.size(); ++b)
    if (blocks[b]) marked.push_back(static_cast<int>(b));
  // D's null palette makes its row unreadable: it is passed over whole.
  EXPECT_EQ(marked, (std::vector<int>{1, 2, 3, 5, 7, 9, 10, 11}));
}

// A "Games" view with fingerprints as the catalog would hold them.
TableView Games(const std::vector<std::pair<std::string, std::string>>& rows) {
  std::vector<std::vector<FieldValue>> cells;
  std::int64_t number = 1;
  for (const auto& [id, fingerprint] : rows) {
    FieldValue print = fingerprint.empty() ? FieldValue{} : FieldValue{fingerprint};
    cells.push_back({number, id, "game" + std::to_string(number) + ".mdb", print});
    ++number;
  }
  return TableView("Games", {"Number", "ID", "Database", "Fingerprint"}, std::move(cells));
}

TEST(RomIdentification, SerialFirstThenTheBestFingerprintThenTheFirstRowWithoutOne) {
  const auto first = test::MakeShapedRom({.seed = 1});
  const auto second = test::MakeShapedRom({.seed = 2});
  auto patched = first;
  std::fill(patched.begin() + 0x5000, patched.begin() + 0x5010, 0x4E);
  const auto serial = [](const std::vector<unsigned char>& rom) {
    return std::string(rom.begin() + kSerialOffset, rom.begin() + kSerialOffset + kSerialLength);
  };
  const auto print = [](const std::vector<unsigned char>& rom) {
    return FormatFingerprint(FingerprintOf(Bytes(rom)));
  };
  const std::string id = "00000000-00";
  const auto chosen = [&](TableView games, const std::vector<unsigned char>& rom) -> int {
    const RomIdentification found = IdentifyRomImage(games, serial(rom), Bytes(rom), "/nowhere/");
    if (!found.Chosen) {
      EXPECT_TRUE(games.Eof());
      return 0;
    }
    EXPECT_EQ(games.Text("Number"), std::to_string(found.Candidates[*found.Chosen].Row + 1));
    return found.Candidates[*found.Chosen].Row + 1;
  };

  const TableView two = Games({{id, print(first)}, {id, print(second)}});
  EXPECT_EQ(chosen(two, first), 1);
  EXPECT_EQ(chosen(two, second), 2);
  EXPECT_EQ(chosen(two, patched), 1);
  EXPECT_EQ(chosen(Games({{id, print(first)}}), second), 0);
  // Another serial never gets as far as the fingerprint.
  EXPECT_EQ(chosen(Games({{"00000000-01", print(first)}}), first), 0);
  // The closer fingerprint wins over the earlier row.
  EXPECT_EQ(chosen(Games({{id, print(patched)}, {id, print(first)}}), first), 2);
  // A row without a fingerprint keeps the serial rule, behind any matching fingerprint.
  EXPECT_EQ(chosen(Games({{id, print(second)}, {id, ""}}), first), 2);
  EXPECT_EQ(chosen(Games({{id, ""}, {id, print(first)}}), first), 2);
  EXPECT_EQ(chosen(Games({{"", ""}, {id, ""}}), first), 1);
  // A damaged fingerprint matches nothing rather than everything.
  EXPECT_EQ(chosen(Games({{id, "fp1:12:zz"}}), first), 0);
  // Catalogs made before fingerprints have no such field at all.
  TableView old("Games", {"Number", "ID", "Database"},
                std::vector<std::vector<FieldValue>>{{std::int64_t{1}, id, "a.mdb"}});
  EXPECT_EQ(chosen(old, second), 1);
}

}  // namespace
}  // namespace kerrow
