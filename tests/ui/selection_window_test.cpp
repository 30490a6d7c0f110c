// The Selection tool and the Edit menu, driven with real mouse and key events.
// Each expectation is worked out here from the rules alone: the own pixels a
// selection leaves become 0, and its pixels land only on own tiles.
#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QMimeData>
#include <QScrollBar>
#include <algorithm>
#include <functional>
#include <set>

#include "editing/SelectionClipboard.h"
#include "editing/Tools.h"
#include "editing/UndoHistory.h"
#include "support/CatalogCopy.h"

namespace kerrow::test {
namespace {

using OwnPixel = std::function<bool(int, int)>;

// Lamp Post, 3 x 4 tiles: the post (tile column 1) is its own; the ground
// beside its foot is context, the rest empty.
const OwnPixel kLampPostOwn = [](int x, int y) { return x >= 8 && x < 16 && y >= 0 && y < 32; };
// Knight: 4 x 4 own tiles.
const OwnPixel kKnightOwn = [](int x, int y) { return x >= 0 && x < 32 && y >= 0 && y < 32; };

// Moving the pixels of `area` by (dx, dy): its own pixels become 0, then each
// own pixel lands where it goes if that is an own pixel too.
PixelGrid Moved(const PixelGrid& before, QRect area, int dx, int dy, const OwnPixel& own) {
  PixelGrid after = before;
  for (int y = area.top(); y <= area.bottom(); ++y)
    for (int x = area.left(); x <= area.right(); ++x)
      if (own(x, y)) after.At(x, y) = 0;
  for (int y = area.top(); y <= area.bottom(); ++y)
    for (int x = area.left(); x <= area.right(); ++x)
      if (own(x, y) && own(x + dx, y + dy)) after.At(x + dx, y + dy) = before.At(x, y);
  return after;
}

// `area` mirrored in place: each own pixel takes the pixel at its mirror
// position if that is own, otherwise 0.
PixelGrid Mirrored(const PixelGrid& before, QRect area, bool horizontal, bool vertical,
                   const OwnPixel& own) {
  PixelGrid after = before;
  for (int y = area.top(); y <= area.bottom(); ++y) {
    for (int x = area.left(); x <= area.right(); ++x) {
      if (!own(x, y)) continue;
      const int mx = horizontal ? area.left() + area.right() - x : x;
      const int my = vertical ? area.top() + area.bottom() - y : y;
      after.At(x, y) = own(mx, my) ? before.At(mx, my) : 0;
    }
  }
  return after;
}

class SelectionWindow : public WindowFixture {
 protected:
  void SetUp() override {
    WindowFixture::SetUp();
    Load(rom);
    QGuiApplication::clipboard()->clear();
  }

  // Opens the sprite and fills every pixel, own or not, with a non-zero index
  // that differs from its neighbours', so that every move and clear shows.
  PixelGrid Open(const std::string& key) {
    OpenSprite("TVRLCHILD_" + key);
    EXPECT_TRUE(G().SpriteLoaded);
    PixelGrid& pixels = G().SpritePixels;
    for (int y = 0; y < pixels.Height(); ++y)
      for (int x = 0; x < pixels.Width(); ++x) pixels.At(x, y) = 1 + (x * 7 + y * 3) % 15;
    window->picSprite->update();
    window->ToolbarButton("d")->trigger();
    return pixels;
  }

  QPoint At(int px, int py) const {
    const int z = G().ZoomFactor;
    return {px * z + z / 2, py * z + z / 2};
  }
  QWidget* Surface() const { return window->picSprite; }
  void Drag(QPoint from, QPoint to) {
    QTest::mousePress(Surface(), Qt::LeftButton, {}, from);
    QTest::mouseMove(Surface(), (from + to) / 2);
    QTest::mouseMove(Surface(), to);
    QTest::mouseRelease(Surface(), Qt::LeftButton, {}, to);
  }
  void Key(int key, Qt::KeyboardModifiers modifiers = {}) {
    QTest::keyClick(Surface(), static_cast<Qt::Key>(key), modifiers);
  }
  void Shortcut(int key, Qt::KeyboardModifiers modifiers = Qt::ControlModifier) {
    QTest::keyClick(window.get(), static_cast<Qt::Key>(key), modifiers);
  }
  void Undo() { window->ToolbarButton("undo")->trigger(); }
  void Redo() { window->ToolbarButton("redo")->trigger(); }
  bool Selected() const { return window->mnuEditCopy->isEnabled(); }
  QRgb Entry(int index) const { return window->picPal[static_cast<std::size_t>(index)]->Colour().rgb(); }
  QString Status() const { return window->sbMainPanels[2]->text(); }
};

TEST_F(SelectionWindow, DraggingMarksThenMovesOwnPixelsAndEscapePutsThemBack) {
  const PixelGrid before = Open("Lamp Post");
  const QRect marked(6, 2, 7, 8);  // two empty columns, then five of the post

  Drag(At(6, 2), At(12, 9));
  EXPECT_EQ(Status(), "Mouse: 12, 9");
  EXPECT_TRUE(Selected());
  EXPECT_EQ(G().SpritePixels, before) << "marking changes no pixel";
  EXPECT_FALSE(G().SpriteDirty);

  // Down over the context tile and the empty position: only what lands on the post stays.
  Drag(At(10, 5), At(7, 26));
  EXPECT_EQ(G().SpritePixels, Moved(before, marked, -3, 21, kLampPostOwn));
  EXPECT_TRUE(G().SpriteDirty);
  const QImage picture = Surface()->grab().toImage();
  EXPECT_EQ(picture.pixel(At(12, 5)), Entry(0)) << "the place it left shows index 0";
  // Over an empty position, the post's pixel (8, 2) shows at half strength on magenta.
  const QColor faint(picture.pixel(At(5, 23)));
  const QColor source(Entry(before.At(8, 2)));
  EXPECT_NEAR(faint.red(), (255 + source.red()) / 2, 2);
  EXPECT_NEAR(faint.green(), source.green() / 2, 2);
  EXPECT_NEAR(faint.blue(), (255 + source.blue()) / 2, 2);

  // The pixels left out travel along: back over the post they show again.
  Drag(At(7, 26), At(11, 26));
  EXPECT_EQ(G().SpritePixels, Moved(before, marked, 1, 21, kLampPostOwn));

  Key(Qt::Key_Escape);
  EXPECT_EQ(G().SpritePixels, before);
  EXPECT_TRUE(Selected()) << "still marked where it was";
  EXPECT_FALSE(SpriteHistory().CanUndo()) << "a float put back leaves no step";

  // Moved again and dropped with Enter: one step.
  Drag(At(8, 3), At(9, 3));
  Key(Qt::Key_Return);
  const PixelGrid moved = Moved(before, marked, 1, 0, kLampPostOwn);
  EXPECT_EQ(G().SpritePixels, moved);
  EXPECT_FALSE(Selected());
  Undo();
  EXPECT_EQ(G().SpritePixels, before);
  EXPECT_FALSE(SpriteHistory().CanUndo());
  Redo();
  EXPECT_EQ(G().SpritePixels, moved);
}

TEST_F(SelectionWindow, AMoveStopsAtTheSpritesEdgeAndKeepsItsPixelsUntilDropped) {
  const PixelGrid before = Open("Knight");
  const QRect marked(0, 0, 16, 16);
  Drag(QPoint(-40, -40), At(15, 15));  // from outside: clipped to the sprite
  EXPECT_TRUE(Selected());

  // Far beyond the bottom-right corner: one pixel of it stays over the sprite.
  Drag(At(4, 4), At(200, 200));
  EXPECT_EQ(G().SpritePixels, Moved(before, marked, 31, 31, kKnightOwn));
  // Grabbed by that pixel and brought back: nothing was lost on the way.
  Drag(At(31, 31), At(20, 25));
  EXPECT_EQ(G().SpritePixels, Moved(before, marked, 20, 25, kKnightOwn));
  // Beyond the top-left corner.
  Drag(At(20, 25), QPoint(-500, -500));
  const PixelGrid dropped = Moved(before, marked, -15, -15, kKnightOwn);
  EXPECT_EQ(G().SpritePixels, dropped);

  // A click outside drops it where it is and selects nothing.
  QTest::mouseClick(Surface(), Qt::LeftButton, {}, At(20, 20));
  EXPECT_FALSE(Selected());
  EXPECT_EQ(G().SpritePixels, dropped);
  Undo();
  EXPECT_EQ(G().SpritePixels, before);
  Redo();
  EXPECT_EQ(G().SpritePixels, dropped);
}

TEST_F(SelectionWindow, ArrowKeysMoveByAPixelAndWithShiftByATile) {
  const PixelGrid before = Open("Knight");
  const QRect marked(8, 8, 8, 8);
  Drag(At(8, 8), At(15, 15));

  Key(Qt::Key_Right);
  Key(Qt::Key_Right);
  Key(Qt::Key_Right);
  Key(Qt::Key_Down);
  Key(Qt::Key_Left, Qt::ShiftModifier);
  EXPECT_EQ(G().SpritePixels, Moved(before, marked, -5, 1, kKnightOwn));
  Key(Qt::Key_Escape);
  EXPECT_EQ(G().SpritePixels, before);

  Key(Qt::Key_Up);  // the selection was put back marked: the arrow lifts it again
  Key(Qt::Key_Enter);
  const PixelGrid moved = Moved(before, marked, 0, -1, kKnightOwn);
  EXPECT_EQ(G().SpritePixels, moved);
  Key(Qt::Key_Up);  // nothing selected any more
  EXPECT_EQ(G().SpritePixels, moved);
  Undo();
  EXPECT_EQ(G().SpritePixels, before);
  Redo();
  EXPECT_EQ(G().SpritePixels, moved);
}

TEST_F(SelectionWindow, SelectAllAndFlipsMirrorTheOwnTiles) {
  const PixelGrid before = Open("Lamp Post");
  window->ToolbarButton("a")->trigger();
  window->tvSprites->setFocus();  // the sprite tree does not keep Ctrl+A for itself
  QTest::keyClick(window->tvSprites, Qt::Key_A, Qt::ControlModifier);
  EXPECT_EQ(G().CurrentTool, kToolSelection) << "Select All chooses the Selection tool";
  EXPECT_TRUE(Selected());

  const QRect all(0, 0, 24, 32);
  window->mnuEditFlipHorizontal->trigger();
  EXPECT_EQ(G().SpritePixels, Mirrored(before, all, true, false, kLampPostOwn));
  window->mnuEditFlipVertical->trigger();
  const PixelGrid flipped = Mirrored(before, all, true, true, kLampPostOwn);
  EXPECT_EQ(G().SpritePixels, flipped);
  Key(Qt::Key_Return);
  Undo();
  EXPECT_EQ(G().SpritePixels, before) << "both flips and the drop are one step";
  Redo();
  EXPECT_EQ(G().SpritePixels, flipped);
}

TEST_F(SelectionWindow, AFlipAcrossTheSpritesEdgeLeavesOutWhatLandsOnEmptyPositions) {
  const PixelGrid before = Open("Lamp Post");
  const QRect marked(4, 0, 8, 8);  // four empty columns, four of the post
  Drag(At(4, 0), At(11, 7));
  window->mnuEditFlipHorizontal->trigger();
  EXPECT_EQ(G().SpritePixels, Mirrored(before, marked, true, false, kLampPostOwn));
  window->mnuEditFlipHorizontal->trigger();
  EXPECT_EQ(G().SpritePixels, before) << "flipped back, nothing is lost";
  window->mnuEditFlipHorizontal->trigger();
  QTest::mouseClick(Surface(), Qt::LeftButton, {}, At(12, 20));  // drops it
  const PixelGrid flipped = Mirrored(before, marked, true, false, kLampPostOwn);
  EXPECT_EQ(G().SpritePixels, flipped);
  Undo();
  EXPECT_EQ(G().SpritePixels, before);
  Redo();
  EXPECT_EQ(G().SpritePixels, flipped);
}

TEST_F(SelectionWindow, CopyPutsIndicesAndAnImageOnTheClipboardAndPasteFloatsThem) {
  const PixelGrid before = Open("Lamp Post");
  Drag(At(10, 4), At(13, 6));
  Shortcut(Qt::Key_C);
  const QMimeData* data = QGuiApplication::clipboard()->mimeData();
  ASSERT_TRUE(data->hasFormat(kIndexedPixelsMimeType));
  const auto copied = DecodeIndexedPixels(data->data(kIndexedPixelsMimeType));
  ASSERT_TRUE(copied);
  ASSERT_EQ(copied->Width(), 4);
  ASSERT_EQ(copied->Height(), 3);
  const QImage image = qvariant_cast<QImage>(data->imageData());
  ASSERT_EQ(image.size(), QSize(4, 3));
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 4; ++x) {
      EXPECT_EQ(copied->At(x, y), before.At(10 + x, 4 + y));
      EXPECT_EQ(image.pixel(x, y), Entry(before.At(10 + x, 4 + y))) << x << "," << y;
    }
  }
  EXPECT_EQ(G().SpritePixels, before) << "copying changes nothing";

  // At the view's top-left corner, over empty positions: nothing is written yet.
  window->ToolbarButton("a")->trigger();
  Shortcut(Qt::Key_V);
  EXPECT_EQ(G().CurrentTool, kToolSelection);
  EXPECT_EQ(G().SpritePixels, before);
  EXPECT_TRUE(Selected());
  Drag(At(1, 1), At(9, 21));  // onto the post at (8, 20)
  Key(Qt::Key_Return);
  PixelGrid pasted = before;
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 4; ++x) pasted.At(8 + x, 20 + y) = before.At(10 + x, 4 + y);
  EXPECT_EQ(G().SpritePixels, pasted);
  Undo();
  EXPECT_EQ(G().SpritePixels, before);
  Redo();
  EXPECT_EQ(G().SpritePixels, pasted);
}

TEST_F(SelectionWindow, CutAndDeleteClearOnlyOwnPixels) {
  const PixelGrid before = Open("Lamp Post");
  const QRect marked(5, 20, 6, 8);  // empty, context and post pixels
  PixelGrid cleared = before;
  for (int y = 20; y < 28; ++y)
    for (int x = 8; x < 11; ++x) cleared.At(x, y) = 0;

  Drag(At(5, 20), At(10, 27));
  Shortcut(Qt::Key_X);
  EXPECT_EQ(G().SpritePixels, cleared);
  EXPECT_FALSE(Selected());
  const auto cut = DecodeIndexedPixels(
      QGuiApplication::clipboard()->mimeData()->data(kIndexedPixelsMimeType));
  ASSERT_TRUE(cut);
  for (int y = 0; y < marked.height(); ++y) {
    for (int x = 0; x < marked.width(); ++x) {
      const int sx = marked.x() + x;
      const int sy = marked.y() + y;
      EXPECT_EQ(cut->At(x, y), kLampPostOwn(sx, sy) ? before.At(sx, sy) : kNoColour) << sx << "," << sy;
    }
  }
  Undo();
  EXPECT_EQ(G().SpritePixels, before);
  Redo();
  EXPECT_EQ(G().SpritePixels, cleared);
  Undo();

  Drag(At(5, 20), At(10, 27));
  Shortcut(Qt::Key_Delete, Qt::NoModifier);
  EXPECT_EQ(G().SpritePixels, cleared);
  Undo();
  EXPECT_EQ(G().SpritePixels, before);

  // Delete on a moved selection: the pixels lifted are gone, what it covered comes back.
  Drag(At(8, 0), At(11, 3));
  Drag(At(9, 1), At(9, 9));
  window->mnuEditDelete->trigger();
  EXPECT_EQ(G().SpritePixels, Moved(before, QRect(8, 0, 4, 4), 0, 100, kLampPostOwn));
  Undo();
  EXPECT_EQ(G().SpritePixels, before);
}

TEST_F(SelectionWindow, PasteFloatsAtThePixelInTheViewsTopLeftCorner) {
  PixelGrid before = Open("Castle Wall");  // 16 x 16 tiles: larger than the view at zoom 8
  ASSERT_TRUE(window->sprScrollH->isEnabled());
  ASSERT_TRUE(window->sprScrollV->isEnabled());
  window->sprScrollH->setValue(7);
  window->sprScrollV->setValue(5);
  const int z = G().ZoomFactor;
  const int cx = (-window->picSprite->x()) / z;
  const int cy = (-window->picSprite->y()) / z;
  ASSERT_GT(cx, 0);
  ASSERT_GT(cy, 0);

  PixelGrid content(3, 2);
  const std::uint8_t values[] = {4, kNoColour, 6, 7, 8, 9};  // one pixel held by no one
  for (int i = 0; i < 6; ++i) content.At(i % 3, i / 3) = values[i];
  auto data = std::make_unique<QMimeData>();
  data->setData(kIndexedPixelsMimeType, EncodeIndexedPixels(content));
  QGuiApplication::clipboard()->setMimeData(data.release());
  window->mnuEditPaste->trigger();

  PixelGrid pasted = before;
  for (int i = 0; i < 6; ++i)
    if (values[i] != kNoColour) pasted.At(cx + i % 3, cy + i / 3) = values[i];
  EXPECT_EQ(G().SpritePixels, pasted);
  Key(Qt::Key_Escape);
  EXPECT_EQ(G().SpritePixels, before) << "Escape takes a paste back";
  EXPECT_FALSE(Selected());
  window->mnuEditPaste->trigger();
  window->ToolbarButton("e")->trigger();  // another tool drops it
  EXPECT_EQ(G().SpritePixels, pasted);
  Undo();
  EXPECT_EQ(G().SpritePixels, before);
}

// Another program's image: matched colour by colour against the palette, as
// Import Sprite does, and refused in the same cases.
TEST_F(SelectionWindow, PastingAnImageFromAnotherProgramFollowsTheImportColourRules) {
  const PixelGrid before = Open("Knight");
  // Entries whose colour no other entry shares, so each names one index.
  std::vector<int> unique;
  for (int i = 1; i < 16; ++i) {
    int same = 0;
    for (int j = 0; j < 16; ++j) same += Entry(j) == Entry(i);
    if (same == 1) unique.push_back(i);
  }
  ASSERT_GE(unique.size(), 3u);

  QImage image(3, 2, QImage::Format_ARGB32);
  image.setPixel(0, 0, Entry(unique[0]));
  image.setPixel(1, 0, Entry(unique[1]));
  image.setPixel(2, 0, qRgba(10, 200, 30, 0));  // transparent: index 0
  image.setPixel(0, 1, Entry(unique[2]));
  image.setPixel(1, 1, Entry(unique[0]));
  image.setPixel(2, 1, Entry(unique[1]));
  auto data = std::make_unique<QMimeData>();
  data->setImageData(image);
  QGuiApplication::clipboard()->setMimeData(data.release());
  Shortcut(Qt::Key_V);
  PixelGrid pasted = before;
  const int expected[] = {unique[0], unique[1], 0, unique[2], unique[0], unique[1]};
  for (int i = 0; i < 6; ++i) pasted.At(i % 3, i / 3) = static_cast<std::uint8_t>(expected[i]);
  EXPECT_EQ(G().SpritePixels, pasted);
  Key(Qt::Key_Return);
  Undo();
  EXPECT_EQ(G().SpritePixels, before);
  Redo();
  EXPECT_EQ(G().SpritePixels, pasted);
  Undo();
  EXPECT_TRUE(guard.dialogs.shown.empty());

  // A colour in no entry, and an index no sprite has: refused, nothing changes.
  // Compared at the console's levels (the top three bits of each channel).
  std::set<QRgb> palette;
  for (int i = 0; i < 16; ++i) palette.insert(Entry(i) & 0xFFE0E0E0u);
  QRgb stranger = qRgb(0, 224, 96);
  for (int level = 32; palette.count(stranger); level += 32) stranger = qRgb(level, 224 - level, 96);
  QImage foreign(2, 2, QImage::Format_RGB32);
  foreign.fill(Entry(unique[0]));
  foreign.setPixel(1, 1, stranger);
  QImage indexed(2, 1, QImage::Format_Indexed8);
  QList<QRgb> table(21, qRgb(0, 0, 0));
  indexed.setColorTable(table);
  indexed.setPixel(0, 0, 3);
  indexed.setPixel(1, 0, 20);
  for (const QImage& refused : {foreign, indexed}) {
    guard.dialogs.shown.clear();
    data = std::make_unique<QMimeData>();
    data->setImageData(refused);
    QGuiApplication::clipboard()->setMimeData(data.release());
    window->mnuEditPaste->trigger();
    ASSERT_EQ(guard.dialogs.shown.size(), 1u);
    EXPECT_EQ(guard.dialogs.shown[0].title, "Paste");
    EXPECT_NE(guard.dialogs.shown[0].text.find("Nothing was pasted."), std::string::npos)
        << guard.dialogs.shown[0].text;
    EXPECT_EQ(G().SpritePixels, before);
    EXPECT_FALSE(Selected());
  }
  EXPECT_NE(guard.dialogs.shown[0].text.find("colour index 20"), std::string::npos);
}

TEST_F(SelectionWindow, UndoWhileFloatingDropsTheFloatFirst) {
  const PixelGrid before = Open("Knight");
  Drag(At(0, 0), At(7, 7));
  Key(Qt::Key_Right);
  const PixelGrid moved = Moved(before, QRect(0, 0, 8, 8), 1, 0, kKnightOwn);
  Shortcut(Qt::Key_Z);
  EXPECT_EQ(G().SpritePixels, before);
  EXPECT_FALSE(Selected());
  Shortcut(Qt::Key_Y);
  EXPECT_EQ(G().SpritePixels, moved);
  // Loading the sprite again forgets a selection made on the old pixels.
  Drag(At(0, 0), At(7, 7));
  guard.dialogs.answers.push_back(MsgAnswer::No);  // the changes are not saved
  OpenSprite("TVRLCHILD_Knight");
  ASSERT_FALSE(G().SpriteDirty) << "loaded again from the ROM";
  EXPECT_FALSE(Selected());
}

TEST_F(SelectionWindow, TheOutlineMovesWhileSomethingIsSelectedAndGoesWithIt) {
  Open("Knight");
  Drag(At(4, 4), At(11, 11));
  const int z = G().ZoomFactor;
  auto topEdge = [&] {
    const QImage image = Surface()->grab().toImage();
    std::vector<QRgb> line;
    for (int x = 4 * z; x < 12 * z; ++x) line.push_back(image.pixel(x, 4 * z));
    return line;
  };
  const std::vector<QRgb> first = topEdge();
  EXPECT_NE(std::find(first.begin(), first.end(), qRgb(0, 0, 0)), first.end());
  EXPECT_NE(std::find(first.begin(), first.end(), qRgb(255, 255, 255)), first.end());
  QTest::qWait(400);
  EXPECT_NE(topEdge(), first) << "the dashes moved on";

  Key(Qt::Key_Return);
  std::vector<QRgb> sprite;
  for (int x = 4 * z; x < 12 * z; ++x) sprite.push_back(Entry(G().SpritePixels.At(x / z, 4)));
  EXPECT_EQ(topEdge(), sprite) << "no outline without a selection";
}

// A load that fails before its layout leaves the previous sprite shown,
// shaded and read-only: a selection floating on it goes without writing.
TEST_F(SelectionWindow, AFailedLoadGivesUpTheSelectionWithoutWritingAnything) {
  CatalogCopy catalog{scratch};
  catalog.Use();
  catalog.Run("demo.mdb", "UPDATE SPRITE SET Width = 600 WHERE Name = 'Gem'");
  Load(rom);
  Open("Coin");
  Shortcut(Qt::Key_A);
  Key(Qt::Key_Right);
  const PixelGrid moved = G().SpritePixels;
  guard.dialogs.answers.push_back(MsgAnswer::No);  // do not save the sprite
  OpenSprite("TVRLCHILD_Gem");
  ASSERT_FALSE(G().FailedSelection.empty());
  EXPECT_FALSE(Selected());

  Key(Qt::Key_Left);
  Key(Qt::Key_Escape);
  Shortcut(Qt::Key_A);
  window->mnuEditFlipHorizontal->trigger();
  Drag(At(1, 1), At(6, 6));
  Drag(At(3, 3), At(5, 5));
  Shortcut(Qt::Key_X);
  EXPECT_EQ(G().SpritePixels, moved);
  EXPECT_FALSE(Selected());
}

TEST(SelectionClipboard, IndexedDataRoundTripsAndMalformedDataIsRefused) {
  PixelGrid pixels(3, 2);
  const std::uint8_t values[] = {0, 15, kNoColour, 7, 1, 2};
  for (int i = 0; i < 6; ++i) pixels.At(i % 3, i / 3) = values[i];
  const QByteArray data = EncodeIndexedPixels(pixels);
  ASSERT_EQ(data.size(), 12 + 6);
  EXPECT_EQ(data.left(12), QByteArray("KIX1\x03\0\0\0\x02\0\0\0", 12));
  const auto back = DecodeIndexedPixels(data);
  ASSERT_TRUE(back);
  EXPECT_EQ(*back, pixels);

  auto withByte = [&](qsizetype at, char value) {
    QByteArray changed = data;
    changed[at] = value;
    return changed;
  };
  EXPECT_FALSE(DecodeIndexedPixels(QByteArray()));
  EXPECT_FALSE(DecodeIndexedPixels(data.left(17))) << "truncated";
  EXPECT_FALSE(DecodeIndexedPixels(data + 'x')) << "longer than its size";
  EXPECT_FALSE(DecodeIndexedPixels(withByte(0, 'X'))) << "another format";
  EXPECT_FALSE(DecodeIndexedPixels(withByte(4, 0))) << "no width";
  EXPECT_FALSE(DecodeIndexedPixels(withByte(14, 16))) << "index 16";
  QByteArray huge("KIX1\xFF\xFF\xFF\x7F\x01\0\0\0", 12);
  EXPECT_FALSE(DecodeIndexedPixels(huge)) << "a side no sprite has";
}

}  // namespace
}  // namespace kerrow::test
