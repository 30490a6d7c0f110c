// The edit surface: a view of SpritePixels, TileMap and the palette at the
// current zoom. It paints only the exposed region straight from the model, so
// its memory does not grow with the zoom and it repaints after being covered.
#pragma once

#include <QWidget>
#include <cstdint>
#include <functional>

#include "browser/SpriteLayout.h"

class QPainter;
class QScrollBar;

namespace kerrow {

class SurfaceView : public QWidget, public SpriteStage {
  Q_OBJECT

 public:
  // `viewport` (picEdBack) holds and clips the surface; the scroll bars sit beside it.
  SurfaceView(QWidget* viewport, QScrollBar* horizontal, QScrollBar* vertical);

  void DrawPixel(std::int32_t x, std::int32_t y, std::uint8_t colourIndex) override;
  void ShadeTile(std::int32_t tx, std::int32_t ty) override;
  void RepaintArea(std::int32_t x0, std::int32_t y0, std::int32_t x1, std::int32_t y1) override;
  void LayoutForLoad(std::int32_t widthTiles, std::int32_t heightTiles) override;

  // Sizes the surface for W x H tiles at the current zoom, moves it to the
  // viewport's corner and enables the scroll bars it needs. Failure 6 when a
  // side exceeds 32767 pixels (nothing changes then).
  void LayoutSurface(std::int32_t widthTiles, std::int32_t heightTiles);
  // Clears, lays out for the current record and repaints; nothing without a sprite.
  void RedrawSprite();
  // Shows nothing but the background until the next layout.
  void ClearSurface();

  // Twips per screen pixel, per axis (15 at 96 dpi): one scroll unit.
  double TwipsPerPixelX() const;
  double TwipsPerPixelY() const;

  // Pointer events in whole surface pixels (positions floored), routed to the
  // window's tool handlers: the button pressed, the buttons held, and the
  // buttons still held after a release.
  std::function<void(Qt::MouseButtons, int, int)> OnMouseDown;
  std::function<void(Qt::MouseButtons, int, int)> OnMouseMove;
  std::function<void(Qt::MouseButtons, int, int)> OnMouseUp;
  // The modifier keys of the pointer event being handled.
  Qt::KeyboardModifiers Modifiers() const { return modifiers_; }
  // Paints over the sprite within the exposed rectangle (the selection's outline).
  std::function<void(QPainter&, const QRect&)> PaintOver;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  void PaintPixels(class QPainter& painter, const QRect& exposed, int zoom) const;
  void PaintShading(class QPainter& painter, const QRect& exposed, int zoom) const;
  void PaintShapePreview(class QPainter& painter, const QRect& exposed, int zoom) const;
  // Scroll bars for the viewport's present size: enabled with a new maximum
  // where the surface is larger, back at 0 and disabled where it now fits.
  void FollowViewport();

  QScrollBar* horizontal_;
  QScrollBar* vertical_;
  bool cleared_ = true;
  Qt::KeyboardModifiers modifiers_;
};

}  // namespace kerrow
