// Double-clicking sprites: plain and compressed loading, the confirmations and
// the two error reports.
#include <filesystem>

#include <QTreeWidget>

#include "bridge/CompressionBridge.h"
#include "editing/PaletteStripView.h"
#include "shell/ErrorReports.h"
#include "support/WindowFixture.h"

namespace kerrow::test {
namespace {

using SpriteSelection = WindowFixture;

const QRgb kYellow = qRgb(224, 224, 0);  // demo palette entry 7, 00EE
const QRgb kMagenta = qRgb(255, 0, 255);

TEST_F(SpriteSelection, PlainSpriteIsLoadedAndDrawn) {
  Load(rom);
  OpenSprite("TVRLCHILD_Coin");
  EXPECT_TRUE(guard.dialogs.shown.empty());
  EXPECT_TRUE(G().SpriteLoaded);
  EXPECT_FALSE(G().SpriteIsCompressed);
  EXPECT_EQ(window->picSprite->size(), QSize(64, 64));
  EXPECT_EQ(G().SpritePixels.Width(), 8);
  EXPECT_EQ(G().TileMap.Width(), 1);
  // Row 0 is "...77...": index 7 from x 3, index 0 (entry 0's colour) at x 0.
  EXPECT_EQ(G().SpritePixels.At(3, 0), 7);
  const QImage image = Surface();
  EXPECT_EQ(image.pixel(24, 0), kYellow);
  EXPECT_EQ(image.pixel(31, 7), kYellow);
  EXPECT_EQ(image.pixel(0, 0), window->picPal[0]->Colour().rgb());
  EXPECT_EQ(image.pixel(7, 7), window->picPal[0]->Colour().rgb());
}

TEST_F(SpriteSelection, ContextTilesAreHatchedAndEmptyTilesMagenta) {
  Load(rom);
  OpenSprite("TVRLCHILD_Lamp Post");
  ASSERT_TRUE(G().SpriteLoaded);
  EXPECT_EQ(G().TileMap.At(0, 3), kTileGrey);
  EXPECT_EQ(G().TileMap.At(1, 3), kTileWhite);
  const QImage image = Surface();
  ASSERT_EQ(image.size(), QSize(192, 256));
  EXPECT_EQ(image.pixel(5, 69), kMagenta);   // tile (0, 1) is empty
  EXPECT_EQ(image.pixel(191, 0), kMagenta);  // tile (2, 0) too
  // Grey tile (0, 3): a light grey border exactly 64 pixels square...
  const QRgb border = qRgb(224, 224, 224);
  for (int i = 0; i < 64; ++i) {
    EXPECT_EQ(image.pixel(i, 192), border) << i;
    EXPECT_EQ(image.pixel(i, 255), border) << i;
    EXPECT_EQ(image.pixel(0, 192 + i), border) << i;
    EXPECT_EQ(image.pixel(63, 192 + i), border) << i;
  }
  EXPECT_NE(image.pixel(64, 200), border);
  // ...and inside it hatch lines with the tile's own pixels between them.
  int hatch = 0, other = 0;
  for (int y = 193; y < 255; ++y) {
    for (int x = 1; x < 63; ++x) (image.pixel(x, y) == qRgb(192, 192, 255) ? hatch : other)++;
  }
  EXPECT_GT(hatch, 200);
  EXPECT_GT(other, 1000);
}

TEST_F(SpriteSelection, CompressedSpriteLoadsThroughTheLibrary) {
  Load(rom);
  OpenSprite("TVRLHEADCOMPCHILD_Spark");
  ASSERT_TRUE(guard.dialogs.shown.empty()) << guard.dialogs.shown[0].text;
  EXPECT_TRUE(G().SpriteLoaded);
  EXPECT_TRUE(G().SpriteIsCompressed);
  EXPECT_EQ(window->picSprite->size(), QSize(128, 192));
  EXPECT_EQ(G().TileMap.At(0, 0), kTileWhite);
  EXPECT_EQ(G().TileMap.At(1, 2), kTileGrey);
  EXPECT_TRUE(std::filesystem::exists(DumpFile()));
  int drawn = 0;
  const QImage image = Surface();
  for (int y = 0; y < 128; ++y) {
    for (int x = 0; x < 128; ++x) drawn += image.pixel(x, y) != kMagenta;
  }
  EXPECT_EQ(drawn, 128 * 128);

  // The next selection removes the temporary files before loading a plain sprite.
  WriteBytes(DumpCompressedFile(), {1, 2, 3});
  OpenSprite("TVRLCHILD_Gem");
  EXPECT_FALSE(G().SpriteIsCompressed);
  EXPECT_FALSE(std::filesystem::exists(DumpFile()));
  EXPECT_FALSE(std::filesystem::exists(DumpCompressedFile()));
}

TEST_F(SpriteSelection, HeadingsLoadNothing) {
  Load(rom);
  for (const char* key : {"TVRLHEAD_2", "TVRLHEADCOMP", "TVRLHEADCOMP_Effects"}) {
    OpenSprite(key);
    EXPECT_FALSE(G().SpriteLoaded) << key;
  }
  EXPECT_TRUE(guard.dialogs.shown.empty());
}

TEST_F(SpriteSelection, ConfirmationsFollowEachAnswer) {
  Load(rom);
  OpenSprite("TVRLCHILD_Coin");
  const auto before = ReadBytes(rom);

  // Both changed: palette first; No then Cancel keeps the sprite, palette flag cleared.
  G().PaletteDirty = G().SpriteDirty = true;
  guard.dialogs.answers = {MsgAnswer::No, MsgAnswer::Cancel};
  OpenSprite("TVRLCHILD_Gem");
  ASSERT_EQ(guard.dialogs.shown.size(), 2u);
  EXPECT_EQ(guard.dialogs.shown[0].text,
            "Palette has been changed. Switching sprites will reset the palette, do you wish you "
            "save your changes made to the palette?");
  EXPECT_EQ(guard.dialogs.shown[1].text,
            "Sprite has been changed. Switching sprites will destroy any changes you have made to "
            "this sprite, do you wish you save your changes before you switch?");
  for (const auto& box : guard.dialogs.shown) {
    EXPECT_EQ(box.title, "Confirm");
    EXPECT_EQ(box.icon, MsgIcon::Question);
    EXPECT_EQ(box.buttons, MsgButtons::YesNoCancel);
  }
  EXPECT_FALSE(G().PaletteDirty);
  EXPECT_TRUE(G().SpriteDirty);
  EXPECT_EQ(G().TileMap.Width(), 1);  // still the coin

  // Cancel on the palette box stops at once.
  guard.dialogs.shown.clear();
  G().PaletteDirty = true;
  guard.dialogs.answers = {MsgAnswer::Cancel};
  OpenSprite("TVRLCHILD_Gem");
  EXPECT_EQ(guard.dialogs.shown.size(), 1u);
  EXPECT_TRUE(G().PaletteDirty && G().SpriteDirty);

  // Yes saves the edited coin into the ROM, then the gem loads.
  guard.dialogs.shown.clear();
  G().SpritePixels.At(0, 0) = 5;
  guard.dialogs.answers = {MsgAnswer::No, MsgAnswer::Yes};
  OpenSprite("TVRLCHILD_Gem");
  EXPECT_EQ(ReadBytes(rom)[8192], 0x50);  // coin tile at 8192, left pixel in the high nibble
  EXPECT_FALSE(G().SpriteDirty);
  EXPECT_EQ(G().TileMap.Width(), 2);

  // No discards the edits: nothing is written.
  const auto saved = ReadBytes(rom);
  G().SpritePixels.At(0, 0) = 9;
  G().SpriteDirty = true;
  guard.dialogs.answers = {MsgAnswer::No};
  OpenSprite("TVRLCHILD_Coin");
  EXPECT_FALSE(G().SpriteDirty);
  EXPECT_EQ(ReadBytes(rom), saved);
  EXPECT_EQ(G().SpritePixels.At(0, 0), 5);  // reloaded from the ROM
  EXPECT_NE(saved, before);
}

// A Yes whose save is refused must not go on to drop the edits with the switch.
TEST_F(SpriteSelection, RefusedSaveKeepsTheEditedSprite) {
  Load(rom);
  OpenSprite("TVRLCHILD_Coin");
  G().SpritePixels.At(0, 0) = 5;
  G().SpriteDirty = true;
  std::filesystem::resize_file(rom, 8192);  // the coin's tile at 8192 now lies past the end
  const auto cut = ReadBytes(rom);

  guard.dialogs.answers = {MsgAnswer::Yes};
  OpenSprite("TVRLCHILD_Gem");
  ASSERT_GE(guard.dialogs.shown.size(), 2u);  // the question, then the refusal
  EXPECT_TRUE(G().SpriteDirty);
  EXPECT_EQ(G().TileMap.Width(), 1);  // still the coin, edits kept
  EXPECT_EQ(G().SpritePixels.At(0, 0), 5);
  EXPECT_EQ(ReadBytes(rom), cut);
}

TEST_F(SpriteSelection, UnknownNameShowsTheProcessingError) {
  Load(rom);
  OpenSprite("TVRLHEADCOMPCHILD_Smoke");
  ASSERT_TRUE(G().SpriteLoaded && G().SpriteIsCompressed);
  QTreeWidgetItem* coin = Node("TVRLCHILD_Coin");
  coin->setText(0, "Nope");
  DoubleClick(coin);
  ASSERT_EQ(guard.dialogs.shown.size(), 1u);
  EXPECT_EQ(guard.dialogs.shown[0].title, "Processing error!");
  EXPECT_EQ(guard.dialogs.shown[0].text,
            "An unexpected error occured and the request could not be processed. Please try "
            "reloading the program and try again. If this persists, constact Zenbo and tell him "
            "where this is happening and what game you're trying to use");
  EXPECT_EQ(guard.dialogs.shown[0].icon, MsgIcon::Critical);

  // The compressed sprite stays shown and usable: a redraw at another zoom still
  // finds its record.
  EXPECT_TRUE(G().SpriteIsCompressed);
  G().ZoomFactor = 4;
  window->RedrawSprite();
  EXPECT_EQ(window->picSprite->size(), QSize(64, 64));
  EXPECT_EQ(guard.dialogs.shown.size(), 1u);
}

TEST_F(SpriteSelection, LoadFailuresGoToTheRuntimeReport) {
  // The ROM ends inside the coin's tile.
  std::vector<unsigned char> bytes = ReadBytes(rom);
  bytes.resize(8200);
  const std::string shortRom = scratch.File("short.bin");
  WriteBytes(shortRom, bytes);
  Load(shortRom);
  OpenSprite("TVRLCHILD_Coin");
  ASSERT_EQ(guard.dialogs.shown.size(), 1u);
  const auto& box = guard.dialogs.shown[0];
  EXPECT_EQ(box.title, "Generic Runtime Error Handler");
  EXPECT_EQ(box.icon, MsgIcon::Critical);
  EXPECT_EQ(box.text.rfind("Runtime Error: ", 0), 0u) << box.text;
  EXPECT_NE(box.text.find("\r\n'"), std::string::npos) << box.text;
  EXPECT_NE(box.text.find("'\r\n\r\nSource: "), std::string::npos) << box.text;
  EXPECT_FALSE(G().SpriteLoaded);
  EXPECT_EQ(window->picSprite->size(), QSize(64, 64));  // the layout had begun

  // Nothing selected: failure 91, which the report keeps silent.
  guard.dialogs.shown.clear();
  window->tvSprites->setCurrentItem(nullptr);
  window->SelectSprite();
  EXPECT_TRUE(guard.dialogs.shown.empty());
}

}  // namespace
}  // namespace kerrow::test
