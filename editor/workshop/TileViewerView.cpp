#include "workshop/TileViewerView.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QWheelEvent>
#include <algorithm>
#include <cstring>

namespace kerrow {

namespace {
const QRgb kGap = qRgb(64, 64, 64);
}

TileViewerView::TileViewerView(QWidget* parent) : QWidget(parent) {
  setObjectName("picTiles");
  setFocusPolicy(Qt::StrongFocus);
  setMouseTracking(true);
  setAttribute(Qt::WA_OpaquePaintEvent);
  for (int i = 0; i < 16; ++i) colours_[i] = qRgb(i * 17, i * 17, i * 17);
}

void TileViewerView::SetSource(std::vector<std::uint8_t> bytes) {
  bytes_ = std::move(bytes);
  SetStart(layout_.Start);
  update();
}

void TileViewerView::SetLayout(const TileViewerLayout& layout) {
  layout_ = Normalised(layout);
  update();
}

void TileViewerView::SetColours(const std::array<QRgb, 16>& colours) {
  colours_ = colours;
  update();
}

void TileViewerView::SetZoom(int zoom) {
  zoom_ = std::clamp(zoom, 1, 8);
  update();
}

void TileViewerView::SetStart(std::int64_t start) {
  const std::int64_t last = std::max<std::int64_t>(0, SourceSize() - 1);
  start = std::clamp<std::int64_t>(start, 0, last);
  if (start == layout_.Start) return;
  layout_.Start = start;
  update();
  if (OnStartChanged) OnStartChanged();
}

void TileViewerView::MoveStart(std::int64_t delta) {
  std::int64_t target = layout_.Start + delta;
  const std::int64_t last = std::max<std::int64_t>(0, SourceSize() - 1);
  if (delta % 32 == 0 && (target < 0 || target > last)) {
    // Moves by whole tiles (rows, pages, the wheel) stop at the last whole
    // step inside the data instead of at its first or last byte, which would
    // cut every tile in the wrong place.
    target = target < 0 ? layout_.Start % 32 : layout_.Start + (last - layout_.Start) / 32 * 32;
  }
  SetStart(target);
}

int TileViewerView::VisibleRows() const {
  return (height() + TileSide() - 1) / TileSide();
}

void TileViewerView::SetSelections(TileRect own, TileRect context) {
  selection_ = own;
  context_ = context;
  update();
  if (OnSelectionChanged) OnSelectionChanged();
}

QPoint TileViewerView::TileAt(QPoint position) const {
  return {position.x() / TileSide(), position.y() / TileSide()};
}

QPoint TileViewerView::SelectableTileAt(QPoint position) const {
  // A drag may leave the tiles: it then selects up to the nearest tile shown,
  // never columns left of or beyond them, nor rows above them.
  const QPoint tile = TileAt(position);
  return {std::clamp(tile.x(), 0, layout_.VisibleColumns() - 1), std::max(0, tile.y())};
}

QRect TileViewerView::Outline(TileRect rect) const {
  return {rect.X * TileSide(), rect.Y * TileSide(), rect.Width * TileSide() - 1,
          rect.Height * TileSide() - 1};
}

void TileViewerView::paintEvent(QPaintEvent* event) {
  // Only the exposed tiles are decoded, straight from the source bytes, and
  // written enlarged into an image that is then copied to the screen as is.
  const QRect exposed = event->rect();
  const int side = TileSide();
  const int firstColumn = exposed.left() / side;
  const int lastColumn = exposed.right() / side;
  const int firstRow = exposed.top() / side;
  const int lastRow = exposed.bottom() / side;
  const int columns = lastColumn - firstColumn + 1;
  const int rows = lastRow - firstRow + 1;
  QImage image(columns * side, rows * side, QImage::Format_RGB32);
  const std::span<const std::uint8_t> source(bytes_);
  std::vector<std::optional<std::array<std::uint8_t, 64>>> tiles(static_cast<std::size_t>(columns));
  for (int row = 0; row < rows; ++row) {
    for (int column = 0; column < columns; ++column) {
      const auto offset = layout_.OffsetAt(firstColumn + column, firstRow + row);
      tiles[column] = offset ? TilePixelsAt(source, *offset) : std::nullopt;
    }
    for (int y = 0; y < 8; ++y) {
      // One enlarged pixel row, then its copies for the other zoom rows.
      const int top = (row * 8 + y) * zoom_;
      auto* line = reinterpret_cast<QRgb*>(image.scanLine(top));
      for (int column = 0; column < columns; ++column) {
        const auto& pixels = tiles[column];
        QRgb* out = line + column * side;
        for (int x = 0; x < 8; ++x) {
          const QRgb colour = pixels ? colours_[(*pixels)[y * 8 + x]] : kGap;
          for (int z = 0; z < zoom_; ++z) *out++ = colour;
        }
      }
      for (int z = 1; z < zoom_; ++z)
        std::memcpy(image.scanLine(top + z), line, static_cast<std::size_t>(image.bytesPerLine()));
    }
  }
  QPainter painter(this);
  painter.drawImage(QPoint(firstColumn * side, firstRow * side), image);
  if (!selection_.Empty()) {
    painter.setPen(QPen(Qt::yellow, 1));
    painter.drawRect(Outline(selection_));
  }
  if (!context_.Empty()) {
    painter.setPen(QPen(Qt::cyan, 1, Qt::DashLine));
    painter.drawRect(Outline(context_));
  }
}

void TileViewerView::mousePressEvent(QMouseEvent* event) {
  setFocus();
  if (event->button() != Qt::LeftButton && event->button() != Qt::RightButton) return;
  dragContext_ = event->button() == Qt::RightButton || (event->modifiers() & Qt::ShiftModifier);
  dragFrom_ = SelectableTileAt(event->position().toPoint());
  mouseMoveEvent(event);
}

void TileViewerView::mouseMoveEvent(QMouseEvent* event) {
  QPoint tile = TileAt(event->position().toPoint());
  if (OnHover) OnHover(layout_.OffsetAt(tile.x(), tile.y()));
  if (!dragFrom_) return;
  tile = SelectableTileAt(event->position().toPoint());
  const TileRect rect{std::min(dragFrom_->x(), tile.x()), std::min(dragFrom_->y(), tile.y()),
                      std::abs(dragFrom_->x() - tile.x()) + 1,
                      std::abs(dragFrom_->y() - tile.y()) + 1};
  if (dragContext_) {
    SetSelections(selection_, rect);
  } else {
    SetSelections(rect, context_);
  }
}

void TileViewerView::mouseReleaseEvent(QMouseEvent*) {
  dragFrom_.reset();
}

void TileViewerView::wheelEvent(QWheelEvent* event) {
  // One notch (120) moves three rows.
  wheelRemainder_ += event->angleDelta().y();
  const int notches = wheelRemainder_ / 120;
  wheelRemainder_ %= 120;
  MoveStart(-std::int64_t{notches} * 3 * layout_.RowBytes());
  event->accept();
}

void TileViewerView::keyPressEvent(QKeyEvent* event) {
  const bool ctrl = event->modifiers() & Qt::ControlModifier;
  const std::int64_t page = std::max(1, VisibleRows() / layout_.RowStep() - 1) * layout_.RowBytes();
  switch (event->key()) {
    case Qt::Key_Left:
      MoveStart(ctrl ? -32 : -1);
      break;
    case Qt::Key_Right:
      MoveStart(ctrl ? 32 : 1);
      break;
    case Qt::Key_Up:
      MoveStart(-layout_.RowBytes());
      break;
    case Qt::Key_Down:
      MoveStart(layout_.RowBytes());
      break;
    case Qt::Key_PageUp:
      MoveStart(-page);
      break;
    case Qt::Key_PageDown:
      MoveStart(page);
      break;
    case Qt::Key_Home:
      SetStart(0);
      break;
    case Qt::Key_End: {
      // The last page, with the tiles cut where they are cut now: a file whose
      // length is no multiple of a tile would otherwise shift every tile.
      const std::int64_t last = std::max<std::int64_t>(0, SourceSize() - page);
      const std::int64_t phase = ((layout_.Start - last) % 32 + 32) % 32;
      SetStart(last + phase);
      break;
    }
    default:
      QWidget::keyPressEvent(event);
      return;
  }
  event->accept();
}

}  // namespace kerrow
