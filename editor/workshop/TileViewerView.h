// The tile viewer's drawing area: source bytes shown as 4bpp tiles in the
// viewer's arrangement, painted only where exposed, with the sprite selection
// (left button) and the context selection (right button) outlined.
#pragma once

#include <QWidget>
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "workshop/TileViewerLayout.h"
#include "workshop/WorkshopCommands.h"

namespace kerrow {

class TileViewerView : public QWidget {
  Q_OBJECT

 public:
  explicit TileViewerView(QWidget* parent = nullptr);

  void SetSource(std::vector<std::uint8_t> bytes);
  std::int64_t SourceSize() const { return static_cast<std::int64_t>(bytes_.size()); }
  void SetLayout(const TileViewerLayout& layout);
  const TileViewerLayout& Layout() const { return layout_; }
  void SetColours(const std::array<QRgb, 16>& colours);
  void SetZoom(int zoom);
  int Zoom() const { return zoom_; }

  // Moves the start by `delta` bytes, kept inside the source.
  void MoveStart(std::int64_t delta);
  void SetStart(std::int64_t start);
  // Tile rows on screen, partly shown ones included.
  int VisibleRows() const;

  TileRect Selection() const { return selection_; }
  TileRect ContextSelection() const { return context_; }
  void SetSelections(TileRect own, TileRect context);

  // The source offset of the tile under the pointer (empty over a gap).
  std::function<void(std::optional<std::int64_t>)> OnHover;
  std::function<void()> OnStartChanged;
  std::function<void()> OnSelectionChanged;

  QSize sizeHint() const override { return {512, 512}; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  int TileSide() const { return 8 * zoom_; }
  QPoint TileAt(QPoint position) const;
  QRect Outline(TileRect rect) const;

  std::vector<std::uint8_t> bytes_;
  TileViewerLayout layout_;
  std::array<QRgb, 16> colours_{};
  int zoom_ = 2;
  TileRect selection_;
  TileRect context_;
  std::optional<QPoint> dragFrom_;
  bool dragContext_ = false;
  int wheelRemainder_ = 0;
};

}  // namespace kerrow
