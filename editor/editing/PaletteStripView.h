// The palette strip widgets: sixteen colour boxes and the fore/back swatches,
// all views of the palette held in the globals.
#pragma once

#include <QColor>
#include <QFrame>
#include <QWidget>
#include <array>
#include <functional>

#include "shell/Dialogs.h"

namespace kerrow {

QColor ToQColor(DisplayColour colour);

// One colour box. A button release is reported to the box that got the press,
// wherever the pointer is then (Qt grabs the mouse on press).
class ColourBox : public QWidget {
  Q_OBJECT

 public:
  explicit ColourBox(QWidget* parent = nullptr);
  void SetColour(const QColor& colour);
  QColor Colour() const { return colour_; }

 signals:
  void Released(Qt::MouseButton button);
  void DoubleClicked();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  QColor colour_;
  Qt::MouseButtons pressed_;
};

class PaletteStripView : public QFrame {
  Q_OBJECT

 public:
  explicit PaletteStripView(QWidget* parent = nullptr);

  ColourBox* picFore = nullptr;
  ColourBox* picBack = nullptr;
  std::array<ColourBox*, 16> picPal{};

  // Shows the palette and the two selections as the globals hold them.
  void Refresh();

  // Redraws the sprite after a colour change; set by the window.
  std::function<void()> OnPaletteEdited;
  // Wraps each command so failures reach the user; set by the window.
  std::function<void(const std::function<void()>&)> RunCommand;

  void picPal_MouseUp(int index, Qt::MouseButton button);
  void picPal_DblClick(int index);

 private:
  void Invoke(const std::function<void()>& command);
};

}  // namespace kerrow
