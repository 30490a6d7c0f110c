// The Edit menu and the window side of the Selection tool: pointer and key
// routing, the clipboard, and the selection's outline with its moving dashes.
#include <QAction>
#include <QActionGroup>
#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPainter>
#include <QTimer>
#include <algorithm>

#include "art/SpriteImage.h"
#include "art/SpriteImport.h"
#include "editing/PaletteStripView.h"
#include "editing/SelectionClipboard.h"
#include "editing/SelectionTool.h"
#include "graphics/SurfaceView.h"
#include "shell/Dialogs.h"
#include "shell/NamedAction.h"
#include "shell/SkipOnFailure.h"
#include "shell/bGlobals.h"
#include "shell/frmMain.h"

namespace kerrow {
namespace {

constexpr const char* kPasteTitle = "Paste";
constexpr int kAntsInterval = 120;  // milliseconds per step of the dashes
constexpr int kDash = 4;            // screen pixels per dash and per gap
constexpr int kTileStep = 8;        // Shift + arrow moves a whole tile

int Zoom() {
  return std::max<int>(1, G().ZoomFactor);
}

QRect OnSurface(const PixelRect& area) {
  const int z = Zoom();
  return {area.x * z, area.y * z, area.width * z, area.height * z};
}

// Another program's image, by Import Sprite's colour rules against the
// sprite's palette.
ClipboardPixels ImportedIndices(const QImage& image) {
  ArtOutcome<PixelGrid> indices = ImageIndices(image, CurrentPaletteColours(), "Nothing was pasted.");
  if (!indices) return {std::nullopt, indices.Message()};
  return {std::move(*indices), {}};
}

// Hands the surface's key presses to the window.
class SurfaceKeys : public QObject {
 public:
  SurfaceKeys(QObject* parent, std::function<bool(const QKeyEvent&)> handle)
      : QObject(parent), handle_(std::move(handle)) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::KeyPress && handle_(*static_cast<QKeyEvent*>(event))) return true;
    return QObject::eventFilter(watched, event);
  }

 private:
  std::function<bool(const QKeyEvent&)> handle_;
};

}  // namespace

void frmMain::InitSelection() {
  mnuEdit = new QMenu("&Edit", this);
  mnuEdit->setObjectName("mnuEdit");
  menuBar()->insertMenu(mnuView->menuAction(), mnuEdit);
  // The toolbar's Undo and Redo, where a menu user looks for them.
  for (const char* key : {"undo", "redo"}) {
    if (QAction* action = ToolbarButton(key)) mnuEdit->addAction(action);
  }
  mnuEdit->addSeparator();
  auto entry = [this](QAction*& action, const char* name, const char* caption,
                      QKeySequence::StandardKey key, void (frmMain::*handler)()) {
    action = NamedAction(this, name, caption);
    if (key != QKeySequence::UnknownKey) action->setShortcuts(key);
    mnuEdit->addAction(action);
    RouteAction(action, handler);
  };
  entry(mnuEditCut, "mnuEditCut", "Cu&t", QKeySequence::Cut, &frmMain::mnuEditCut_Click);
  entry(mnuEditCopy, "mnuEditCopy", "&Copy", QKeySequence::Copy, &frmMain::mnuEditCopy_Click);
  entry(mnuEditPaste, "mnuEditPaste", "&Paste", QKeySequence::Paste, &frmMain::mnuEditPaste_Click);
  entry(mnuEditDelete, "mnuEditDelete", "&Delete", QKeySequence::Delete,
        &frmMain::mnuEditDelete_Click);
  mnuEdit->addSeparator();
  entry(mnuEditSelectAll, "mnuEditSelectAll", "Select &All", QKeySequence::SelectAll,
        &frmMain::mnuEditSelectAll_Click);
  mnuEdit->addSeparator();
  entry(mnuEditFlipHorizontal, "mnuEditFlipHorizontal", "Flip &Horizontal",
        QKeySequence::UnknownKey, &frmMain::mnuEditFlipHorizontal_Click);
  entry(mnuEditFlipVertical, "mnuEditFlipVertical", "Flip &Vertical", QKeySequence::UnknownKey,
        &frmMain::mnuEditFlipVertical_Click);
  connect(mnuEdit, &QMenu::aboutToShow, this, [this] { UpdateEditMenu(); });
  connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this,
          [this] { UpdateEditMenu(); });

  // Choosing another tool leaves a floating selection where it is.
  connect(tbMainTools, &QActionGroup::triggered, this, [this](QAction* tool) {
    if (tool->data().toString() != "d") FinishSelection();
  });

  picSprite->PaintOver = [this](QPainter& painter, const QRect& exposed) {
    PaintSelection(painter, exposed);
  };
  picSprite->setFocusPolicy(Qt::ClickFocus);  // a click on the sprite takes the arrow keys
  picSprite->installEventFilter(new SurfaceKeys(this, [this](const QKeyEvent& key) {
    return picSprite_KeyDown(key.key(), key.modifiers());
  }));
  selectionAnts_ = new QTimer(this);
  selectionAnts_->setInterval(kAntsInterval);
  connect(selectionAnts_, &QTimer::timeout, this, [this] { MarchAnts(); });
  UpdateEditMenu();
}

void frmMain::UpdateEditMenu() {
  const bool selected = SelectionActive();
  for (QAction* action : {mnuEditCut, mnuEditCopy, mnuEditDelete, mnuEditFlipHorizontal,
                          mnuEditFlipVertical}) {
    action->setEnabled(selected);
  }
  const bool sprite = SpriteSelectable();
  mnuEditSelectAll->setEnabled(sprite);
  mnuEditPaste->setEnabled(sprite && HoldsPixels(QGuiApplication::clipboard()->mimeData()));
}

bool frmMain::SelectionPointer(QEvent::Type type, PointerButtons buttons, int x, int y) {
  if (G().CurrentTool != kToolSelection) return false;
  const SpritePoint at = PointerPixel(x, y);
  SetPanelText(3, QString::fromStdString(PointerStatusText(at.x, at.y)));
  PixelRect area;
  SkipOnFailure([&] {
    if (type == QEvent::MouseButtonPress) area = SelectionPress(buttons, at);
    if (type == QEvent::MouseMove) area = SelectionMove(buttons, at);
    if (type == QEvent::MouseButtonRelease) area = SelectionRelease(buttons);
  });
  ShowSelectionChange(area);
  if (type == QEvent::MouseButtonRelease) UpdateEditMenu();
  return true;
}

bool frmMain::picSprite_KeyDown(int key, Qt::KeyboardModifiers modifiers) {
  if (G().CurrentTool != kToolSelection || !SelectionActive()) return false;
  std::optional<SelectionKey> used;
  switch (key) {
    case Qt::Key_Left: used = SelectionKey::Left; break;
    case Qt::Key_Right: used = SelectionKey::Right; break;
    case Qt::Key_Up: used = SelectionKey::Up; break;
    case Qt::Key_Down: used = SelectionKey::Down; break;
    case Qt::Key_Return:
    case Qt::Key_Enter: used = SelectionKey::Enter; break;
    case Qt::Key_Escape: used = SelectionKey::Escape; break;
    default: return false;
  }
  const int step = (modifiers & Qt::ShiftModifier) ? kTileStep : 1;
  Run([&] {
    ShowSelectionChange(SelectionKeyPress(*used, step));
    UpdateEditMenu();
  });
  return true;
}

void frmMain::FinishSelection() {
  ShowSelectionChange(DropSelection());
  UpdateEditMenu();
}

void frmMain::ShowSelectionChange(const PixelRect& area) {
  if (!area.Empty()) picSprite->update(OnSurface(area));
  const bool selected = SelectionActive();
  if (selected && !selectionAnts_->isActive()) selectionAnts_->start();
  if (!selected) selectionAnts_->stop();
}

// One step of the dashes along the outline: only the outline is repainted.
void frmMain::MarchAnts() {
  const PixelSelection& selection = ActiveSelection();
  if (!SelectionActive()) {
    selectionAnts_->stop();
    return;
  }
  antsPhase_ = (antsPhase_ + 1) % (2 * kDash);
  const QRect outline = OnSurface(selection.Bounds());
  picSprite->update(QRect(outline.left(), outline.top(), outline.width(), 1));
  picSprite->update(QRect(outline.left(), outline.bottom(), outline.width(), 1));
  picSprite->update(QRect(outline.left(), outline.top(), 1, outline.height()));
  picSprite->update(QRect(outline.right(), outline.top(), 1, outline.height()));
}

void frmMain::PaintSelection(QPainter& painter, const QRect& exposed) const {
  if (!SelectionActive()) return;
  const PixelSelection& selection = ActiveSelection();
  const PixelGrid& pixels = G().SpritePixels;
  const int z = Zoom();
  const PixelRect bounds = selection.Bounds();
  const PixelRect exposedPixels{exposed.left() / z, exposed.top() / z,
                                exposed.right() / z - exposed.left() / z + 1,
                                exposed.bottom() / z - exposed.top() / z + 1};
  const PixelRect shown =
      bounds.Intersected({0, 0, pixels.Width(), pixels.Height()}).Intersected(exposedPixels);
  if (selection.Floating() && !shown.Empty()) {
    // Its pixels over context tiles and empty positions, faintly: a drop
    // leaves them out, but they move along until then.
    QImage faint(shown.width, shown.height, QImage::Format_ARGB32_Premultiplied);
    faint.fill(Qt::transparent);
    for (std::int32_t y = shown.y; y < shown.Bottom(); ++y) {
      auto* line = reinterpret_cast<QRgb*>(faint.scanLine(y - shown.y));
      for (std::int32_t x = shown.x; x < shown.Right(); ++x) {
        if (G().TileMap.ValueOr0(x / 8, y / 8) == kTileWhite) continue;
        const std::uint8_t index = selection.Content().At(x - bounds.x, y - bounds.y);
        if (index == kNoColour) continue;
        const QColor colour = ToQColor(G().Palette.Entries[index & 0x0F].Colour);
        line[x - shown.x] = qPremultiply(qRgba(colour.red(), colour.green(), colour.blue(), 128));
      }
    }
    // One enlarged image, however many pixels: nearest pixel, no smoothing.
    painter.drawImage(QRect(shown.x * z, shown.y * z, shown.width * z, shown.height * z), faint);
  }
  PaintOutline(painter, bounds);
}

void frmMain::PaintOutline(QPainter& painter, const PixelRect& bounds) const {
  const QRect outline = OnSurface(bounds).adjusted(0, 0, -1, -1);
  painter.setBrush(Qt::NoBrush);
  painter.setPen(QPen(Qt::white, 0));
  painter.drawRect(outline);
  QPen dashes(Qt::black, 0, Qt::CustomDashLine);
  dashes.setDashPattern({kDash, kDash});
  dashes.setDashOffset(antsPhase_);
  painter.setPen(dashes);
  painter.drawRect(outline);
}

void frmMain::mnuEditCopy_Click() {
  const PixelGrid pixels = CopySelection();
  if (pixels.Empty()) return;
  QGuiApplication::clipboard()->setMimeData(
      SelectionMimeData(pixels, CurrentPaletteColours()).release());
}

void frmMain::mnuEditCut_Click() {
  if (CopySelection().Empty()) return;
  mnuEditCopy_Click();
  mnuEditDelete_Click();
}

void frmMain::mnuEditDelete_Click() {
  ShowSelectionChange(DeleteSelection());
  UpdateEditMenu();
}

// The pasted pixels float at the sprite pixel in the view's top-left corner,
// with the Selection tool chosen to move them.
void frmMain::mnuEditPaste_Click() {
  if (!SpriteSelectable()) return;
  ClipboardPixels pasted = PixelsToPaste(QGuiApplication::clipboard()->mimeData(), ImportedIndices);
  if (!pasted.pixels) {
    if (!pasted.refusal.empty()) {
      ActiveDialogs().Message(pasted.refusal, MsgIcon::Exclamation, MsgButtons::Ok, kPasteTitle);
    }
    return;
  }
  if (QAction* tool = ToolbarButton("d"); tool && !tool->isChecked()) tool->trigger();
  const SpritePoint corner = PointerPixel(-picSprite->x(), -picSprite->y());
  const SpritePoint at{std::clamp(corner.x, 0, G().SpritePixels.Width() - 1),
                       std::clamp(corner.y, 0, G().SpritePixels.Height() - 1)};
  ShowSelectionChange(PasteSelection(std::move(*pasted.pixels), at));
  UpdateEditMenu();
  picSprite->setFocus();
}

void frmMain::mnuEditSelectAll_Click() {
  if (!SpriteSelectable()) return;
  if (QAction* tool = ToolbarButton("d"); tool && !tool->isChecked()) tool->trigger();
  ShowSelectionChange(SelectAllPixels());
  UpdateEditMenu();
  picSprite->setFocus();
}

void frmMain::mnuEditFlipHorizontal_Click() {
  ShowSelectionChange(FlipSelection(true));
}

void frmMain::mnuEditFlipVertical_Click() {
  ShowSelectionChange(FlipSelection(false));
}

}  // namespace kerrow
