#include "graphics/SurfaceView.h"

#include <QImage>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>
#include <cmath>

#include "editing/GestureTools.h"
#include "editing/PaletteStripView.h"
#include "shell/bGlobals.h"

namespace kerrow {

namespace {

const QColor kMagenta(255, 0, 255);
const QColor kShadeBorder(224, 224, 224);
const QColor kShadeHatch(192, 192, 255);

int Zoom() {
  return std::max<int>(1, G().ZoomFactor);
}

QColor EntryColour(std::uint8_t index) {
  return ToQColor(G().Palette.Entries[index & 0x0F].Colour);
}

// A darker shade of the pixel's colour shows in the gaps of the grid's dashes.
// Near-black colours get a lighter shade instead, which darkening cannot give.
QColor GapColour(const QColor& colour) {
  if (colour.lightness() >= 48) return colour.darker(160);
  return QColor(std::min(255, colour.red() + 80), std::min(255, colour.green() + 80),
                std::min(255, colour.blue() + 80));
}

// Positions can be fractional (scaled displays, tablets); a point belongs to
// the pixel it lies in, so they are floored, never rounded.
QPoint SurfacePixel(const QMouseEvent* event) {
  return {static_cast<int>(std::floor(event->position().x())),
          static_cast<int>(std::floor(event->position().y()))};
}

}  // namespace

SurfaceView::SurfaceView(QWidget* viewport, QScrollBar* horizontal, QScrollBar* vertical)
    : QWidget(viewport), horizontal_(horizontal), vertical_(vertical) {
  setObjectName("picSprite");
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMouseTracking(true);
  hide();
  viewport->installEventFilter(this);
}

bool SurfaceView::eventFilter(QObject* watched, QEvent* event) {
  if (watched == parentWidget() && event->type() == QEvent::Resize) FollowViewport();
  return QWidget::eventFilter(watched, event);
}

void SurfaceView::FollowViewport() {
  if (isHidden() || cleared_) return;
  const QWidget* viewport = parentWidget();
  auto follow = [](QScrollBar* bar, int side, int room, double twips) {
    if (side > room) {
      bar->setEnabled(true);
      bar->setMaximum(ScrollMaximum(side, twips));
    } else {
      bar->setValue(0);
      bar->setEnabled(false);
    }
  };
  follow(horizontal_, width(), viewport->width(), TwipsPerPixelX());
  follow(vertical_, height(), viewport->height(), TwipsPerPixelY());
}

double SurfaceView::TwipsPerPixelX() const {
  return 1440.0 / std::max(1, logicalDpiX());
}
double SurfaceView::TwipsPerPixelY() const {
  return 1440.0 / std::max(1, logicalDpiY());
}

void SurfaceView::DrawPixel(std::int32_t x, std::int32_t y, std::uint8_t colourIndex) {
  if (colourIndex == kNoColour) return;
  const int z = Zoom();
  update(QRect(x * z, y * z, z, z));
}

void SurfaceView::ShadeTile(std::int32_t tx, std::int32_t ty) {
  const int side = 8 * Zoom();
  update(QRect(tx * side, ty * side, side, side));
}

void SurfaceView::RepaintArea(std::int32_t x0, std::int32_t y0, std::int32_t x1, std::int32_t y1) {
  const int z = Zoom();
  update(QRect(QPoint(x0 * z, y0 * z), QPoint((x1 + 1) * z - 1, (y1 + 1) * z - 1)));
}

void SurfaceView::LayoutSurface(std::int32_t widthTiles, std::int32_t heightTiles) {
  const int z = Zoom();
  const int width = SurfaceSide(widthTiles, z);
  const int height = SurfaceSide(heightTiles, z);
  resize(width, height);
  move(0, 0);
  const QWidget* viewport = parentWidget();
  const double sx = TwipsPerPixelX();
  const double sy = TwipsPerPixelY();
  if (width * sx > viewport->width() * sx) {
    horizontal_->setEnabled(true);
    horizontal_->setMaximum(ScrollMaximum(width, sx));
  }
  if (height * sy > viewport->height() * sy) {
    vertical_->setEnabled(true);
    vertical_->setMaximum(ScrollMaximum(height, sy));
  }
  cleared_ = false;
  update();
}

void SurfaceView::LayoutForLoad(std::int32_t widthTiles, std::int32_t heightTiles) {
  const int z = Zoom();
  SurfaceSide(widthTiles, z);  // fails before anything changes
  SurfaceSide(heightTiles, z);
  ClearSurface();
  show();
  RecreateSpriteGrids(widthTiles, heightTiles);
  horizontal_->setEnabled(false);
  vertical_->setEnabled(false);
  LayoutSurface(widthTiles, heightTiles);
}

void SurfaceView::RedrawSprite() {
  if (!G().SpriteLoaded) return;
  ClearSurface();
  TableView& record = GameTableView(G().SpriteIsCompressed ? kCompressed : kSprite);
  LayoutSurface(record.Integer("Width"), record.Integer("Height"));
}

void SurfaceView::ClearSurface() {
  cleared_ = true;
  update();
}

void SurfaceView::paintEvent(QPaintEvent* event) {
  QPainter painter(this);
  const QRect exposed = event->rect();
  painter.fillRect(exposed, kMagenta);
  if (cleared_) return;
  const int z = Zoom();
  PaintPixels(painter, exposed, z);
  PaintShading(painter, exposed, z);
  PaintShapePreview(painter, exposed, z);
  if (PaintOver) PaintOver(painter, exposed);
}

// The shape being dragged, in its colour over every tile; only the sprite's
// own tiles take it at the release.
void SurfaceView::PaintShapePreview(QPainter& painter, const QRect& exposed, int z) const {
  const ShapePreview& preview = CurrentShapePreview();
  if (preview.Spans.empty()) return;
  const QColor colour = EntryColour(preview.Index);
  const int top = exposed.top() / z;
  const int bottom = exposed.bottom() / z;
  const int left = exposed.left() / z;
  const int right = exposed.right() / z;
  for (const PixelSpan& span : preview.Spans) {
    if (span.y < top || span.y > bottom) continue;
    const int x0 = std::max(span.x0, left);
    const int x1 = std::min(span.x1, right);
    if (x0 > x1) continue;
    painter.fillRect(QRect(x0 * z, span.y * z, (x1 - x0 + 1) * z, z), colour);
  }
}

void SurfaceView::PaintPixels(QPainter& painter, const QRect& exposed, int z) const {
  const PixelGrid& pixels = G().SpritePixels;
  const PixelGrid& tiles = G().TileMap;
  const int x0 = std::max(0, exposed.left() / z);
  const int y0 = std::max(0, exposed.top() / z);
  const int x1 = std::min(pixels.Width() - 1, exposed.right() / z);
  const int y1 = std::min(pixels.Height() - 1, exposed.bottom() / z);
  if (x1 < x0 || y1 < y0) return;

  if (z == 1) {
    // One screen pixel per sprite pixel: build the exposed part as an image.
    QImage image(x1 - x0 + 1, y1 - y0 + 1, QImage::Format_RGB32);
    image.fill(kMagenta);
    for (int y = y0; y <= y1; ++y) {
      auto* line = reinterpret_cast<QRgb*>(image.scanLine(y - y0));
      for (int x = x0; x <= x1; ++x) {
        if (tiles.ValueOr0(x / 8, y / 8) == kTileEmpty) continue;
        line[x - x0] = EntryColour(pixels.At(x, y)).rgb();
      }
    }
    painter.drawImage(x0, y0, image);
    return;
  }

  const bool grid = G().GridMode;
  QPen gapPen;
  QPen dashPen(Qt::DashLine);
  dashPen.setWidth(0);
  gapPen.setWidth(0);
  for (int y = y0; y <= y1; ++y) {
    for (int x = x0; x <= x1; ++x) {
      if (tiles.ValueOr0(x / 8, y / 8) == kTileEmpty) continue;
      const QColor colour = EntryColour(pixels.At(x, y));
      const QRect square(x * z, y * z, z, z);  // (zx, zy) to (zx + z - 1, zy + z - 1)
      painter.fillRect(square, colour);
      if (grid) {
        const QRect outline(square.left(), square.top(), z - 1, z - 1);
        gapPen.setColor(GapColour(colour));
        painter.setPen(gapPen);
        painter.drawRect(outline);
        dashPen.setColor(colour);
        painter.setPen(dashPen);
        painter.drawRect(outline);
      }
    }
  }
}

void SurfaceView::PaintShading(QPainter& painter, const QRect& exposed, int z) const {
  const PixelGrid& tiles = G().TileMap;
  const int side = 8 * z;
  const int tx0 = std::max(0, exposed.left() / side);
  const int ty0 = std::max(0, exposed.top() / side);
  const int tx1 = std::min(tiles.Width() - 1, exposed.right() / side);
  const int ty1 = std::min(tiles.Height() - 1, exposed.bottom() / side);
  // In grid mode every outline on the surface is dashed, this border too.
  QPen border(kShadeBorder, 0, G().GridMode ? Qt::DashLine : Qt::SolidLine);
  for (int ty = ty0; ty <= ty1; ++ty) {
    for (int tx = tx0; tx <= tx1; ++tx) {
      if (tiles.ValueOr0(tx, ty) != kTileGrey) continue;
      const QRect tile(tx * side, ty * side, side, side);
      // The hatch is anchored to the tile so partial repaints line up.
      painter.setBrushOrigin(tile.topLeft());
      painter.fillRect(tile, QBrush(kShadeHatch, Qt::DiagCrossPattern));
      painter.setPen(border);
      painter.setBrush(Qt::NoBrush);
      painter.drawRect(tile.adjusted(0, 0, -1, -1));  // outline exactly 8z square
    }
  }
}

void SurfaceView::mousePressEvent(QMouseEvent* event) {
  const QPoint at = SurfacePixel(event);
  modifiers_ = event->modifiers();
  if (OnMouseDown) OnMouseDown(event->button(), at.x(), at.y());
}

void SurfaceView::mouseMoveEvent(QMouseEvent* event) {
  const QPoint at = SurfacePixel(event);
  modifiers_ = event->modifiers();
  if (OnMouseMove) OnMouseMove(event->buttons(), at.x(), at.y());
}

void SurfaceView::mouseReleaseEvent(QMouseEvent* event) {
  const QPoint at = SurfacePixel(event);
  modifiers_ = event->modifiers();
  if (OnMouseUp) OnMouseUp(event->buttons(), at.x(), at.y());
}

}  // namespace kerrow
