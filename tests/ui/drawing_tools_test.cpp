// The Paint bucket, the Shape and the Spray can, their options and keys, and
// colour edits on the undo history, driven with real mouse and key events.
// Expected pixels are worked out here, pixel by pixel, from what each tool
// promises.
#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QScrollBar>
#include <QSpinBox>
#include <QToolBar>
#include <QWheelEvent>
#include <cmath>
#include <deque>
#include <set>
#include <utility>

#include "editing/SprayCan.h"
#include "editing/ToolOptions.h"
#include "editing/ToolOptionsBar.h"
#include "editing/Tools.h"
#include "editing/UndoHistory.h"
#include "support/WindowFixture.h"

namespace kerrow::test {
namespace {

using Pixel = std::pair<int, int>;

}  // namespace
}  // namespace kerrow::test

namespace kerrow {
// Failures name the pixels that differ, not the grid's bytes.
void PrintTo(const PixelGrid& grid, std::ostream* out) {
  *out << grid.Width() << "x" << grid.Height() << " grid";
}
}  // namespace kerrow

namespace kerrow::test {
namespace {

// The first pixels where `actual` differs from `expected`, for failure messages.
std::string Differences(const PixelGrid& actual, const PixelGrid& expected) {
  std::string text;
  int shown = 0;
  for (int y = 0; y < actual.Height() && shown < 8; ++y) {
    for (int x = 0; x < actual.Width() && shown < 8; ++x) {
      if (actual.At(x, y) == expected.At(x, y)) continue;
      text += " (" + std::to_string(x) + "," + std::to_string(y) + ")=" +
              std::to_string(actual.At(x, y)) + " not " + std::to_string(expected.At(x, y));
      ++shown;
    }
  }
  return text;
}

class DrawingTools : public WindowFixture {
 protected:
  void SetUp() override {
    WindowFixture::SetUp();
    Load(rom);
  }
  void Open(const std::string& key) {
    OpenSprite(key);
    ASSERT_TRUE(G().SpriteLoaded) << key;
    // A desktop double-click ends with a release; without it the left button
    // would count as held through every later event.
    QTest::mouseRelease(window->tvSprites->viewport(), Qt::LeftButton);
  }
  QWidget* Surface() { return window->picSprite; }
  QPoint At(int px, int py) const {
    const int z = G().ZoomFactor;
    return {px * z + z / 2, py * z + z / 2};
  }
  void Tool(const char* key) {
    window->ToolbarButton(key)->trigger();
    QApplication::processEvents();  // the options bar lays out what it shows
  }
  void Drag(Pixel from, Pixel to, Qt::KeyboardModifiers release = {},
            Qt::MouseButton button = Qt::LeftButton) {
    QTest::mousePress(Surface(), button, {}, At(from.first, from.second));
    QTest::mouseMove(Surface(), At(to.first, to.second));
    QTest::mouseRelease(Surface(), button, release, At(to.first, to.second));
  }
  void Click(Pixel at, Qt::MouseButton button = Qt::LeftButton) {
    QTest::mouseClick(Surface(), button, {}, At(at.first, at.second));
  }
  static void FillGrid(std::uint8_t index) {
    PixelGrid& pixels = G().SpritePixels;
    for (int y = 0; y < pixels.Height(); ++y)
      for (int x = 0; x < pixels.Width(); ++x) pixels.At(x, y) = index;
  }
  static bool Own(int x, int y) { return G().TileMap.ValueOr0(x / 8, y / 8) == kTileWhite; }
  // `before` with `index` given to every own-tile pixel of `shape`.
  static PixelGrid Painted(PixelGrid before, const std::set<Pixel>& shape, std::uint8_t index) {
    for (const auto& [x, y] : shape) {
      if (before.Contains(x, y) && Own(x, y)) before.At(x, y) = index;
    }
    return before;
  }
  void Undo() { window->ToolbarButton("undo")->trigger(); }
  void Redo() { window->ToolbarButton("redo")->trigger(); }
};

// Breadth-first search over 4-neighbours, one pixel at a time.
PixelGrid ExpectedFill(PixelGrid pixels, Pixel seed, std::uint8_t index, bool withinTile) {
  const std::uint8_t target = pixels.At(seed.first, seed.second);
  auto inside = [&](int x, int y) {
    if (!pixels.Contains(x, y) || G().TileMap.ValueOr0(x / 8, y / 8) != kTileWhite) return false;
    if (withinTile && (x / 8 != seed.first / 8 || y / 8 != seed.second / 8)) return false;
    return pixels.At(x, y) == target;
  };
  if (target == index || !inside(seed.first, seed.second)) return pixels;
  std::deque<Pixel> queue{seed};
  pixels.At(seed.first, seed.second) = index;
  while (!queue.empty()) {
    const auto [x, y] = queue.front();
    queue.pop_front();
    for (const auto& [nx, ny] : {Pixel{x + 1, y}, Pixel{x - 1, y}, Pixel{x, y + 1}, Pixel{x, y - 1}}) {
      if (!inside(nx, ny)) continue;
      pixels.At(nx, ny) = index;
      queue.push_back({nx, ny});
    }
  }
  return pixels;
}

// Lamp Post: 3 by 4 tiles, the post (column 1) the sprite's own, the ground
// tiles (0,3) and (2,3) context, the rest empty.
TEST_F(DrawingTools, PaintBucketFillsAcrossOwnTilesOnlyAndIsOneUndoStep) {
  Open("TVRLCHILD_Lamp Post");
  FillGrid(2);  // context and empty positions hold the same index: a fill must not take them
  PixelGrid& pixels = G().SpritePixels;
  for (int x = 8; x <= 14; ++x) pixels.At(x, 12) = 7;  // a wall with a gap at x = 15
  for (int x = 9; x <= 13; ++x) pixels.At(x, 20) = pixels.At(x, 24) = 7;  // a closed box
  for (int y = 20; y <= 24; ++y) pixels.At(9, y) = pixels.At(13, y) = 7;
  G().Palette.Fore.Index = 5;
  G().Palette.Back.Index = 11;
  const PixelGrid original = pixels;
  G().SpriteDirty = false;

  Tool("g");
  Click({10, 3});
  const PixelGrid expected = ExpectedFill(original, {10, 3}, 5, false);
  EXPECT_EQ(pixels, expected);
  EXPECT_EQ(pixels.At(11, 22), 2) << "the closed box stays unfilled";
  EXPECT_EQ(pixels.At(3, 27), 2) << "context tiles never change";
  EXPECT_EQ(pixels.At(12, 31), 5) << "the fill went round the wall into the lowest tile";
  EXPECT_TRUE(G().SpriteDirty);
  EXPECT_EQ(Surface()->grab().toImage().pixel(At(12, 31)), window->picPal[5]->Colour().rgb());

  // The right button fills with the background index, inside the box.
  Click({11, 22}, Qt::RightButton);
  const PixelGrid boxed = ExpectedFill(expected, {11, 22}, 11, false);
  EXPECT_EQ(pixels, boxed);

  Undo();
  EXPECT_EQ(pixels, expected);
  Undo();
  EXPECT_EQ(pixels, original);
  Redo();
  EXPECT_EQ(pixels, expected);

  // A click on a pixel that holds the colour already, or on context or empty
  // tiles, changes nothing and makes no step.
  G().SpriteDirty = false;
  Click({10, 3});
  Click({3, 27});
  Click({20, 4});
  EXPECT_EQ(pixels, expected);
  EXPECT_FALSE(G().SpriteDirty);
  Undo();
  EXPECT_EQ(pixels, original) << "the no-op clicks added no steps";
}

TEST_F(DrawingTools, PaintBucketWithinOneTileStopsAtTheTileBorder) {
  Open("TVRLCHILD_Castle Wall");
  FillGrid(0);
  PixelGrid& pixels = G().SpritePixels;
  for (int y = 0; y < 40; ++y) pixels.At(21, y) = 3;
  G().Palette.Fore.Index = 9;
  const PixelGrid original = pixels;

  Tool("g");
  ASSERT_TRUE(window->tbEtcOptions->cboFillScope->isVisibleTo(window->tbEtc));
  window->tbEtcOptions->cboFillScope->setCurrentIndex(1);
  Click({17, 13});
  EXPECT_EQ(pixels, ExpectedFill(original, {17, 13}, 9, true));
  EXPECT_EQ(pixels.At(16, 8), 9);
  EXPECT_EQ(pixels.At(20, 15), 9);
  EXPECT_EQ(pixels.At(22, 13), 0) << "right of the line, in the same tile";
  EXPECT_EQ(pixels.At(15, 13), 0) << "the next tile";

  window->tbEtcOptions->cboFillScope->setCurrentIndex(0);
  Click({0, 0});
  EXPECT_EQ(pixels.At(127, 127), 9) << "across every tile of the wall";
  EXPECT_EQ(pixels.At(22, 13), 9) << "round the bottom of the line";
}

// The pixels of a line with one per step along the longer axis, nearest the
// exact point, halves rounded up.
std::set<Pixel> ExpectedLine(Pixel from, Pixel to) {
  const int dx = to.first - from.first;
  const int dy = to.second - from.second;
  const int steps = std::max(std::abs(dx), std::abs(dy));
  std::set<Pixel> line;
  for (int i = 0; i <= steps; ++i) {
    const double t = steps == 0 ? 0.0 : double(i) / steps;
    line.insert({from.first + static_cast<int>(std::floor(dx * t + 0.5)),
                 from.second + static_cast<int>(std::floor(dy * t + 0.5))});
  }
  return line;
}

TEST_F(DrawingTools, ShapeDrawsLinesOfEveryOctantAtTheRelease) {
  Open("TVRLCHILD_Castle Wall");
  FillGrid(1);
  G().Palette.Fore.Index = 6;
  Tool("h");
  EXPECT_EQ(window->tbEtcOptions->cboShape->currentText(), "Line");
  const Pixel centre{40, 40};
  const std::vector<Pixel> ends = {{47, 43}, {43, 47}, {37, 47}, {33, 43}, {33, 37},
                                   {37, 33}, {43, 33}, {47, 37}, {52, 40}, {40, 28},
                                   {30, 30}, {40, 40}};
  for (const Pixel& end : ends) {
    const PixelGrid before = G().SpritePixels;
    QTest::mousePress(Surface(), Qt::LeftButton, {}, At(centre.first, centre.second));
    QTest::mouseMove(Surface(), At(end.first, end.second));
    EXPECT_EQ(G().SpritePixels, before) << "nothing changes while dragging";
    const QImage preview = Surface()->grab().toImage();
    EXPECT_EQ(preview.pixel(At(end.first, end.second)), window->picPal[6]->Colour().rgb())
        << "the preview shows the line's end";
    QTest::mouseRelease(Surface(), Qt::LeftButton, {}, At(end.first, end.second));
    EXPECT_EQ(G().SpritePixels, Painted(before, ExpectedLine(centre, end), 6))
        << end.first << "," << end.second;
    Undo();
    EXPECT_EQ(G().SpritePixels, before);
    Redo();
    Undo();
  }
}

std::set<Pixel> Box(Pixel a, Pixel b, bool filled) {
  std::set<Pixel> box;
  const int x0 = std::min(a.first, b.first), x1 = std::max(a.first, b.first);
  const int y0 = std::min(a.second, b.second), y1 = std::max(a.second, b.second);
  for (int y = y0; y <= y1; ++y)
    for (int x = x0; x <= x1; ++x)
      if (filled || x == x0 || x == x1 || y == y0 || y == y1) box.insert({x, y});
  return box;
}

// Pixels whose centres lie in the ellipse inscribed in the box; the outline
// is those with a side neighbour outside.
std::set<Pixel> Ellipse(Pixel a, Pixel b, bool filled) {
  const int x0 = std::min(a.first, b.first), x1 = std::max(a.first, b.first);
  const int y0 = std::min(a.second, b.second), y1 = std::max(a.second, b.second);
  const double rx = (x1 - x0 + 1) / 2.0, ry = (y1 - y0 + 1) / 2.0;
  auto in = [&](int x, int y) {
    const double u = (x + 0.5 - x0 - rx) / rx, v = (y + 0.5 - y0 - ry) / ry;
    return u * u + v * v <= 1.0;
  };
  std::set<Pixel> shape;
  for (int y = y0; y <= y1; ++y) {
    for (int x = x0; x <= x1; ++x) {
      if (!in(x, y)) continue;
      if (filled || !in(x - 1, y) || !in(x + 1, y) || !in(x, y - 1) || !in(x, y + 1))
        shape.insert({x, y});
    }
  }
  return shape;
}

TEST_F(DrawingTools, EachShapeKindWithAndWithoutShift) {
  Open("TVRLCHILD_Castle Wall");
  FillGrid(1);
  G().Palette.Back.Index = 12;
  Tool("h");
  QComboBox* kind = window->tbEtcOptions->cboShape;
  struct Case {
    int kind;
    Pixel from, to;
    Qt::KeyboardModifiers modifiers;
    std::set<Pixel> expected;
  };
  const std::vector<Case> cases = {
      {1, {10, 10}, {20, 14}, {}, Box({10, 10}, {20, 14}, false)},
      {1, {10, 10}, {20, 14}, Qt::ShiftModifier, Box({10, 10}, {20, 20}, false)},
      {2, {30, 12}, {24, 5}, {}, Box({24, 5}, {30, 12}, true)},
      {3, {40, 40}, {60, 51}, {}, Ellipse({40, 40}, {60, 51}, false)},
      {3, {40, 40}, {33, 37}, Qt::ShiftModifier, Ellipse({33, 33}, {40, 40}, false)},
      {4, {70, 70}, {82, 75}, {}, Ellipse({70, 70}, {82, 75}, true)},
      {0, {10, 10}, {20, 12}, Qt::ShiftModifier, ExpectedLine({10, 10}, {20, 10})},
      {0, {10, 10}, {17, 15}, Qt::ShiftModifier, ExpectedLine({10, 10}, {17, 17})},
      {0, {10, 10}, {12, 30}, Qt::ShiftModifier, ExpectedLine({10, 10}, {10, 30})},
  };
  for (const Case& c : cases) {
    kind->setCurrentIndex(c.kind);
    const PixelGrid before = G().SpritePixels;
    Drag(c.from, c.to, c.modifiers, Qt::RightButton);
    const PixelGrid expected = Painted(before, c.expected, 12);
    EXPECT_EQ(G().SpritePixels, expected)
        << kind->currentText().toStdString() << " to " << c.to.first << "," << c.to.second
        << Differences(G().SpritePixels, expected);
    Undo();
    EXPECT_EQ(G().SpritePixels, before);
  }
  EXPECT_EQ(CurrentToolOptions().Shape, ShapeKind::Line);

  // Shift pressed during the drag squares the preview before the pointer moves.
  kind->setCurrentIndex(1);
  G().Palette.Fore.Index = 7;
  const PixelGrid before = G().SpritePixels;
  QTest::mousePress(Surface(), Qt::LeftButton, {}, At(10, 10));
  QTest::mouseMove(Surface(), At(20, 14));
  auto previewed = [&](Pixel p) {
    return Surface()->grab().toImage().pixel(At(p.first, p.second)) ==
           window->picPal[7]->Colour().rgb();
  };
  EXPECT_FALSE(previewed({10, 20}));
  QTest::keyPress(window.get(), Qt::Key_Shift);
  EXPECT_TRUE(previewed({10, 20}));
  EXPECT_TRUE(previewed({20, 20}));
  QTest::keyRelease(window.get(), Qt::Key_Shift);
  EXPECT_FALSE(previewed({10, 20}));
  QTest::mouseRelease(Surface(), Qt::LeftButton, {}, At(20, 14));
  EXPECT_EQ(G().SpritePixels, Painted(before, Box({10, 10}, {20, 14}, false), 7));
}

TEST_F(DrawingTools, ShapesChangeOnlyOwnTiles) {
  Open("TVRLCHILD_Lamp Post");
  FillGrid(4);
  G().Palette.Fore.Index = 8;
  G().SpriteDirty = false;
  Tool("h");
  window->tbEtcOptions->cboShape->setCurrentIndex(2);
  const PixelGrid before = G().SpritePixels;
  Drag({2, 20}, {21, 29});  // across the ground and the post
  const PixelGrid expected = Painted(before, Box({2, 20}, {21, 29}, true), 8);
  EXPECT_EQ(G().SpritePixels, expected) << Differences(G().SpritePixels, expected);
  EXPECT_EQ(G().SpritePixels.At(2, 27), 4);
  EXPECT_EQ(G().SpritePixels.At(12, 27), 8);
  EXPECT_TRUE(G().SpriteDirty);

  // Wholly over context and empty tiles: nothing, not even the dirty flag.
  G().SpriteDirty = false;
  const PixelGrid drawn = G().SpritePixels;
  Drag({0, 25}, {6, 30});
  EXPECT_EQ(G().SpritePixels, drawn);
  EXPECT_FALSE(G().SpriteDirty);
}

TEST_F(DrawingTools, SprayPaintsWithinItsRadiusWhileHeldAndRepeatsFromASeed) {
  Open("TVRLCHILD_Castle Wall");
  FillGrid(0);
  G().Palette.Fore.Index = 3;
  Tool("f");
  ASSERT_TRUE(window->tbEtcOptions->spnSprayRadius->isVisibleTo(window->tbEtc));
  EXPECT_EQ(window->tbEtcOptions->spnSprayRadius->value(), 4);
  window->tbEtcOptions->spnSprayRadius->setValue(3);
  const int density = window->tbEtcOptions->spnSprayDensity->value();
  const PixelGrid before = G().SpritePixels;

  QTest::mousePress(Surface(), Qt::LeftButton, {}, At(50, 50));
  int afterPress = 0;
  for (int x = 0; x < 128; ++x)
    for (int y = 0; y < 128; ++y) afterPress += G().SpritePixels.At(x, y) != 0;
  EXPECT_GT(afterPress, 0) << "the press sprays at once";
  EXPECT_LE(afterPress, density);
  QTest::qWait(12 * kSprayTickMilliseconds);  // the pointer rests: the timer keeps spraying
  QTest::mouseRelease(Surface(), Qt::LeftButton, {}, At(50, 50));
  int painted = 0;
  for (int y = 0; y < 128; ++y) {
    for (int x = 0; x < 128; ++x) {
      if (G().SpritePixels.At(x, y) == 0) continue;
      ++painted;
      EXPECT_EQ(G().SpritePixels.At(x, y), 3);
      EXPECT_LE((x - 50) * (x - 50) + (y - 50) * (y - 50), 9) << x << "," << y;
    }
  }
  EXPECT_GT(painted, afterPress) << "ticks while held added dots";
  const PixelGrid sprayed = G().SpritePixels;
  Undo();
  EXPECT_EQ(G().SpritePixels, before) << "one step for the whole spray";
  Redo();
  EXPECT_EQ(G().SpritePixels, sprayed);

  // Along a path: dots near every part of it, none beyond the radius.
  Undo();
  QTest::mousePress(Surface(), Qt::LeftButton, {}, At(20, 90));
  QTest::mouseMove(Surface(), At(80, 90));
  QTest::mouseRelease(Surface(), Qt::LeftButton, {}, At(80, 90));
  int nearMiddle = 0;
  for (int y = 0; y < 128; ++y) {
    for (int x = 0; x < 128; ++x) {
      if (G().SpritePixels.At(x, y) == 0) continue;
      EXPECT_LE(std::abs(y - 90), 3);
      EXPECT_TRUE(x >= 17 && x <= 83) << x;
      nearMiddle += std::abs(x - 50) <= 6;
    }
  }
  EXPECT_GT(nearMiddle, 0);
  Undo();

  // The same seed sprays the same dots.
  SeedSprayCan(99);
  Click({64, 64});
  const PixelGrid first = G().SpritePixels;
  Undo();
  SeedSprayCan(99);
  Click({64, 64});
  EXPECT_EQ(G().SpritePixels, first);
  EXPECT_NE(G().SpritePixels, before);
}

TEST_F(DrawingTools, SprayNeverReachesContextOrEmptyTiles) {
  Open("TVRLCHILD_Lamp Post");
  FillGrid(0);
  G().Palette.Fore.Index = 3;
  Tool("f");
  window->tbEtcOptions->spnSprayRadius->setValue(16);
  window->tbEtcOptions->spnSprayDensity->setValue(64);
  SeedSprayCan(5);
  for (int i = 0; i < 5; ++i) Click({8, 26});
  int onPost = 0;
  for (int y = 0; y < 32; ++y) {
    for (int x = 0; x < 24; ++x) {
      if (!Own(x, y)) {
        EXPECT_EQ(G().SpritePixels.At(x, y), 0) << x << "," << y;
      } else {
        onPost += G().SpritePixels.At(x, y) == 3;
      }
    }
  }
  EXPECT_GT(onPost, 0);
}

TEST_F(DrawingTools, ColourEditsShareTheUndoHistoryWithStrokes) {
  Open("TVRLCHILD_Coin");
  ColourBox* five = window->picPal[5];
  QTest::mouseClick(five, Qt::LeftButton, {}, five->rect().center());
  ASSERT_EQ(G().Palette.Fore.Index, 5);
  const QColor old = five->Colour();
  const PixelGrid original = G().SpritePixels;

  Tool("a");
  Click({2, 2});
  const PixelGrid drawn = G().SpritePixels;
  guard.dialogs.colours = {0x00EE00EE};
  QTest::mouseDClick(five, Qt::LeftButton, {}, five->rect().center());
  QTest::mouseRelease(five, Qt::LeftButton, {}, five->rect().center());
  const QColor edited = five->Colour();
  ASSERT_NE(edited, old);
  ASSERT_TRUE(G().PaletteDirty);
  G().PaletteDirty = false;  // as after Save Palette
  G().SpriteDirty = false;

  Undo();  // the colour edit came last
  EXPECT_EQ(five->Colour(), old);
  EXPECT_TRUE(G().PaletteDirty);
  EXPECT_FALSE(G().SpriteDirty);
  EXPECT_EQ(G().SpritePixels, drawn);
  EXPECT_EQ(window->picFore->Colour(), old) << "the swatch showing entry 5 follows it";
  EXPECT_EQ(Surface()->grab().toImage().pixel(At(2, 2)), old.rgb());

  Undo();
  EXPECT_EQ(G().SpritePixels, original);
  EXPECT_EQ(five->Colour(), old);

  Redo();
  Redo();
  EXPECT_EQ(G().SpritePixels, drawn);
  EXPECT_EQ(five->Colour(), edited);
  EXPECT_EQ(Surface()->grab().toImage().pixel(At(2, 2)), edited.rgb());
}

TEST_F(DrawingTools, ToolKeysTipsAndOptionsRememberedBetweenRuns) {
  const std::vector<std::pair<Qt::Key, const char*>> keys = {
      {Qt::Key_G, "g"}, {Qt::Key_U, "h"}, {Qt::Key_A, "f"}, {Qt::Key_I, "b"},
      {Qt::Key_R, "c"}, {Qt::Key_E, "e"}, {Qt::Key_S, "d"}, {Qt::Key_P, "a"}};
  window->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
  for (const auto& [key, button] : keys) {
    QTest::keyClick(window.get(), key);
    EXPECT_EQ(G().CurrentTool, button[0] - 'a') << button;
    EXPECT_TRUE(window->ToolbarButton(button)->isChecked()) << button;
    const QString letter = QKeySequence(key).toString();
    EXPECT_TRUE(window->ToolbarButton(button)->toolTip().endsWith("(" + letter + ")"));
  }
  EXPECT_EQ(window->ToolbarButton("c")->toolTip(), "Color replacer (R)");
  EXPECT_EQ(window->ToolbarButton("c")->statusTip(), "Color Replacer");
  EXPECT_EQ(window->ToolbarButton("reload")->toolTip(), "Reload");
  EXPECT_EQ(window->ToolbarButton("reload")->statusTip(), "Info");

  // Only the current tool's options show.
  ToolOptionsBar& options = *window->tbEtcOptions;
  Tool("a");
  EXPECT_FALSE(options.cboShape->isVisibleTo(window->tbEtc));
  EXPECT_FALSE(options.spnSprayRadius->isVisibleTo(window->tbEtc));
  Tool("h");
  EXPECT_TRUE(options.cboShape->isVisibleTo(window->tbEtc));
  EXPECT_FALSE(options.cboFillScope->isVisibleTo(window->tbEtc));

  options.cboShape->setCurrentIndex(3);
  options.spnSprayRadius->setValue(11);
  options.spnSprayDensity->setValue(20);
  options.cboFillScope->setCurrentIndex(1);
  CurrentToolOptions() = ToolOptions{};
  window.reset();
  window = std::make_unique<frmMain>();
  EXPECT_EQ(window->tbEtcOptions->cboShape->currentIndex(), 3);
  EXPECT_EQ(window->tbEtcOptions->spnSprayRadius->value(), 11);
  EXPECT_EQ(window->tbEtcOptions->spnSprayDensity->value(), 20);
  EXPECT_EQ(CurrentToolOptions().Shape, ShapeKind::Ellipse);
  EXPECT_EQ(CurrentToolOptions().SprayRadius, 11);
  EXPECT_EQ(CurrentToolOptions().Fill, FillScope::WithinTile);
}

TEST_F(DrawingTools, CtrlWheelZoomsThroughTheMenuStepsAroundThePointer) {
  Open("TVRLCHILD_Castle Wall");
  QWidget* viewport = window->picEdBack;
  auto wheel = [&](QPoint onViewport, int angle) {
    const QPointF local = window->picSprite->mapFrom(viewport, QPointF(onViewport));
    QWheelEvent event(local, window->picSprite->mapToGlobal(local), QPoint(), QPoint(0, angle),
                      Qt::NoButton, Qt::ControlModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(window->picSprite, &event);
  };
  // The sprite pixel under a viewport point.
  auto under = [&](QPoint onViewport) {
    const QPoint s = onViewport - window->picSprite->pos();
    return Pixel{s.x() / G().ZoomFactor, s.y() / G().ZoomFactor};
  };
  const QPoint pointer(180, 140);
  const Pixel before = under(pointer);
  wheel(pointer, 120);
  EXPECT_EQ(G().ZoomFactor, 16);
  EXPECT_TRUE(window->mnuViewZoomE[4]->isChecked());
  EXPECT_EQ(under(pointer), before);
  wheel(pointer, 120);
  EXPECT_EQ(G().ZoomFactor, 24);
  EXPECT_EQ(under(pointer), before);
  wheel(pointer, 120);  // the last step: stays
  EXPECT_EQ(G().ZoomFactor, 24);
  wheel(pointer, -360);  // the sprite cannot move right of the corner: it stays there
  EXPECT_EQ(G().ZoomFactor, 6);
  EXPECT_TRUE(window->mnuViewZoomE[2]->isChecked());
  wheel(pointer, 60);  // half a notch waits for the other half
  EXPECT_EQ(G().ZoomFactor, 6);
  wheel(pointer, 60);
  EXPECT_EQ(G().ZoomFactor, 8);
}

}  // namespace
}  // namespace kerrow::test
