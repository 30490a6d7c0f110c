#include "editing/PaletteStripView.h"

#include <QHBoxLayout>
#include <QMouseEvent>
#include <QPainter>

#include "editing/bPal.h"
#include "shell/bGlobals.h"

namespace kerrow {

QColor ToQColor(DisplayColour colour) {
  return QColor(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF);
}

ColourBox::ColourBox(QWidget* parent) : QWidget(parent) {
  setFixedSize(17, 17);
}

void ColourBox::SetColour(const QColor& colour) {
  if (colour == colour_) return;
  colour_ = colour;
  update();
}

void ColourBox::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), colour_);
  painter.setPen(palette().color(QPalette::Dark));
  painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

void ColourBox::mousePressEvent(QMouseEvent* event) {
  pressed_ |= event->button();
}

void ColourBox::mouseReleaseEvent(QMouseEvent* event) {
  // Only a release of a button pressed on this box counts.
  if (!(pressed_ & event->button())) return;
  pressed_ &= ~event->button();
  emit Released(event->button());
}

void ColourBox::mouseDoubleClickEvent(QMouseEvent* event) {
  pressed_ |= event->button();
  if (event->button() == Qt::LeftButton) emit DoubleClicked();
}

PaletteStripView::PaletteStripView(QWidget* parent) : QFrame(parent) {
  setObjectName("Frame1");
  setFrameShape(QFrame::StyledPanel);
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(6, 4, 6, 4);
  layout->setSpacing(3);

  picFore = new ColourBox(this);
  picFore->setObjectName("picFore");
  picFore->setFixedSize(24, 24);
  picFore->setToolTip(kForegroundTooltip);
  picBack = new ColourBox(this);
  picBack->setObjectName("picBack");
  picBack->setFixedSize(24, 24);
  picBack->setToolTip(kBackgroundTooltip);
  layout->addWidget(picFore);
  layout->addWidget(picBack);
  layout->addSpacing(12);

  for (int i = 0; i < 16; ++i) {
    auto* box = new ColourBox(this);
    box->setObjectName(QString("picPal%1").arg(i));
    picPal[i] = box;
    layout->addWidget(box);
    connect(box, &ColourBox::Released, this,
            [this, i](Qt::MouseButton button) { picPal_MouseUp(i, button); });
    connect(box, &ColourBox::DoubleClicked, this, [this, i] { picPal_DblClick(i); });
  }
  layout->addStretch(1);
  Refresh();
}

void PaletteStripView::Refresh() {
  const PaletteStrip& strip = G().Palette;
  for (int i = 0; i < 16; ++i) {
    picPal[i]->SetColour(ToQColor(strip.Entries[i].Colour));
    picPal[i]->setToolTip(i == 0 ? QString(kBackgroundEntryTooltip)
                                 : QString::fromStdString(strip.Entries[i].Tooltip));
  }
  picFore->SetColour(ToQColor(strip.Fore.Shown));
  picBack->SetColour(ToQColor(strip.Back.Shown));
}

void PaletteStripView::Invoke(const std::function<void()>& command) {
  if (RunCommand) {
    RunCommand(command);
  } else {
    command();
  }
}

void PaletteStripView::picPal_MouseUp(int index, Qt::MouseButton button) {
  Invoke([&] {
    switch (button) {
      case Qt::LeftButton:
        SelectPaletteEntry(PointerButton::Left, index);
        break;
      case Qt::RightButton:
        SelectPaletteEntry(PointerButton::Right, index);
        break;
      default:
        SelectPaletteEntry(PointerButton::Middle, index);
        break;
    }
    Refresh();
  });
}

void PaletteStripView::picPal_DblClick(int index) {
  Invoke([&] {
    if (G().RomPath.empty()) return;
    const auto chosen = ActiveDialogs().ChooseColour(G().Palette.Entries[index].Colour);
    if (!chosen) return;  // cancelled: the entry and PaletteDirty stay as they are
    const bool redraw = EditPaletteEntry(index, *chosen);
    Refresh();
    if (redraw && OnPaletteEdited) OnPaletteEdited();
  });
}

}  // namespace kerrow
