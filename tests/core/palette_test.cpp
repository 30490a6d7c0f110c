#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "ReadOnlyFile.h"
#include "editing/bPal.h"
#include "graphics_TestSprite.h"

namespace kerrow {
namespace {

constexpr DisplayColour Rgb(std::uint32_t r, std::uint32_t g, std::uint32_t b) {
  return r + 256 * g + 65536 * b;
}

class Palette : public ::testing::Test {
 protected:
  static constexpr std::int32_t kP = 100;
  Palette() {
    rom = test::PatternBytes(200);
    // Entry 1 = 0E EE, entry 2 = 00 0E, entry 3 = 0F FF.
    const unsigned char words[] = {0x0E, 0xEE, 0x00, 0x0E, 0x0F, 0xFF};
    std::copy(std::begin(words), std::end(words), rom.begin() + kP + 2);
    test::WriteBytes(path(), rom);
    G().RomPath = path();
  }
  std::string path() const { return dir.File("rom.bin"); }

  test::CoreFixtureGuard guard;
  test::ScratchDir dir;
  std::vector<unsigned char> rom;
};

TEST_F(Palette, LoadReadsEntriesOneToFifteenFromPPlusTwo) {
  auto& entries = G().Palette.Entries;
  entries[0].Colour = Rgb(1, 2, 3);
  LoadPalette(path(), kP);
  EXPECT_EQ(entries[0].Colour, Rgb(1, 2, 3));
  EXPECT_EQ(entries[1].Colour, Rgb(224, 224, 224));
  EXPECT_EQ(entries[1].StoredBytes, "14 238");
  EXPECT_EQ(entries[1].Tooltip, "E0E0E0");
  EXPECT_EQ(entries[2].Colour, Rgb(224, 0, 0));
  EXPECT_EQ(entries[2].Tooltip, "E0");
  EXPECT_EQ(entries[3].Colour, 0u);
  EXPECT_EQ(entries[3].StoredBytes, "15 255");
  EXPECT_EQ(entries[3].Tooltip, "0");
  unsigned b1 = rom[kP + 30], b2 = rom[kP + 31];
  EXPECT_EQ(entries[15].StoredBytes, std::to_string(b1) + " " + std::to_string(b2));
  EXPECT_EQ(entries[0].Tooltip, kBackgroundEntryTooltip);
  EXPECT_EQ(G().PaletteOffset, kP + 3);
  EXPECT_EQ(G().PaletteRomPath, path());
  EXPECT_FALSE(G().PaletteDirty);
}

TEST_F(Palette, ReadOnlyRomLoadsAndShortRomChangesNothing) {
  ASSERT_EQ(chmod(path().c_str(), 0444), 0);
  LoadPalette(path(), kP);
  EXPECT_EQ(G().Palette.Entries[1].StoredBytes, "14 238");
  // A running program cannot be opened for writing, not even by root: loading
  // from it proves the load opens read-only.
  std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
  LoadPalette(self, 0);
  EXPECT_EQ(G().PaletteRomPath, self);
  LoadPalette(path(), kP);

  PaletteStrip before = G().Palette;
  try {
    LoadPalette(path(), 200 - 31);  // block ends one byte past the file
    ADD_FAILURE();
  } catch (const Failure& failure) {
    EXPECT_EQ(failure.Number(), kErrPastEndOfFile);
  }
  for (int i = 0; i < 16; ++i)
    EXPECT_EQ(G().Palette.Entries[i].StoredBytes, before.Entries[i].StoredBytes);
  EXPECT_EQ(G().PaletteOffset, kP + 3);
  EXPECT_THROW(LoadPalette(dir.File("absent.bin"), 0), Failure);
}

TEST_F(Palette, SaveWritesExactlyThirtyBytesIntoThePalettesOwnRom) {
  LoadPalette(path(), kP);
  G().Palette.Entries[0].Colour = Rgb(255, 130, 31);
  ASSERT_TRUE(EditPaletteEntry(0, Rgb(255, 130, 31)));
  ASSERT_TRUE(EditPaletteEntry(5, Rgb(255, 130, 31)));
  EXPECT_TRUE(G().PaletteDirty);
  // While another ROM is open the palette is written nowhere: the refusal
  // names the ROM the palette came from, and the change stays unsaved.
  auto other = test::PatternBytes(200, 3);
  test::WriteBytes(dir.File("other.bin"), other);
  G().RomPath = dir.File("other.bin");
  SavePalette();
  EXPECT_TRUE(G().PaletteDirty);
  EXPECT_EQ(test::ReadBytes(dir.File("other.bin")), other);
  EXPECT_EQ(test::ReadBytes(path()), rom);
  ASSERT_EQ(guard.dialogs.shown.size(), 1u);
  EXPECT_NE(guard.dialogs.shown[0].text.find("came from " + path()), std::string::npos)
      << guard.dialogs.shown[0].text;

  G().RomPath = path();
  SavePalette();
  EXPECT_FALSE(G().PaletteDirty);
  auto after = test::ReadBytes(path());
  std::vector<unsigned char> expected = rom;
  expected[kP + 10] = 0x00;
  expected[kP + 11] = 0x8E;
  EXPECT_EQ(after, expected);  // P and P+1 (entry 0) untouched, length kept

  // Saving unchanged entries rewrites the same bytes.
  SavePalette();
  EXPECT_EQ(test::ReadBytes(path()), expected);
}

TEST_F(Palette, SaveRefusesBlocksPastTheEndAndUnloadedPalettes) {
  EXPECT_THROW(SavePalette(), Failure);  // nothing loaded yet
  LoadPalette(path(), kP);
  G().PaletteDirty = true;
  test::WriteBytes(path(), std::vector<unsigned char>(rom.begin(), rom.begin() + kP + 31));
  try {
    SavePalette();
    ADD_FAILURE();
  } catch (const Failure& failure) {
    EXPECT_EQ(failure.Number(), kErrPastEndOfFile);
    EXPECT_NE(failure.Description().find("rom.bin"), std::string::npos);
  }
  EXPECT_EQ(test::ReadBytes(path()).size(), static_cast<std::size_t>(kP + 31));
  EXPECT_TRUE(G().PaletteDirty);
}

// A ROM that cannot be opened for writing: the running test program is one
// for every user, root included.
TEST_F(Palette, SaveIntoARomThatCannotBeWrittenFailsAndKeepsTheChange) {
  const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
  G().RomPath = self;
  LoadPalette(self, 0);
  ASSERT_TRUE(EditPaletteEntry(5, Rgb(255, 130, 31)));
  try {
    SavePalette();
    ADD_FAILURE();
  } catch (const Failure& failure) {
    EXPECT_EQ(failure.Number(), kErrPathAccess);
  }
  EXPECT_TRUE(G().PaletteDirty);
}

// The same through the file's mode, which only binds users other than root.
TEST_F(Palette, SaveIntoAWriteProtectedRomFails) {
  LoadPalette(path(), kP);
  G().PaletteDirty = true;
  test::ReadOnly readOnly(path());
  if (!readOnly.Made()) GTEST_SKIP() << "this file system cannot make a file read-only for root";
  EXPECT_THROW(SavePalette(), Failure);
  EXPECT_TRUE(G().PaletteDirty);
  EXPECT_EQ(test::ReadBytes(path()), rom);
}

TEST_F(Palette, EditSnapsEntriesAndEntryZeroStaysExact) {
  LoadPalette(path(), kP);
  auto& entries = G().Palette.Entries;
  ASSERT_TRUE(EditPaletteEntry(5, Rgb(255, 130, 31)));
  EXPECT_EQ(entries[5].StoredBytes, "0 142");
  EXPECT_EQ(entries[5].Colour, Rgb(224, 128, 0));
  EXPECT_EQ(entries[5].Tooltip, "80E0");
  EXPECT_TRUE(G().PaletteDirty);

  G().PaletteDirty = false;
  ASSERT_TRUE(EditPaletteEntry(0, Rgb(255, 130, 31)));
  EXPECT_EQ(entries[0].Colour, Rgb(255, 130, 31));
  EXPECT_EQ(entries[0].StoredBytes, "");
  EXPECT_FALSE(G().PaletteDirty);

  // Same bytes again still marks the palette changed.
  ASSERT_TRUE(EditPaletteEntry(1, entries[1].Colour));
  EXPECT_EQ(entries[1].StoredBytes, "14 238");
  EXPECT_TRUE(G().PaletteDirty);

  EXPECT_THROW(EditPaletteEntry(16, 0), Failure);
  G().RomPath.clear();
  G().PaletteDirty = false;
  EXPECT_FALSE(EditPaletteEntry(5, Rgb(0, 0, 0)));
  EXPECT_EQ(entries[5].Colour, Rgb(224, 128, 0));
  EXPECT_FALSE(G().PaletteDirty);
}

TEST_F(Palette, SwatchesFollowTheEditedColourNotTheirIndex) {
  LoadPalette(path(), kP);
  auto& strip = G().Palette;
  strip.Entries[3].Colour = Rgb(64, 64, 64);
  strip.Entries[7].Colour = Rgb(64, 64, 64);
  SelectPaletteEntry(PointerButton::Left, 3);
  SelectPaletteEntry(PointerButton::Right, 2);
  ASSERT_TRUE(EditPaletteEntry(7, Rgb(0, 255, 0)));
  EXPECT_EQ(strip.Fore.Index, 3);
  EXPECT_EQ(strip.Fore.Shown, Rgb(0, 224, 0));
  EXPECT_EQ(strip.Back.Index, 2);
  EXPECT_EQ(strip.Back.Shown, Rgb(224, 0, 0));
}

TEST_F(Palette, ButtonsPickForegroundAndBackground) {
  LoadPalette(path(), kP);
  auto& strip = G().Palette;
  SelectPaletteEntry(PointerButton::Right, 12);
  EXPECT_EQ(strip.Back.Index, 12);
  EXPECT_EQ(strip.Back.Shown, strip.Entries[12].Colour);
  SelectPaletteEntry(PointerButton::Middle, 2);
  EXPECT_EQ(strip.Back.Index, 12);
  EXPECT_EQ(strip.Fore.Index, 0);
  SelectPaletteEntry(PointerButton::Left, 2);
  EXPECT_EQ(strip.Fore.Index, 2);
  EXPECT_EQ(strip.Fore.Shown, Rgb(224, 0, 0));
}

}  // namespace
}  // namespace kerrow
