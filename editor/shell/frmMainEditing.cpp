// Editing handlers of the main window: pointer tools, undo, grid, zoom,
// scrolling, exit and the Help and Game Information boxes. They only route to
// the editing core.
#include <QCoreApplication>
#include <QApplication>
#include <QDialog>
#include <QKeyEvent>
#include <QScrollBar>
#include <QTimer>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

#include "bridge/WriteBack.h"
#include "catalog/GameInformation.h"
#include "editing/ExitQuestions.h"
#include "editing/GestureTools.h"
#include "editing/PaletteStripView.h"
#include "editing/SprayCan.h"
#include "editing/Stroke.h"
#include "editing/Tools.h"
#include "editing/UndoHistory.h"
#include "editing/ViewSettings.h"
#include "graphics/SurfaceView.h"
#include "shell/Dialogs.h"
#include "shell/SkipOnFailure.h"
#include "shell/bGlobals.h"
#include "shell/frmMain.h"

namespace kerrow {
namespace {

// Shift keeps the Shape's lines to 45 degree steps and its boxes square.
bool ConstrainShapes(const SurfaceView& surface) {
  return surface.Modifiers() & Qt::ShiftModifier;
}

PointerButtons ToButtons(Qt::MouseButtons buttons) {
  PointerButtons held = kButtonNone;
  if (buttons & Qt::LeftButton) held |= kButtonLeft;
  if (buttons & Qt::RightButton) held |= kButtonRight;
  if (buttons & Qt::MiddleButton) held |= kButtonMiddle;
  return held;
}

// Turns the wheel over the viewport into scroll-bar steps (Shift or a sideways
// wheel scrolls horizontally), so a large sprite can be browsed without the bars.
// `scrolled` then receives the pointer's position on the moved surface. With
// Ctrl, each notch is a zoom step instead, handed to `zoom` with the pointer's
// position in the viewport.
class WheelScroller : public QObject {
 public:
  WheelScroller(frmMain* window, std::function<void(QPointF)> scrolled,
                std::function<void(int, QPointF)> zoom)
      : QObject(window), window_(window), scrolled_(std::move(scrolled)), zoom_(std::move(zoom)) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::Wheel) return QObject::eventFilter(watched, event);
    const auto* wheel = static_cast<QWheelEvent*>(event);
    QWidget* viewport = window_->picEdBack;
    auto* source = qobject_cast<QWidget*>(watched);
    const QPointF inViewport = source ? source->mapTo(viewport, wheel->position()) : QPointF();
    if (wheel->modifiers() & Qt::ControlModifier) {
      // Fine-grained wheels send parts of a notch: they add up to a step.
      zoomAngle_ += wheel->angleDelta().y();
      const int steps = zoomAngle_ / 120;
      zoomAngle_ -= steps * 120;
      if (steps != 0 && source && zoom_) zoom_(steps, inViewport);
      return true;
    }
    QPoint delta = wheel->angleDelta();
    if (wheel->modifiers() & Qt::ShiftModifier) delta = QPoint(delta.y(), delta.x());
    const bool sideways = Scroll(window_->sprScrollH, delta.x());
    const bool upOrDown = Scroll(window_->sprScrollV, delta.y());
    if ((sideways || upOrDown) && source && scrolled_) {
      scrolled_(inViewport - QPointF(window_->picSprite->pos()));
    }
    return true;
  }

 private:
  // One wheel notch (120) moves three steps, as text views do.
  static bool Scroll(QScrollBar* bar, int angle) {
    if (angle == 0 || !bar->isEnabled()) return false;
    const int before = bar->value();
    bar->setValue(before - angle * 3 * bar->singleStep() / 120);
    return bar->value() != before;
  }

  frmMain* window_;
  std::function<void(QPointF)> scrolled_;
  std::function<void(int, QPointF)> zoom_;
  int zoomAngle_ = 0;
};

// Shift pressed or let go while a shape is dragged reshapes the preview
// without waiting for the pointer to move. The keys go on to their widgets.
class ShiftWatcher : public QObject {
 public:
  ShiftWatcher(QObject* parent, SurfaceView* surface) : QObject(parent), surface_(surface) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    const auto type = event->type();
    if ((type == QEvent::KeyPress || type == QEvent::KeyRelease) && GestureActive()) {
      const auto* key = static_cast<QKeyEvent*>(event);
      if (key->key() == Qt::Key_Shift && !key->isAutoRepeat()) {
        SkipOnFailure([&] { GestureConstrain(type == QEvent::KeyPress, *surface_); });
      }
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  SurfaceView* surface_;
};

}  // namespace

void frmMain::InitEditing() {
  if (QAction* undo = ToolbarButton("undo")) undo->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
  if (QAction* redo = ToolbarButton("redo")) redo->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Y));
  // The surface follows the thumb while it is dragged, even without tracking
  // (with tracking, valueChanged moves it already).
  connect(sprScrollH, &QScrollBar::sliderMoved, this, [this] {
    if (!sprScrollH->hasTracking()) Run([&] { sprScrollH_Change(); });
  });
  connect(sprScrollV, &QScrollBar::sliderMoved, this, [this] {
    if (!sprScrollV->hasTracking()) Run([&] { sprScrollV_Change(); });
  });
  auto* wheel = new WheelScroller(
      this, [this](QPointF at) { ShowPixelUnderPointer(at); },
      [this](int steps, QPointF at) { Run([&] { ZoomAround(steps, at); }); });
  picEdBack->installEventFilter(wheel);
  picSprite->installEventFilter(wheel);
  qApp->installEventFilter(new ShiftWatcher(this, picSprite));
  sprayTimer_ = new QTimer(this);
  sprayTimer_->setInterval(kSprayTickMilliseconds);
  connect(sprayTimer_, &QTimer::timeout, this, [this] {
    StrokeTick(*picSprite);
    if (!Spraying()) sprayTimer_->stop();
  });
}

// A press is a move with that one button; the first one starts the stroke
// that one Undo takes back.
void frmMain::picSprite_MouseDown(Qt::MouseButtons button, int x, int y) {
  if (SelectionPointer(QEvent::MouseButtonPress, ToButtons(button), x, y)) return;
  SetPanelText(3, QString::fromStdString(StrokePress(ToButtons(button), x, y, *picSprite,
                                                     ConstrainShapes(*picSprite))));
  ShowPickedColours(button);
  if (Spraying() && !sprayTimer_->isActive()) sprayTimer_->start();
}

void frmMain::picSprite_MouseMove(Qt::MouseButtons buttons, int x, int y) {
  if (SelectionPointer(QEvent::MouseMove, ToButtons(buttons), x, y)) return;
  SetPanelText(3, QString::fromStdString(StrokeMove(ToButtons(buttons), x, y, *picSprite,
                                                    ConstrainShapes(*picSprite))));
  ShowPickedColours(buttons);
  if (!Spraying()) sprayTimer_->stop();
}

// The stroke ends with the release of the last button held; a shape is drawn then.
void frmMain::picSprite_MouseUp(Qt::MouseButtons stillHeld, int x, int y) {
  if (SelectionPointer(QEvent::MouseButtonRelease, ToButtons(stillHeld), x, y)) return;
  StrokeRelease(ToButtons(stillHeld), x, y, *picSprite, ConstrainShapes(*picSprite));
  if (!Spraying()) sprayTimer_->stop();
}

// Zooms `steps` entries of the View menu's zoom list in (positive) or out,
// keeping the sprite pixel under the pointer where it is in the viewport.
void frmMain::ZoomAround(int steps, QPointF inViewport) {
  const int from = ZoomEntryFor(G().ZoomFactor);
  const int last = static_cast<int>(kZoomEntries.size()) - 1;
  const int to = std::clamp(from < 0 ? 3 : from + steps, 0, last);
  if (to == from) return;
  const double oldZoom = G().ZoomFactor;
  const QPointF onSprite = (inViewport - QPointF(picSprite->pos())) / oldZoom;
  mnuViewZoomE_Click(to);
  if (!G().SpriteLoaded) return;
  const double zoom = G().ZoomFactor;
  auto follow = [](QScrollBar* bar, double wanted, double twips) {
    if (!bar->isEnabled()) return;
    bar->setValue(static_cast<int>(std::lround(std::max(0.0, wanted) / twips)));
  };
  follow(sprScrollH, onSprite.x() * zoom - inViewport.x(), picSprite->TwipsPerPixelX());
  follow(sprScrollV, onSprite.y() * zoom - inViewport.y(), picSprite->TwipsPerPixelY());
  // A value that did not change moved nothing, but the redraw put the surface at the corner.
  sprScrollH_Change();
  sprScrollV_Change();
  ShowPixelUnderPointer(inViewport - QPointF(picSprite->pos()));
}

// The swatches show what the eyedropper picked.
void frmMain::ShowPickedColours(Qt::MouseButtons buttons) {
  if (buttons != Qt::NoButton && G().CurrentTool == kToolEyedropper) Frame1->Refresh();
}

// After the wheel moved the sprite under a pointer that stayed still, the
// status names the pixel now under it.
void frmMain::ShowPixelUnderPointer(QPointF onSurface) {
  const QPoint at(static_cast<int>(std::floor(onSurface.x())),
                  static_cast<int>(std::floor(onSurface.y())));
  SetPanelText(3, QString::fromStdString(HandlePointer(kButtonNone, at.x(), at.y(), *picSprite)));
}

// The surface paints from the model, so a full update shows the restored
// pixels with the tile states intact: empty cells stay background, grey tiles
// keep their hatching.
void frmMain::Undo() {
  FinishSelection();
  UndoSprite([this] {
    picSprite->update();
    Frame1->Refresh();  // the step may have been a colour edit
  });
}

void frmMain::Redo() {
  FinishSelection();
  RedoSprite([this] {
    picSprite->update();
    Frame1->Refresh();
  });
}

void frmMain::mnuViewGrid_Click() {
  const bool backToCorner = ToggleGrid();
  mnuViewGrid->setChecked(G().GridMode);
  RedrawSprite();
  if (backToCorner) {
    sprScrollV->setValue(0);
    sprScrollH->setValue(0);
  }
}

void frmMain::mnuViewZoomE_Click(int k) {
  const bool redraw = ChooseZoom(k);
  for (int entry = 0; entry < static_cast<int>(mnuViewZoomE.size()); ++entry) {
    mnuViewZoomE[static_cast<std::size_t>(entry)]->setChecked(entry == k);
  }
  if (!redraw) return;
  sprScrollH->setEnabled(false);
  sprScrollV->setEnabled(false);
  RedrawSprite();
}

void frmMain::sprScrollH_Change() {
  picSprite->move(ScrolledEdge(sprScrollH->sliderPosition(), picSprite->TwipsPerPixelX()),
                  picSprite->y());
}

void frmMain::sprScrollV_Change() {
  picSprite->move(picSprite->x(),
                  ScrolledEdge(sprScrollV->sliderPosition(), picSprite->TwipsPerPixelY()));
}

bool frmMain::mnuFileExit_Click() {
  const bool ends = ConfirmExit(
      [] {
        SavePaletteCommand();
        return !G().PaletteDirty;
      },
      [] { return SaveRom(); });
  if (!ends) return false;
  if (EndProgram) {
    EndProgram();
  } else {
    QCoreApplication::exit(0);
  }
  return true;
}

void frmMain::mnuHelpTopics_Click() {
  ActiveDialogs().Message(kHelpTopicsText, MsgIcon::None, MsgButtons::Ok);
}

void frmMain::mnuHelpAbout_Click() {
  if (auto* about = qobject_cast<QDialog*>(AboutWindow)) about->exec();
}

void frmMain::mnuFileGameInfo_Click() {
  const std::string text = GameInformationText();
  if (!text.empty()) ActiveDialogs().Message(text, MsgIcon::None, MsgButtons::Ok);
}

}  // namespace kerrow
