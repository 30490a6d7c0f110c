// Drawing, undo, grid, zoom, scrolling, exit and the information boxes of the
// main window, driven with real mouse and key events.
#include <QAction>
#include <QLabel>
#include <QScrollBar>
#include <QWheelEvent>
#include <cmath>
#include <vector>

#include "editing/Tools.h"
#include "editing/UndoHistory.h"
#include "editing/bPal.h"
#include "support/WindowFixture.h"

namespace kerrow::test {
namespace {

class EditingWindow : public WindowFixture {
 protected:
  void SetUp() override {
    WindowFixture::SetUp();
    window->EndProgram = [this] { ++programEnds; };
  }

  // A click then a double-click on the sprite's row, as a user does it: the
  // tree reacts to a double-click only on the row the press went to.
  void OpenSprite(const std::string& key) {
    QTreeWidgetItem* item = Node(key);
    ASSERT_NE(item, nullptr) << key;
    if (item->parent()) item->parent()->setExpanded(true);
    window->tvSprites->scrollToItem(item);
    const QPoint at = window->tvSprites->visualItemRect(item).center();
    QTest::mouseClick(window->tvSprites->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(window->tvSprites->viewport(), Qt::LeftButton, {}, at);
    ASSERT_TRUE(G().SpriteLoaded) << key;
  }
  QWidget* Surface() { return window->picSprite; }
  QString Status() const { return window->sbMainPanels[2]->text(); }
  QPoint At(int px, int py) const {  // centre of sprite pixel (px, py) at the current zoom
    const int z = G().ZoomFactor;
    return {px * z + z / 2, py * z + z / 2};
  }
  void Press(Qt::MouseButton button, QPoint at) { QTest::mousePress(Surface(), button, {}, at); }
  void Move(QPoint at) { QTest::mouseMove(Surface(), at); }
  void Release(Qt::MouseButton button, QPoint at) {
    QTest::mouseRelease(Surface(), button, {}, at);
  }
  QImage Picture() { return WindowFixture::Surface(); }
  void Tool(const char* key) { window->ToolbarButton(key)->trigger(); }

  int programEnds = 0;
};

// Lamp Post: 3 by 4 tiles, the post (column 1) white, ground tiles (0,3) and
// (2,3) grey, every other position empty.
TEST_F(EditingWindow, PencilStrokeWithPressDragAndRelease) {
  Load(rom);
  OpenSprite("TVRLCHILD_Lamp Post");
  G().Palette.Fore.Index = 5;
  G().Palette.Back.Index = 9;

  Press(Qt::LeftButton, At(8, 0));
  EXPECT_EQ(G().SpritePixels.At(8, 0), 5) << "painted on the press, without moving";
  EXPECT_TRUE(G().SpriteDirty);
  EXPECT_EQ(Status(), "Mouse: 8, 0");
  Move(At(9, 1));
  Move(At(12, 5));  // a jump is joined by the line between the two positions
  Move(QPoint(-1, 37));
  EXPECT_EQ(Status(), "Mouse: -1, 4");
  Move(QPoint(5000, 37));
  EXPECT_EQ(Status(), "Mouse: 625, 4");
  Release(Qt::LeftButton, QPoint(5000, 37));
  EXPECT_EQ(G().SpritePixels.At(9, 1), 5);
  EXPECT_EQ(G().SpritePixels.At(12, 5), 5);
  EXPECT_EQ(G().SpritePixels.At(10, 2), 5);
  EXPECT_EQ(G().SpritePixels.At(11, 4), 5);
  EXPECT_TRUE(SpriteHistory().CanUndo());

  QTest::mouseClick(Surface(), Qt::RightButton, {}, At(15, 31));
  EXPECT_EQ(G().SpritePixels.At(15, 31), 9);
  EXPECT_EQ(Picture().pixel(At(15, 31)), window->picPal[9]->Colour().rgb());
}

// The pixels a line from (x0, y0) to (x1, y1) covers when |dx| >= |dy| and no
// point falls halfway between two rows: one per column, the nearest row.
std::vector<QPoint> ShallowLine(int x0, int y0, int x1, int y1) {
  std::vector<QPoint> points;
  const int step = x1 >= x0 ? 1 : -1;
  for (int x = x0;; x += step) {
    const double y = y0 + double(y1 - y0) * (x - x0) / (x1 - x0);
    points.emplace_back(x, static_cast<int>(std::lround(y)));
    if (x == x1) break;
  }
  return points;
}

// Pixels of `after` that differ from `before`.
std::vector<QPoint> Changed(const PixelGrid& before, const PixelGrid& after) {
  std::vector<QPoint> points;
  for (int y = 0; y < after.Height(); ++y) {
    for (int x = 0; x < after.Width(); ++x) {
      if (before.At(x, y) != after.At(x, y)) points.emplace_back(x, y);
    }
  }
  return points;
}

TEST_F(EditingWindow, PencilAndEraserJoinSuccessivePositionsOfAStroke) {
  Load(rom);
  OpenSprite("TVRLCHILD_Lamp Post");
  PixelGrid& pixels = G().SpritePixels;
  G().Palette.Fore.Index = 5;
  G().Palette.Back.Index = 9;
  for (int y = 0; y < 32; ++y) {
    for (int x = 0; x < 24; ++x) pixels.At(x, y) = 1;  // every line pixel shows as a change
  }
  PixelGrid before = pixels;

  Press(Qt::LeftButton, At(8, 0));
  Move(At(14, 2));
  Move(At(14, 2));  // no movement paints nothing new
  Release(Qt::LeftButton, At(14, 2));
  auto expected = ShallowLine(8, 0, 14, 2);
  EXPECT_EQ(Changed(before, pixels), expected);
  for (QPoint p : expected) EXPECT_EQ(pixels.At(p.x(), p.y()), 5) << p.x() << "," << p.y();

  // From a grey cell into the post with the right button: only white cells
  // change, in the background colour.
  before = pixels;
  Press(Qt::RightButton, At(4, 26));
  Move(At(12, 26));
  Release(Qt::RightButton, At(12, 26));
  EXPECT_EQ(Changed(before, pixels), ShallowLine(8, 26, 12, 26));
  EXPECT_EQ(pixels.At(12, 26), 9);

  // Two separate clicks are not joined; one Undo takes back a whole line.
  Tool("e");
  before = pixels;
  QTest::mouseClick(Surface(), Qt::LeftButton, {}, At(8, 28));
  QTest::mouseClick(Surface(), Qt::LeftButton, {}, At(14, 28));
  EXPECT_EQ(Changed(before, pixels), (std::vector<QPoint>{{8, 28}, {14, 28}}));
  window->ToolbarButton("undo")->trigger();
  window->ToolbarButton("undo")->trigger();
  window->ToolbarButton("undo")->trigger();
  EXPECT_EQ(pixels.At(8, 26), 1);
  EXPECT_EQ(pixels.At(12, 26), 1);
}

TEST_F(EditingWindow, ASecondButtonDuringADragDoesNotSplitTheStroke) {
  Load(rom);
  OpenSprite("TVRLCHILD_Lamp Post");
  G().Palette.Fore.Index = 5;
  const PixelGrid original = G().SpritePixels;

  Press(Qt::LeftButton, At(8, 0));
  Move(At(8, 3));
  Press(Qt::RightButton, At(8, 3));  // both held: the pencil pauses
  Release(Qt::RightButton, At(8, 3));
  Move(At(8, 6));
  Release(Qt::LeftButton, At(8, 6));
  ASSERT_EQ(G().SpritePixels.At(8, 6), 5);

  window->ToolbarButton("undo")->trigger();
  EXPECT_EQ(G().SpritePixels, original) << "one step from the first press to the last release";
  EXPECT_FALSE(SpriteHistory().CanUndo());
}

TEST_F(EditingWindow, UndoOrRedoWhileAButtonIsHeldKeepsTheHistory) {
  Load(rom);
  OpenSprite("TVRLCHILD_Lamp Post");
  G().Palette.Fore.Index = 5;
  const PixelGrid original = G().SpritePixels;
  QTest::mouseClick(Surface(), Qt::LeftButton, {}, At(8, 0));
  const PixelGrid first = G().SpritePixels;

  Press(Qt::LeftButton, At(9, 5));
  Move(At(9, 7));
  window->ToolbarButton("undo")->trigger();  // ends the stroke, then undoes it
  EXPECT_EQ(G().SpritePixels, first);
  Move(At(9, 9));  // still held: a stroke of its own
  window->ToolbarButton("redo")->trigger();
  Release(Qt::LeftButton, At(9, 9));
  EXPECT_EQ(G().SpritePixels.At(9, 9), 5);

  window->ToolbarButton("undo")->trigger();
  EXPECT_EQ(G().SpritePixels, first);
  window->ToolbarButton("undo")->trigger();
  EXPECT_EQ(G().SpritePixels, original) << "the history before the stroke survives";
}

TEST_F(EditingWindow, FractionalPointerPositionsAreFloored) {
  Load(rom);
  OpenSprite("TVRLCHILD_Lamp Post");  // zoom 8
  G().Palette.Fore.Index = 5;
  auto send = [&](QEvent::Type type, QPointF at, Qt::MouseButton button, Qt::MouseButtons held) {
    QMouseEvent event(type, at, Surface()->mapToGlobal(at), button, held, Qt::NoModifier);
    QApplication::sendEvent(Surface(), &event);
  };
  send(QEvent::MouseMove, QPointF(15.6, 7.6), Qt::NoButton, Qt::NoButton);
  EXPECT_EQ(Status(), "Mouse: 1, 0");
  send(QEvent::MouseButtonPress, QPointF(71.5, 7.9), Qt::LeftButton, Qt::LeftButton);
  send(QEvent::MouseButtonRelease, QPointF(71.5, 7.9), Qt::LeftButton, Qt::NoButton);
  EXPECT_EQ(G().SpritePixels.At(8, 0), 5);
  EXPECT_NE(G().SpritePixels.At(9, 0), 5);
  EXPECT_NE(G().SpritePixels.At(8, 1), 5);
}

TEST_F(EditingWindow, ScrollBarsFollowTheViewportWhenTheWindowIsResized) {
  Load(rom);
  OpenSprite("TVRLCHILD_Lamp Post");  // 192 by 256 at zoom 8: fits at first
  QScrollBar* h = window->sprScrollH;
  QScrollBar* v = window->sprScrollV;
  ASSERT_FALSE(v->isEnabled());

  window->resize(window->minimumSizeHint().width(), 360);
  QApplication::processEvents();
  ASSERT_LT(window->picEdBack->height(), 256);
  EXPECT_TRUE(v->isEnabled());
  EXPECT_EQ(v->maximum(), std::lround(256 / window->picSprite->TwipsPerPixelY()));
  if (window->picEdBack->width() < 192) {
    EXPECT_TRUE(h->isEnabled());
    EXPECT_EQ(h->maximum(), std::lround(192 / window->picSprite->TwipsPerPixelX()));
  }
  v->setValue(v->maximum() / 2);
  ASSERT_LT(window->picSprite->y(), 0);

  // Large enough again: nothing is left out of reach behind a disabled bar.
  window->resize(1200, 900);
  QApplication::processEvents();
  ASSERT_GE(window->picEdBack->height(), 256);
  EXPECT_FALSE(v->isEnabled());
  EXPECT_FALSE(h->isEnabled());
  EXPECT_EQ(window->picSprite->pos(), QPoint(0, 0));
}

TEST_F(EditingWindow, GreyAndEmptyCellsOnlyShowTheStatus) {
  Load(rom);
  OpenSprite("TVRLCHILD_Lamp Post");
  const PixelGrid before = G().SpritePixels;
  const QImage picture = Picture();
  for (const char* tool : {"a", "c", "e"}) {
    Tool(tool);
    for (QPoint at : {At(2, 26), At(20, 30), At(3, 3), At(20, 2)}) {
      QTest::mouseClick(Surface(), Qt::LeftButton, {}, at);
    }
  }
  EXPECT_EQ(Status(), "Mouse: 20, 2");
  EXPECT_EQ(G().SpritePixels, before);
  EXPECT_FALSE(G().SpriteDirty);
  EXPECT_EQ(Picture(), picture);
  EXPECT_FALSE(SpriteHistory().CanUndo());
}

TEST_F(EditingWindow, ToolButtonsAndButtonSets) {
  Load(rom);
  OpenSprite("TVRLCHILD_Lamp Post");
  PixelGrid& pixels = G().SpritePixels;

  Tool("b");  // eyedropper: the swatch follows the pick
  pixels.At(8, 8) = 6;
  QTest::mouseClick(Surface(), Qt::RightButton, {}, At(8, 8));
  EXPECT_EQ(G().Palette.Back.Index, 6);
  EXPECT_EQ(window->picBack->Colour(), window->picPal[6]->Colour());
  EXPECT_FALSE(G().SpriteDirty);

  Tool("a");  // a press counts only its own button; a move with both does nothing
  G().Palette.Fore.Index = 2;
  Press(Qt::LeftButton, At(9, 9));
  EXPECT_EQ(pixels.At(9, 9), 2);
  Press(Qt::RightButton, At(9, 10));
  EXPECT_EQ(pixels.At(9, 10), 6);
  const PixelGrid beforeBoth = pixels;
  Move(At(10, 9));
  Move(At(10, 10));
  Release(Qt::RightButton, At(10, 10));
  Release(Qt::LeftButton, At(10, 10));
  EXPECT_EQ(pixels, beforeBoth);

  Tool("e");  // the eraser works with the middle button too
  pixels.At(11, 11) = 7;
  QTest::mouseClick(Surface(), Qt::MiddleButton, {}, At(11, 11));
  EXPECT_EQ(pixels.At(11, 11), 0);

  G().SpriteDirty = false;
  const PixelGrid before = pixels;
  for (const char* inert : {"d"}) {
    Tool(inert);
    Press(Qt::LeftButton, At(8, 12));
    Move(At(9, 13));
    Release(Qt::LeftButton, At(9, 13));
  }
  EXPECT_EQ(pixels, before);
  EXPECT_FALSE(G().SpriteDirty);
  EXPECT_EQ(G().CurrentTool, kToolSelection);

  window->ToolbarButton("reload")->trigger();
  EXPECT_EQ(pixels, before);
}

TEST_F(EditingWindow, UndoRedoRepaintWithTileStatesAndMarkTheSpriteChanged) {
  Load(rom);
  OpenSprite("TVRLCHILD_Lamp Post");
  G().Palette.Fore.Index = 5;
  const QImage loaded = Picture();
  const PixelGrid original = G().SpritePixels;

  Press(Qt::LeftButton, At(8, 0));
  Move(At(9, 0));
  Release(Qt::LeftButton, At(9, 0));
  Press(Qt::LeftButton, At(8, 30));
  Release(Qt::LeftButton, At(8, 30));
  const PixelGrid drawn = G().SpritePixels;
  const QImage drawnPicture = Picture();
  G().SpriteDirty = false;  // as after a save

  window->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
  QTest::keyClick(window.get(), Qt::Key_Z, Qt::ControlModifier);
  window->ToolbarButton("undo")->trigger();
  EXPECT_EQ(G().SpritePixels, original);
  EXPECT_TRUE(G().SpriteDirty);
  // Empty positions stay background and the ground keeps its hatching.
  EXPECT_EQ(Picture(), loaded);

  window->ToolbarButton("undo")->trigger();  // nothing left: nothing changes
  EXPECT_EQ(G().SpritePixels, original);

  G().SpriteDirty = false;
  QTest::keyClick(window.get(), Qt::Key_Y, Qt::ControlModifier);
  window->ToolbarButton("redo")->trigger();
  EXPECT_EQ(G().SpritePixels, drawn);
  EXPECT_TRUE(G().SpriteDirty);
  EXPECT_EQ(Picture(), drawnPicture);

  guard.dialogs.answers = {MsgAnswer::No};  // do not save the redone edit
  OpenSprite("TVRLCHILD_Coin");             // a new sprite starts without history
  const PixelGrid coin = G().SpritePixels;
  window->ToolbarButton("undo")->trigger();
  EXPECT_EQ(G().SpritePixels, coin);
}

TEST_F(EditingWindow, ZoomWithoutRomOnlyMovesTheCheckMark) {
  window->mnuViewZoomE[5]->trigger();
  EXPECT_EQ(G().ZoomFactor, 24);
  for (int k = 0; k < 6; ++k) EXPECT_EQ(window->mnuViewZoomE[k]->isChecked(), k == 5);
  EXPECT_FALSE(window->sprScrollH->isEnabled());
  EXPECT_FALSE(window->picSprite->isVisible());

  Load(rom);
  OpenSprite("TVRLCHILD_Gem");
  EXPECT_EQ(window->picSprite->size(), QSize(384, 384)) << "the next sprite uses the zoom";
}

TEST_F(EditingWindow, GridZoomAndScrollingTogether) {
  Load(rom);
  OpenSprite("TVRLCHILD_Castle Wall");  // 1024 pixels square at zoom 8
  QScrollBar* h = window->sprScrollH;
  QScrollBar* v = window->sprScrollV;
  ASSERT_TRUE(h->isEnabled());
  const double sx = window->picSprite->TwipsPerPixelX();
  const double sy = window->picSprite->TwipsPerPixelY();

  h->setValue(10);
  v->setValue(4);
  EXPECT_EQ(window->picSprite->pos(), QPoint(-std::lround(10 * sx), -std::lround(4 * sy)));

  // The thumb is followed while dragged, even when the value only changes at the end.
  h->setTracking(false);
  h->setSliderDown(true);
  h->setSliderPosition(20);
  EXPECT_EQ(window->picSprite->x(), -std::lround(20 * sx));
  h->setSliderDown(false);
  h->setTracking(true);
  EXPECT_EQ(h->value(), 20);

  window->mnuViewGrid->trigger();  // on at zoom 8: back to the corner
  EXPECT_TRUE(window->mnuViewGrid->isChecked());
  EXPECT_TRUE(G().GridMode);
  EXPECT_EQ(h->value(), 0);
  EXPECT_EQ(v->value(), 0);
  EXPECT_EQ(window->picSprite->pos(), QPoint(0, 0));

  window->mnuViewZoomE[4]->trigger();  // 16: grid kept
  h->setValue(7);
  window->mnuViewZoomE[4]->trigger();  // the checked entry again redraws and keeps the value
  EXPECT_EQ(h->value(), 7);
  EXPECT_TRUE(h->isEnabled());
  EXPECT_EQ(window->picSprite->pos(), QPoint(0, 0));
  EXPECT_EQ(window->picSprite->size(), QSize(2048, 2048));

  window->mnuViewZoomE[1]->trigger();  // 4: grid still on
  EXPECT_TRUE(G().GridMode);
  EXPECT_TRUE(window->mnuViewGrid->isChecked());
  const int kept = h->value();
  window->mnuViewGrid->trigger();  // below 8: off, scroll bars untouched
  EXPECT_FALSE(window->mnuViewGrid->isChecked());
  EXPECT_FALSE(G().GridMode);
  EXPECT_EQ(h->value(), kept);
  window->mnuViewGrid->trigger();
  EXPECT_FALSE(window->mnuViewGrid->isChecked()) << "cannot be switched on below zoom 8";

  window->mnuViewZoomE[3]->trigger();
  window->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
  QTest::keyClick(window.get(), Qt::Key_G, Qt::ControlModifier);
  EXPECT_TRUE(G().GridMode);
  QTest::keyClick(window.get(), Qt::Key_G, Qt::ControlModifier);
  EXPECT_FALSE(G().GridMode);
}

TEST_F(EditingWindow, WheelScrollsTheViewport) {
  Load(rom);
  OpenSprite("TVRLCHILD_Castle Wall");
  QScrollBar* v = window->sprScrollV;
  QScrollBar* h = window->sprScrollH;
  auto wheel = [&](QPoint angle, Qt::KeyboardModifiers modifiers) {
    QWheelEvent event(QPointF(10, 10), window->picSprite->mapToGlobal(QPointF(10, 10)), QPoint(),
                      angle, Qt::NoButton, modifiers, Qt::NoScrollPhase, false);
    QApplication::sendEvent(window->picSprite, &event);
  };
  wheel(QPoint(0, -120), Qt::NoModifier);
  EXPECT_EQ(v->value(), 3 * v->singleStep());
  EXPECT_EQ(window->picSprite->y(), -std::lround(v->value() * window->picSprite->TwipsPerPixelY()));
  // The pointer stayed where it was over the viewport: the status names the
  // sprite pixel that has moved under it.
  const int under = (10 - window->picSprite->y()) / G().ZoomFactor;
  ASSERT_GT(under, 1);
  EXPECT_EQ(Status(), QString("Mouse: 1, %1").arg(under));
  wheel(QPoint(0, -240), Qt::ShiftModifier);
  EXPECT_EQ(h->value(), 6 * h->singleStep());
  wheel(QPoint(0, 480), Qt::NoModifier);
  EXPECT_EQ(v->value(), 0);
}

TEST_F(EditingWindow, ExitAsksPaletteThenSpriteAndHonoursEveryAnswer) {
  // Nothing changed: no question.
  EXPECT_TRUE(window->close());
  EXPECT_EQ(programEnds, 1);
  EXPECT_TRUE(guard.dialogs.shown.empty());
  window->show();

  Load(rom);
  OpenSprite("TVRLCHILD_Coin");
  const auto original = ReadBytes(rom);
  ASSERT_TRUE(EditPaletteEntry(3, 0x0000EE));
  QTest::mouseClick(Surface(), Qt::LeftButton, {}, At(1, 1));
  ASSERT_TRUE(G().PaletteDirty && G().SpriteDirty);

  guard.dialogs.answers = {MsgAnswer::Cancel};
  EXPECT_FALSE(window->close());
  guard.dialogs.answers = {MsgAnswer::No, MsgAnswer::Cancel};
  window->mnuFileExit->trigger();
  EXPECT_EQ(programEnds, 1) << "cancelled twice";
  EXPECT_TRUE(window->isVisible());
  EXPECT_TRUE(G().PaletteDirty && G().SpriteDirty);
  ASSERT_EQ(guard.dialogs.shown.size(), 3u);
  EXPECT_EQ(guard.dialogs.shown[0].text, guard.dialogs.shown[1].text);
  EXPECT_EQ(guard.dialogs.shown[0].title, "Confirm");
  EXPECT_NE(guard.dialogs.shown[2].text.find("Sprite has been changed."), std::string::npos);

  guard.dialogs.answers = {MsgAnswer::No, MsgAnswer::No};
  window->mnuFileExit->trigger();
  EXPECT_EQ(programEnds, 2);
  EXPECT_EQ(ReadBytes(rom), original) << "No writes nothing";

  guard.dialogs.answers = {MsgAnswer::Yes, MsgAnswer::Yes};
  EXPECT_TRUE(window->close());
  EXPECT_EQ(programEnds, 3);
  EXPECT_NE(ReadBytes(rom), original);
  EXPECT_FALSE(G().PaletteDirty);
  EXPECT_FALSE(G().SpriteDirty);
  EXPECT_EQ(ReadBytes(rom).size(), original.size());
}

TEST_F(EditingWindow, HelpTopicsAndGameInformationBoxes) {
  window->mnuFileGameInfo->trigger();
  EXPECT_TRUE(guard.dialogs.shown.empty()) << "no game yet: no box";

  window->mnuHelpTopics->trigger();
  Load(rom);
  window->mnuFileGameInfo->trigger();
  ASSERT_EQ(guard.dialogs.shown.size(), 2u);
  const auto& help = guard.dialogs.shown[0];
  EXPECT_EQ(help.text,
            "Help? I'll give you help. This is Beta stuff, backup your stuff. That's all the help "
            "I'm giving you...");
  EXPECT_EQ(help.title, "Tavrel BETA");
  EXPECT_EQ(help.icon, MsgIcon::None);
  EXPECT_EQ(help.buttons, MsgButtons::Ok);
  const auto& info = guard.dialogs.shown[1];
  EXPECT_EQ(info.text,
            "Game Name: Kerrow Demo Cart\r\n\r\nTotal Sprites Defined: 10\r\n"
            "Number of Sprite Headings: 3");
  EXPECT_EQ(info.title, "Tavrel BETA");
  EXPECT_EQ(info.icon, MsgIcon::None);
}

}  // namespace
}  // namespace kerrow::test
