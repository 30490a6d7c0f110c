// Palette files: each format round trips, odd line endings and a byte-order
// mark are read, and every malformed variant is refused naming its line while
// the palette stays as it was.
#include <gtest/gtest.h>

#include "ArtTestSupport.h"
#include "TestSupport.h"
#include "art/ArtCommands.h"
#include "art/PaletteFiles.h"
#include "editing/bPal.h"
#include "shell/bGlobals.h"

namespace kerrow {
namespace {

PaletteColours ConsolePalette() {
  PaletteColours colours{};
  for (int i = 0; i < 16; ++i)
    colours[static_cast<std::size_t>(i)] = SnapToConsole(static_cast<DisplayColour>(i * 0x2A1F13));
  return colours;
}

TEST(PaletteFileFormats, EachFormatRoundTrips) {
  PaletteColours colours = ConsolePalette();
  for (PaletteFormat format : {PaletteFormat::Jasc, PaletteFormat::Gimp, PaletteFormat::Raw}) {
    SCOPED_TRACE(static_cast<int>(format));
    const auto parsed = ParsePaletteFile(FormatPaletteFile(colours, format), format);
    ASSERT_TRUE(parsed) << parsed.Message();
    EXPECT_EQ(*parsed, colours);
  }
  // Text formats keep any colour exactly, off the console's levels too.
  colours[0] = 0x0A0B0C;
  colours[9] = 0xFFFFFF;
  for (PaletteFormat format : {PaletteFormat::Jasc, PaletteFormat::Gimp}) {
    const auto parsed = ParsePaletteFile(FormatPaletteFile(colours, format), format);
    ASSERT_TRUE(parsed) << parsed.Message();
    EXPECT_EQ(*parsed, colours);
  }
}

TEST(PaletteFileFormats, RawWordsAreBigEndianConsoleColours) {
  PaletteColours colours{};
  colours[1] = 0x0000E0;  // red 224
  colours[2] = 0xE08020;  // blue 224, green 128, red 32
  const std::string raw = FormatPaletteFile(colours, PaletteFormat::Raw);
  ASSERT_EQ(raw.size(), 32u);
  EXPECT_EQ(static_cast<unsigned char>(raw[2]), 0x00);
  EXPECT_EQ(static_cast<unsigned char>(raw[3]), 0x0E);
  EXPECT_EQ(static_cast<unsigned char>(raw[4]), 0x0E);
  EXPECT_EQ(static_cast<unsigned char>(raw[5]), 0x82);
}

TEST(PaletteFileFormats, ByteOrderMarkAndAnyLineEndingAreRead) {
  std::string jasc = "\xEF\xBB\xBFJASC-PAL\r0100\r16\r";
  std::string gimp = "GIMP Palette\r\nName: x\r\nColumns: 4\n# comment\n";
  for (int i = 0; i < 16; ++i) {
    jasc += std::to_string(i) + " 0 " + std::to_string(255 - i) + (i % 2 ? "\r\n" : "\r");
    gimp += "  " + std::to_string(i) + "\t0 0  Colour\n";
  }
  const auto fromJasc = ParsePaletteFile(jasc, PaletteFormat::Jasc);
  ASSERT_TRUE(fromJasc) << fromJasc.Message();
  EXPECT_EQ((*fromJasc)[15], 15u | 240u << 16);
  const auto fromGimp = ParsePaletteFile("\xEF\xBB\xBF" + gimp, PaletteFormat::Gimp);
  ASSERT_TRUE(fromGimp) << fromGimp.Message();
  EXPECT_EQ((*fromGimp)[15], 15u);
}

TEST(PaletteFileFormats, MalformedFilesAreRefusedNamingTheLine) {
  auto jasc = [](int count, int lines, const std::string& bad = "") {
    std::string text = "JASC-PAL\r\n0100\r\n" + std::to_string(count) + "\r\n";
    for (int i = 0; i < lines; ++i) text += (i == 4 && !bad.empty() ? bad : "1 2 3") + "\r\n";
    return text;
  };
  struct Case {
    std::string bytes;
    PaletteFormat format;
    std::string mentions;
  };
  const Case cases[] = {
      {"JASC-PAX\r\n0100\r\n16\r\n", PaletteFormat::Jasc, "line 1"},
      {"JASC-PAL\r\n0200\r\n16\r\n", PaletteFormat::Jasc, "line 2"},
      {jasc(8, 8), PaletteFormat::Jasc, "line 3"},
      {jasc(16, 12), PaletteFormat::Jasc, "line 16"},        // truncated
      {jasc(16, 16, "1 256 3"), PaletteFormat::Jasc, "line 8"},  // out of range
      {jasc(16, 16, "1 -1 3"), PaletteFormat::Jasc, "line 8"},
      {jasc(16, 16, "1 x 3"), PaletteFormat::Jasc, "line 8"},
      {jasc(16, 16, "1 2"), PaletteFormat::Jasc, "line 8"},
      {"GIMP palette\n", PaletteFormat::Gimp, "line 1"},
      {"GIMP Palette\n1 2 3\n4 5 6\n", PaletteFormat::Gimp, "fewer than the 16"},
      {"GIMP Palette\n1 2 3\n4 5 600 x\n", PaletteFormat::Gimp, "line 3"},
      {std::string(31, '\0'), PaletteFormat::Raw, "31 bytes"},
      {std::string(34, '\0'), PaletteFormat::Raw, "34 bytes"},
      {std::string(6, 0) + std::string("\x01\x00", 2) + std::string(24, 0), PaletteFormat::Raw, "colour 3"},
      {std::string(6, 0) + std::string("\x00\x11", 2) + std::string(24, 0), PaletteFormat::Raw, "colour 3"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.bytes);
    const auto parsed = ParsePaletteFile(c.bytes, c.format);
    ASSERT_FALSE(parsed);
    EXPECT_NE(parsed.Message().find(c.mentions), std::string::npos) << parsed.Message();
  }
}

// The palette strip as a loaded ROM leaves it.
class PaletteFileImport : public ::testing::Test {
 protected:
  PaletteFileImport() {
    G().RomPath = G().PaletteRomPath = dir.File("rom.bin");
    for (int i = 1; i < 16; ++i) EditPaletteEntry(i, 0x202020);
    G().PaletteDirty = false;
  }
  std::string Write(const std::string& name, const std::string& bytes) {
    test::WriteBytes(dir.File(name), std::vector<unsigned char>(bytes.begin(), bytes.end()));
    return dir.File(name);
  }
  test::CoreFixtureGuard guard;
  test::ScratchDir dir;
};

TEST_F(PaletteFileImport, EntriesOneToFifteenSnapAndMarkThePaletteEntryZeroIsDisplayOnly) {
  PaletteColours colours{};
  colours[0] = 0x0A0B0C;
  for (int i = 1; i < 16; ++i) colours[static_cast<std::size_t>(i)] = 0x3F3F3F - static_cast<DisplayColour>(i);
  ASSERT_TRUE(ImportPaletteFile(Write("p.pal", FormatPaletteFile(colours, PaletteFormat::Jasc)),
                                nullptr));
  EXPECT_TRUE(G().PaletteDirty);
  EXPECT_EQ(G().Palette.Entries[0].Colour, 0x0A0B0Cu);
  EXPECT_EQ(G().Palette.Entries[0].StoredBytes, "");
  EXPECT_EQ(G().Palette.Entries[5].Colour, 0x202020u);
  EXPECT_EQ(G().Palette.Entries[5].StoredBytes, "2 34");
  EXPECT_TRUE(guard.dialogs.shown.empty());
}

TEST_F(PaletteFileImport, RefusedFileChangesNothingAndSaysWhy) {
  const PaletteStrip before = G().Palette;
  EXPECT_FALSE(ImportPaletteFile(Write("p.gpl", "GIMP Palette\n1 2 3\n"), nullptr));
  EXPECT_FALSE(ImportPaletteFile(Write("p.bin", std::string(30, '\0')), nullptr));
  EXPECT_FALSE(ImportPaletteFile(Write("p.png", "not an image"), nullptr));
  const auto huge = test::PngHeaderOnly(100000, 100000);
  EXPECT_FALSE(ImportPaletteFile(Write("huge.png", std::string(huge.begin(), huge.end())), nullptr));
  EXPECT_FALSE(ImportPaletteFile(dir.File("absent.pal"), nullptr));
  EXPECT_FALSE(G().PaletteDirty);
  for (int i = 0; i < 16; ++i) {
    EXPECT_EQ(G().Palette.Entries[static_cast<std::size_t>(i)].Colour,
              before.Entries[static_cast<std::size_t>(i)].Colour);
    EXPECT_EQ(G().Palette.Entries[static_cast<std::size_t>(i)].StoredBytes,
              before.Entries[static_cast<std::size_t>(i)].StoredBytes);
  }
  ASSERT_EQ(guard.dialogs.shown.size(), 5u);
  EXPECT_NE(guard.dialogs.shown[3].text.find("100000 x 100000"), std::string::npos);
  EXPECT_EQ(guard.dialogs.shown[0].icon, MsgIcon::Exclamation);
}

TEST_F(PaletteFileImport, AnIndexedImagesColourTableIsAPalette) {
  QImage image(8, 8, QImage::Format_Indexed8);
  QList<QRgb> table;
  for (int i = 0; i < 16; ++i) table.append(qRgb(16 * i, 0, 255 - 16 * i));
  image.setColorTable(table);
  image.fill(0);
  ASSERT_TRUE(image.save(QString::fromStdString(dir.File("indexed.png"))));
  ASSERT_TRUE(ImportPaletteFile(dir.File("indexed.png"), nullptr));
  EXPECT_EQ(G().Palette.Entries[3].Colour, SnapToConsole(48 | 207u << 16));

  table.resize(8);  // too few colours for a sprite
  image.setColorTable(table);
  ASSERT_TRUE(image.save(QString::fromStdString(dir.File("small.png"))));
  EXPECT_FALSE(ImportPaletteFile(dir.File("small.png"), nullptr));
}

TEST_F(PaletteFileImport, ExportWritesTheShownColoursInTheExtensionsFormat) {
  ASSERT_TRUE(ExportPaletteFile(dir.File("out.GPL")));
  const auto text = test::ReadBytes(dir.File("out.GPL"));
  EXPECT_EQ(std::string(text.begin(), text.begin() + 12), "GIMP Palette");
  ASSERT_TRUE(ExportPaletteFile(dir.File("out.bin")));
  const auto raw = test::ReadBytes(dir.File("out.bin"));
  ASSERT_EQ(raw.size(), 32u);
  EXPECT_EQ(raw[2], 0x02);  // entry 1: 0x202020 is level 2 everywhere
  EXPECT_EQ(raw[3], 0x22);
  EXPECT_FALSE(ExportPaletteFile(dir.File("no-such-dir/out.pal")));
}

}  // namespace
}  // namespace kerrow
