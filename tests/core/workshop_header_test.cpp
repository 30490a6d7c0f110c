#include <gtest/gtest.h>

#include "shell/bGlobals.h"
#include "workshop/RomHeader.h"
#include "workshop/WorkshopCommands.h"
#include "workshop_TestRom.h"

namespace kerrow {
namespace {

using test::MakeRom;

std::span<const std::uint8_t> Bytes(const std::vector<unsigned char>& rom) {
  return {rom.data(), rom.size()};
}

TEST(RomHeaderText, FieldsAreReadTrimmedFromAFullHeader) {
  const auto rom = MakeRom(0x400, {.console = "SEGA GENESIS",
                                   .domestic = "  CENTRED TITLE  ",
                                   .overseas = "OVERSEAS NAME",
                                   .serial = "GM 00054321-01",
                                   .region = "U"});
  const RomHeader header = ParseRomHeader(Bytes(rom));
  EXPECT_EQ(header.ConsoleName, "SEGA GENESIS");
  EXPECT_EQ(header.DomesticTitle, "  CENTRED TITLE");  // leading blanks kept, padding trimmed
  EXPECT_EQ(header.OverseasTitle, "OVERSEAS NAME");
  EXPECT_EQ(header.Serial, "GM 00054321-01");
  EXPECT_EQ(header.Region, "U");
  EXPECT_EQ(header.RomEnd, 0x3FFu);
  EXPECT_EQ(CatalogIdFromImage(Bytes(rom)), "00054321-01");
  EXPECT_EQ(GameNameFromImage(Bytes(rom)), "OVERSEAS NAME");
  // Without an overseas title the domestic one names the game, without its blanks.
  const auto domesticOnly = MakeRom(0x400, {.domestic = "  ONLY HOME", .overseas = ""});
  EXPECT_EQ(GameNameFromImage(Bytes(domesticOnly)), "ONLY HOME");
}

TEST(RomHeaderText, SerialIdStopsBeforeTheChecksumAndDropsBlanksAndNuls) {
  auto rom = MakeRom(0x400, {.serial = "GM AB12"});
  EXPECT_EQ(CatalogIdFromImage(Bytes(rom)), "AB12");
  // NUL padding and a checksum that changes: the ID stays the same.
  for (int i = 0x187; i < 0x18E; ++i) rom[i] = 0;
  rom[0x18E] = 'X';
  rom[0x18F] = 'Y';
  EXPECT_EQ(CatalogIdFromImage(Bytes(rom)), "AB12");
  // A serial filling its field gives 11 characters, never the checksum bytes.
  rom = MakeRom(0x400, {.serial = "GM 12345678-99"});
  EXPECT_EQ(CatalogIdFromImage(Bytes(rom)), "12345678-99");
}

TEST(RomHeaderText, ShortFilesReadWhatIsThere) {
  const auto full = MakeRom(0x400, {.serial = "GM SHORT-1"});
  // Cut inside the serial: the missing characters are absent, not garbage.
  std::vector<unsigned char> cut(full.begin(), full.begin() + 0x186);
  EXPECT_EQ(CatalogIdFromImage(Bytes(cut)), "SHO");
  const RomHeader header = ParseRomHeader(Bytes(cut));
  EXPECT_FALSE(header.StoredChecksum.has_value());
  EXPECT_EQ(header.OverseasTitle, "WORKSHOP TEST CART");
  EXPECT_EQ(header.Region, "");
  EXPECT_EQ(header.ComputedChecksum, 0);
  EXPECT_EQ(CatalogIdFromImage({}), "");
  // Control bytes inside a title show as blanks.
  auto controls = MakeRom(0x400, {.overseas = std::string("A\x01"
                                                          "B")});
  EXPECT_EQ(ParseRomHeader(Bytes(controls)).OverseasTitle, "A B");
}

TEST(RomChecksum, EvenAndOddLengthsMatchAnIndependentSum) {
  for (std::size_t size : {0x200u, 0x201u, 0x202u, 0x203u, 0x1000u, 0x1001u, 0x12345u}) {
    const auto rom = MakeRom(size);
    EXPECT_EQ(ComputeChecksum(Bytes(rom)), test::IndependentSum(rom)) << size;
  }
  // The last odd byte is a high byte: 0x200 bytes of header, then AB.
  std::vector<unsigned char> odd(0x201, 0);
  odd[0x200] = 0xAB;
  EXPECT_EQ(ComputeChecksum(Bytes(odd)), 0xAB00);
  // The sum wraps at 16 bits.
  std::vector<unsigned char> wrap(0x200 + 4, 0);
  wrap[0x200] = wrap[0x201] = wrap[0x202] = wrap[0x203] = 0xFF;
  EXPECT_EQ(ComputeChecksum(Bytes(wrap)), 0xFFFE);
}

TEST(RomChecksum, FixWritesOnlyTheTwoChecksumBytes) {
  test::ScratchDir dir;
  const std::string path = dir.File("rom.bin");
  const auto before = MakeRom(0x2001, {}, 0x1234);
  test::WriteBytes(path, before);
  RomHeader header = ReadRomHeader(path);
  ASSERT_TRUE(header.StoredChecksum);
  EXPECT_EQ(*header.StoredChecksum, 0x1234);
  EXPECT_FALSE(header.ChecksumMatches());

  header = FixChecksum(path);
  EXPECT_TRUE(header.ChecksumMatches());
  const auto after = test::ReadBytes(path);
  ASSERT_EQ(after.size(), before.size());
  const std::uint16_t sum = test::IndependentSum(before);
  for (std::size_t i = 0; i < after.size(); ++i) {
    if (i == 0x18E)
      EXPECT_EQ(after[i], sum >> 8);
    else if (i == 0x18F)
      EXPECT_EQ(after[i], sum & 0xFF);
    else
      ASSERT_EQ(after[i], before[i]) << i;
  }
  // A second fix changes nothing.
  FixChecksum(path);
  EXPECT_EQ(test::ReadBytes(path), after);
}

TEST(RomChecksum, AFileTooShortForTheChecksumIsNotGrown) {
  test::ScratchDir dir;
  const std::string path = dir.File("tiny.bin");
  const std::vector<unsigned char> tiny(0x18F, 0x11);
  test::WriteBytes(path, tiny);
  EXPECT_ANY_THROW(FixChecksum(path));
  EXPECT_EQ(test::ReadBytes(path), tiny);
}

TEST(RomChecksum, FixChecksumOnAFileTooShortSaysSoWithoutAsking) {
  test::CoreFixtureGuard guard;
  test::ScratchDir dir;
  const std::string path = dir.File("tiny.bin");
  const std::vector<unsigned char> tiny(0x100, 0x22);
  test::WriteBytes(path, tiny);
  G().RomPath = path;
  guard.dialogs.answers.push_back(MsgAnswer::Yes);  // for a needless question, were one asked
  FixChecksumCommand();
  ASSERT_EQ(guard.dialogs.shown.size(), 1u);
  EXPECT_NE(guard.dialogs.shown[0].text.find("too short"), std::string::npos)
      << guard.dialogs.shown[0].text;
  EXPECT_EQ(guard.dialogs.shown[0].buttons, MsgButtons::Ok);
  EXPECT_EQ(test::ReadBytes(path), tiny);
}

}  // namespace
}  // namespace kerrow
