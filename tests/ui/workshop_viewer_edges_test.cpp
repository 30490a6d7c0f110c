// The tile viewer at the edges of its data: files whose length is no multiple
// of a tile, moves that would pass either end.
#include <QScrollBar>
#include <QSpinBox>
#include <QTest>
#include <QWheelEvent>

#include "support/WindowFixture.h"
#include "workshop/TileViewerView.h"
#include "workshop/frmTileViewer.h"

namespace kerrow::test {
namespace {

class ViewerEdges : public ::testing::Test {
 protected:
  void SetUp() override {
    viewer.resize(400, 300);
    viewer.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&viewer));
  }
  // Shows `size` bytes of a file of our own.
  void ShowBytes(std::size_t size) {
    std::vector<unsigned char> bytes(size);
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<unsigned char>(i * 7);
    WriteBytes(path, bytes);
    viewer.ShowSource({path, path});
  }
  std::int64_t Start() const { return viewer.picTiles->Layout().Start; }

  CoreFixtureGuard guard;
  ScratchDir scratch;
  std::string path = scratch.File("odd.bin");
  frmTileViewer viewer;
};

TEST_F(ViewerEdges, EndKeepsTheTilesCutWhereTheyWere) {
  // 0x8001 bytes: the last page must not start one byte off the tile grid.
  ShowBytes(0x8001);
  TileViewerView* view = viewer.picTiles;
  const std::int64_t page = (view->VisibleRows() - 1) * view->Layout().RowBytes();
  for (const std::int64_t from : {std::int64_t{0}, std::int64_t{0x45}}) {
    view->SetStart(from);
    QTest::keyClick(view, Qt::Key_End);
    EXPECT_EQ(Start() % 32, from % 32) << from;
    // The last page: the last whole tile of that grid is on screen.
    EXPECT_GE(Start() + page + view->Layout().RowBytes(), 0x8001 - 32) << from;
    EXPECT_LE(Start(), 0x8001 - 32) << from;
  }
}

TEST_F(ViewerEdges, RowsPagesWheelAndScrollBarStopOnTheTileGrid) {
  ShowBytes(0x8000);
  TileViewerView* view = viewer.picTiles;
  const std::int64_t row = view->Layout().RowBytes();
  auto onGridInside = [&](const char* what) {
    EXPECT_EQ(Start() % 32, 0) << what;
    EXPECT_LE(Start(), 0x8000 - 32) << what;
  };
  QTest::keyClick(view, Qt::Key_End);
  onGridInside("End");
  QTest::keyClick(view, Qt::Key_PageDown);
  onGridInside("Page Down at the end");
  QTest::keyClick(view, Qt::Key_Down);
  onGridInside("Down at the end");
  const QPoint centre = view->rect().center();
  QWheelEvent wheel(centre, view->mapToGlobal(centre), {}, {0, -120 * 5}, Qt::NoButton, {},
                    Qt::NoScrollPhase, false);
  QCoreApplication::sendEvent(view, &wheel);
  onGridInside("wheel at the end");
  // Back up a page: still whole tiles, not a grid shifted by the clamp.
  QTest::keyClick(view, Qt::Key_PageUp);
  EXPECT_EQ(Start() % 32, 0);

  // The scroll bar's end shows the last page full, as End does.
  viewer.sprRows->setValue(viewer.sprRows->maximum());
  onGridInside("scroll bar at its end");
  EXPECT_GE(Start() + view->VisibleRows() * row, 0x8000) << "the last row is on screen";
  EXPECT_LE(Start() + 2 * row, 0x8000) << "more than one row of data is on screen";

  // An unaligned start keeps its phase at the top too.
  view->SetStart(0x45);
  QTest::keyClick(view, Qt::Key_PageUp);
  EXPECT_EQ(Start(), 0x05);
}

}  // namespace
}  // namespace kerrow::test
