#include "workshop/PaletteFinderPanel.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

#include "art/SpriteImage.h"
#include "graphics/bGenTile.h"
#include "workshop/HexText.h"

namespace kerrow {

namespace {

// The 16 colours side by side, as the list shows a candidate.
QIcon Swatches(const std::array<std::uint16_t, 16>& words) {
  constexpr int kSide = 6;
  QPixmap strip(16 * kSide, kSide + 2);
  strip.fill(Qt::black);
  QPainter painter(&strip);
  for (int i = 0; i < 16; ++i) {
    const DisplayColour colour = GenesisToRgb(static_cast<std::uint8_t>(words[i] >> 8),
                                              static_cast<std::uint8_t>(words[i]));
    painter.fillRect(i * kSide, 1, kSide, kSide, QColor::fromRgb(ToQRgb(colour)));
  }
  return QIcon(strip);
}

}  // namespace

PaletteFinderPanel::PaletteFinderPanel(QWidget* parent) : QWidget(parent) {
  setObjectName("PaletteFinderPanel");
  cmdFindPalettes = new QPushButton("Find Palettes", this);
  cmdFindPalettes->setObjectName("cmdFindPalettes");
  cmdFindPalettes->setToolTip(
      "Lists places in the ROM that hold 16 colour words, the likeliest palettes first");
  lstPalettes = new QListWidget(this);
  lstPalettes->setObjectName("lstPalettes");
  lstPalettes->setIconSize(QSize(96, 8));
  cmdPreviousPalette = new QPushButton("Previous", this);
  cmdPreviousPalette->setObjectName("cmdPreviousPalette");
  cmdNextPalette = new QPushButton("Next", this);
  cmdNextPalette->setObjectName("cmdNextPalette");
  lblPalettes = new QLabel(this);
  lblPalettes->setObjectName("lblPalettes");
  lblPalettes->setWordWrap(true);

  auto* steps = new QHBoxLayout;
  steps->addWidget(cmdPreviousPalette);
  steps->addWidget(cmdNextPalette);
  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(0, 0, 0, 0);
  column->addWidget(cmdFindPalettes);
  column->addWidget(lstPalettes, 1);
  column->addLayout(steps);
  column->addWidget(lblPalettes);
  setMinimumWidth(180);

  connect(cmdFindPalettes, &QPushButton::clicked, this, [this] {
    if (OnFind) OnFind();
  });
  connect(lstPalettes, &QListWidget::currentRowChanged, this, [this](int row) {
    UpdateButtons();
    if (row >= 0 && row < static_cast<int>(candidates_.size()) && OnChosen)
      OnChosen(candidates_[static_cast<std::size_t>(row)].Offset);
  });
  // A click on the row already chosen applies it again (the offset may have been typed over).
  connect(lstPalettes, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
    const int row = lstPalettes->row(item);
    if (row == lstPalettes->currentRow() && OnChosen)
      OnChosen(candidates_[static_cast<std::size_t>(row)].Offset);
  });
  connect(cmdPreviousPalette, &QPushButton::clicked, this,
          [this] { Choose(lstPalettes->currentRow() - 1); });
  connect(cmdNextPalette, &QPushButton::clicked, this,
          [this] { Choose(lstPalettes->currentRow() + 1); });
  UpdateButtons();
}

void PaletteFinderPanel::Find(std::span<const std::uint8_t> rom) {
  Clear();
  candidates_ = FindPalettes(rom);
  for (const PaletteCandidate& candidate : candidates_) {
    auto* item = new QListWidgetItem(
        Swatches(PaletteWordsAt(rom, candidate.Offset)),
        QString::fromStdString(Hex(candidate.Offset)) +
            QString("  (%1 colours)").arg(candidate.DistinctColours),
        lstPalettes);
    item->setToolTip(QString("%1 different colour words at %2")
                         .arg(candidate.DistinctColours)
                         .arg(QString::fromStdString(Hex(candidate.Offset))));
  }
  lblPalettes->setText(candidates_.empty()
                           ? "No palettes found: no 16 colour words with three or more "
                             "different colours lie anywhere in the ROM."
                           : QString("%1 candidates, the likeliest first.").arg(candidates_.size()));
  UpdateButtons();
}

void PaletteFinderPanel::Clear() {
  const QSignalBlocker quiet(lstPalettes);
  lstPalettes->clear();
  candidates_.clear();
  lblPalettes->clear();
  UpdateButtons();
}

bool PaletteFinderPanel::Choose(int row) {
  if (row < 0 || row >= lstPalettes->count()) return false;
  if (row == lstPalettes->currentRow()) {
    if (OnChosen) OnChosen(candidates_[static_cast<std::size_t>(row)].Offset);
  } else {
    lstPalettes->setCurrentRow(row);
  }
  return true;
}

void PaletteFinderPanel::UpdateButtons() {
  const int row = lstPalettes->currentRow();
  cmdPreviousPalette->setEnabled(row > 0);
  cmdNextPalette->setEnabled(row + 1 < lstPalettes->count());
}

}  // namespace kerrow
