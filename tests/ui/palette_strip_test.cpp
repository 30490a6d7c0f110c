// The palette strip: selection on release, colour editing through the dialog.
#include <QTest>

#include "editing/PaletteStripView.h"
#include "support/WindowFixture.h"

namespace kerrow::test {
namespace {

using PaletteStripWindow = WindowFixture;

QPoint Centre(QWidget* w) {
  return w->rect().center();
}

// A double-click as the desktop delivers it: it ends with a release.
void DoubleClickBox(QWidget* w) {
  QTest::mouseDClick(w, Qt::LeftButton, {}, Centre(w));
  QTest::mouseRelease(w, Qt::LeftButton, {}, Centre(w));
}

TEST_F(PaletteStripWindow, ReleaseOfThePressedButtonSelects) {
  Load(rom);
  ColourBox** boxes = window->picPal.data();
  // Left pressed on box 2 and released over box 9: the grab gives box 2 the release.
  QTest::mousePress(boxes[2], Qt::LeftButton, {}, Centre(boxes[2]));
  QTest::mouseRelease(boxes[2], Qt::LeftButton, {},
                      boxes[2]->mapFromGlobal(boxes[9]->mapToGlobal(Centre(boxes[9]))));
  EXPECT_EQ(G().Palette.Fore.Index, 2);
  EXPECT_EQ(window->picFore->Colour(), boxes[2]->Colour());

  // A release without a press on that box selects nothing.
  QTest::mouseRelease(boxes[9], Qt::LeftButton, {}, Centre(boxes[9]));
  EXPECT_EQ(G().Palette.Fore.Index, 2);

  QTest::mouseClick(boxes[12], Qt::RightButton, {}, Centre(boxes[12]));
  EXPECT_EQ(G().Palette.Back.Index, 12);
  EXPECT_EQ(window->picBack->Colour(), boxes[12]->Colour());

  QTest::mouseClick(boxes[4], Qt::MiddleButton, {}, Centre(boxes[4]));
  EXPECT_EQ(G().Palette.Fore.Index, 2);
  EXPECT_EQ(G().Palette.Back.Index, 12);
}

TEST_F(PaletteStripWindow, DoubleClickEditsWithSnappingAndCancelLeavesAlone) {
  ColourBox* five = window->picPal[5];
  // No ROM open: no dialog.
  DoubleClickBox(five);
  EXPECT_TRUE(guard.dialogs.colourRequests.empty());

  Load(rom);
  OpenSprite("TVRLCHILD_Coin");
  const QColor old = five->Colour();
  guard.dialogs.colours = {std::nullopt};
  DoubleClickBox(five);
  ASSERT_EQ(guard.dialogs.colourRequests.size(), 1u);
  EXPECT_EQ(ToQColor(guard.dialogs.colourRequests[0]), old);
  EXPECT_EQ(five->Colour(), old);
  EXPECT_FALSE(G().PaletteDirty);

  guard.dialogs.colours = {DisplayColour{255 | (130 << 8) | (31 << 16)}};
  DoubleClickBox(five);
  EXPECT_EQ(five->Colour(), QColor(224, 128, 0));
  EXPECT_EQ(five->toolTip(), "80E0");
  EXPECT_EQ(G().Palette.Entries[5].StoredBytes, "0 142");
  EXPECT_TRUE(G().PaletteDirty);
  // The double-click ends with a left release: entry 5 is the foreground now.
  EXPECT_EQ(G().Palette.Fore.Index, 5);
  EXPECT_EQ(window->picFore->Colour(), QColor(224, 128, 0));

  // Entry 0 takes the colour exactly, is not stored, and repaints index-0 pixels.
  G().PaletteDirty = false;
  guard.dialogs.colours = {DisplayColour{255 | (130 << 8) | (31 << 16)}};
  DoubleClickBox(window->picPal[0]);
  EXPECT_EQ(window->picPal[0]->Colour(), QColor(255, 130, 31));
  EXPECT_EQ(window->picPal[0]->toolTip(),
            "Changing this, will change the background color of the window");
  EXPECT_FALSE(G().PaletteDirty);
  EXPECT_EQ(Surface().pixel(0, 0), qRgb(255, 130, 31));
}

}  // namespace
}  // namespace kerrow::test
