// Finding a new ROM's colours in the tile viewer: grey levels while its game
// is unknown, the palette finder's list applied by a click, Previous and Next,
// and the offsets it finds offered to Add Game.
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSpinBox>

#include "support/CatalogWindowFixture.h"

namespace kerrow::test {
namespace {

using ViewerPalettes = CatalogWindowFixture;

std::vector<QRgb> PaletteColours(const std::vector<unsigned char>& rom, std::int64_t offset) {
  std::vector<QRgb> colours;
  for (int i = 0; i < 16; ++i)
    colours.push_back(WordColour(static_cast<std::uint16_t>(rom[offset + 2 * i] << 8 |
                                                            rom[offset + 2 * i + 1])));
  return colours;
}

std::vector<QRgb> GreyRamp() {
  std::vector<QRgb> ramp;
  for (int i = 0; i < 16; ++i) ramp.push_back(qRgb(17 * i, 17 * i, 17 * i));
  return ramp;
}

TEST_F(ViewerPalettes, AnUnknownRomShowsGreyLevelsAndTheStatusBarSaysWhatToDoNext) {
  Load(found);
  ASSERT_EQ(guard.dialogs.shown.size(), 1u);
  EXPECT_EQ(guard.dialogs.shown[0].title, "Error");
  const QString next = window->sbMainPanels[1]->text();
  EXPECT_TRUE(next.contains("Tools > Tile Viewer")) << next.toStdString();
  EXPECT_TRUE(next.contains("Tools > Add Game to Catalog")) << next.toStdString();

  frmTileViewer& viewer = Viewer();
  viewer.spnZoom->setValue(1);
  EXPECT_EQ(ShownIndices(viewer), GreyRamp());

  // A catalogued game's palette is the viewer's current palette ...
  Load(demo);
  viewer.ShowRom();
  std::vector<QRgb> game;
  for (int i = 0; i < 16; ++i) game.push_back(window->picPal[i]->Colour().rgb());
  const auto bytes = ReadBytes(demo);
  // (the demo's first code tile, pixel 0: its index's colour)
  ASSERT_TRUE(viewer.GoToOffset("0x200"));
  EXPECT_EQ(viewer.picTiles->grab().toImage().pixel(0, 0), game[bytes[0x200] >> 4]);
  // ... but not of a ROM opened after it that no game matches.
  Load(found);
  viewer.ShowRom();
  EXPECT_EQ(ShownIndices(viewer), GreyRamp());
}

TEST_F(ViewerPalettes, FoundPalettesAreAppliedByAClickAndByPreviousAndNext) {
  Load(found);
  guard.dialogs.shown.clear();
  frmTileViewer& viewer = Viewer();
  viewer.spnZoom->setValue(1);
  PaletteFinderPanel& finder = *viewer.Palettes;
  EXPECT_FALSE(finder.cmdNextPalette->isEnabled());
  finder.cmdFindPalettes->click();
  ASSERT_GE(finder.lstPalettes->count(), 5);
  EXPECT_TRUE(finder.lstPalettes->item(0)->text().startsWith("0x8A40")) <<
      finder.lstPalettes->item(0)->text().toStdString();
  EXPECT_EQ(viewer.cboPalette->currentIndex(), 0);  // nothing applied before a choice

  // A click on the first row shows the tiles in its colours.
  finder.lstPalettes->scrollToItem(finder.lstPalettes->item(0));
  const QPoint first = finder.lstPalettes->visualItemRect(finder.lstPalettes->item(0)).center();
  QTest::mouseClick(finder.lstPalettes->viewport(), Qt::LeftButton, {}, first);
  EXPECT_EQ(viewer.cboPalette->currentIndex(), 1);
  EXPECT_EQ(viewer.txtPaletteOffset->text(), "0x8A40");
  const auto rom = ReadBytes(found);
  EXPECT_EQ(ShownIndices(viewer), PaletteColours(rom, kFoundPalette));
  EXPECT_FALSE(finder.cmdPreviousPalette->isEnabled());

  // Next and Previous step through the list, each applied at once.
  finder.cmdNextPalette->click();
  const std::int64_t second = finder.Candidates()[1].Offset;
  EXPECT_NE(second, kFoundPalette);
  EXPECT_EQ(viewer.PaletteOffset(), second);
  EXPECT_EQ(ShownIndices(viewer), PaletteColours(rom, second));
  finder.cmdPreviousPalette->click();
  EXPECT_EQ(viewer.PaletteOffset(), kFoundPalette);
  EXPECT_TRUE(guard.dialogs.shown.empty()) << guard.dialogs.shown[0].text;

  // Add Game offers the palette chosen, and the game takes it.
  emit window->mnuTools->aboutToShow();
  guard.dialogs.texts.push_back(std::nullopt);
  window->mnuToolsAddGame->trigger();
  ASSERT_FALSE(guard.dialogs.textInitials.empty());
  EXPECT_EQ(guard.dialogs.textInitials.back(), "0x8A40");
  CatalogueFound(viewer.txtPaletteOffset->text().toStdString());
  EXPECT_EQ(window->picPal[1]->Colour().rgb(), PaletteColours(rom, kFoundPalette)[1]);
}

TEST_F(ViewerPalettes, TheListBelongsToTheRomItWasFoundIn) {
  Load(found);
  frmTileViewer& viewer = Viewer();
  viewer.Palettes->cmdFindPalettes->click();
  ASSERT_GT(viewer.Palettes->lstPalettes->count(), 0);
  Load(demo);
  viewer.ShowRom();
  EXPECT_EQ(viewer.Palettes->lstPalettes->count(), 0);
  EXPECT_FALSE(viewer.Palettes->Choose(0));
}

}  // namespace
}  // namespace kerrow::test
