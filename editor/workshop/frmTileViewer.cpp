#include "workshop/frmTileViewer.h"

#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QVBoxLayout>
#include <algorithm>

#include "art/SpriteImage.h"
#include "graphics/BinaryFile.h"
#include "graphics/bGenTile.h"
#include "shell/Dialogs.h"
#include "shell/bGlobals.h"
#include "workshop/PaletteFinderPanel.h"
#include "workshop/TileViewerView.h"

namespace kerrow {

namespace {

QString Hex(std::int64_t value) {
  return "0x" + QString::number(value, 16).toUpper();
}

}  // namespace

frmTileViewer::frmTileViewer(QWidget* parent) : QWidget(parent, Qt::Window) {
  setObjectName("frmTileViewer");
  setWindowTitle("Tile Viewer");

  txtOffset = new QLineEdit("0x0", this);
  txtOffset->setObjectName("txtOffset");
  txtOffset->setToolTip("Start offset: decimal, or hexadecimal as 0x1F0");
  cmdGo = new QPushButton("Go to offset", this);
  cmdGo->setObjectName("cmdGo");
  spnTilesPerRow = new QSpinBox(this);
  spnTilesPerRow->setObjectName("spnTilesPerRow");
  spnTilesPerRow->setRange(1, 64);
  spnTilesPerRow->setValue(16);
  spnZoom = new QSpinBox(this);
  spnZoom->setObjectName("spnZoom");
  spnZoom->setRange(1, 8);
  spnZoom->setValue(2);
  cboOrder = new QComboBox(this);
  cboOrder->setObjectName("cboOrder");
  cboOrder->addItems({"Row by row", "Column by column in blocks"});
  spnBlockWidth = new QSpinBox(this);
  spnBlockWidth->setObjectName("spnBlockWidth");
  spnBlockWidth->setRange(1, 4);
  spnBlockWidth->setValue(2);
  spnBlockHeight = new QSpinBox(this);
  spnBlockHeight->setObjectName("spnBlockHeight");
  spnBlockHeight->setRange(1, 4);
  spnBlockHeight->setValue(2);
  cboPalette = new QComboBox(this);
  cboPalette->setObjectName("cboPalette");
  cboPalette->addItems({"Current palette", "From ROM offset"});
  cboPalette->setToolTip(
      "The editor's palette, or grey levels while the open ROM's game is not in the catalog");
  txtPaletteOffset = new QLineEdit("0x0", this);
  txtPaletteOffset->setObjectName("txtPaletteOffset");
  txtPaletteOffset->setToolTip("Offset of 16 colour words in the ROM");
  cmdAddSprite = new QPushButton("Add Sprite...", this);
  cmdAddSprite->setObjectName("cmdAddSprite");
  cmdAddSprite->setToolTip(
      "Adds the tiles selected with the left button as a sprite; tiles selected with the right "
      "button can be its context");
  cmdReload = new QPushButton("Reload", this);
  cmdReload->setObjectName("cmdReload");

  picTiles = new TileViewerView(this);
  sprRows = new QScrollBar(Qt::Vertical, this);
  sprRows->setObjectName("sprRows");
  lblSource = new QLabel(this);
  lblSource->setObjectName("lblSource");
  lblStatus = new QLabel("Offset:", this);
  lblStatus->setObjectName("lblStatus");
  lblStatus->setFrameShape(QFrame::Panel);
  lblStatus->setFrameShadow(QFrame::Sunken);
  Palettes = new PaletteFinderPanel(this);

  auto* controls = new QGridLayout;
  controls->addWidget(new QLabel("Offset", this), 0, 0);
  controls->addWidget(txtOffset, 0, 1);
  controls->addWidget(cmdGo, 0, 2);
  controls->addWidget(new QLabel("Tiles per row", this), 0, 3);
  controls->addWidget(spnTilesPerRow, 0, 4);
  controls->addWidget(new QLabel("Zoom", this), 0, 5);
  controls->addWidget(spnZoom, 0, 6);
  controls->addWidget(new QLabel("Arrangement", this), 1, 0);
  controls->addWidget(cboOrder, 1, 1, 1, 2);
  controls->addWidget(new QLabel("Block (W x H)", this), 1, 3);
  auto* block = new QHBoxLayout;
  block->addWidget(spnBlockWidth);
  block->addWidget(spnBlockHeight);
  controls->addLayout(block, 1, 4, 1, 3);
  controls->addWidget(new QLabel("Palette", this), 2, 0);
  controls->addWidget(cboPalette, 2, 1);
  controls->addWidget(txtPaletteOffset, 2, 2);
  controls->addWidget(cmdAddSprite, 2, 3, 1, 2);
  controls->addWidget(cmdReload, 2, 5, 1, 2);

  auto* centre = new QHBoxLayout;
  centre->setSpacing(0);
  centre->addWidget(picTiles, 1);
  centre->addWidget(sprRows);
  centre->addSpacing(6);
  centre->addWidget(Palettes);

  auto* column = new QVBoxLayout(this);
  column->addLayout(controls);
  column->addWidget(lblSource);
  column->addLayout(centre, 1);
  column->addWidget(lblStatus);

  auto apply = [this] { ApplySettings(); };
  connect(cmdGo, &QPushButton::clicked, this, [this] { GoToOffset(txtOffset->text()); });
  connect(txtOffset, &QLineEdit::returnPressed, this, [this] { GoToOffset(txtOffset->text()); });
  connect(spnTilesPerRow, &QSpinBox::valueChanged, this, apply);
  connect(spnZoom, &QSpinBox::valueChanged, this, apply);
  connect(cboOrder, &QComboBox::currentIndexChanged, this, apply);
  connect(spnBlockWidth, &QSpinBox::valueChanged, this, apply);
  connect(spnBlockHeight, &QSpinBox::valueChanged, this, apply);
  // The palette is read from the ROM on disk, which may have gone since.
  connect(cboPalette, &QComboBox::currentIndexChanged, this,
          [this] { RunCommand([&] { UpdateColours(true); }); });
  connect(txtPaletteOffset, &QLineEdit::editingFinished, this,
          [this] { RunCommand([&] { UpdateColours(true); }); });
  connect(cmdAddSprite, &QPushButton::clicked, this, [this] { AddSprite(); });
  connect(cmdReload, &QPushButton::clicked, this, [this] { RunCommand([&] { Reload(); }); });
  connect(sprRows, &QScrollBar::valueChanged, this, [this](int value) {
    if (syncing_) return;
    const TileViewerLayout& layout = picTiles->Layout();
    const std::int64_t phase = layout.Start % layout.RowBytes();
    picTiles->SetStart(phase + std::int64_t{value} * layout.RowBytes());
  });
  picTiles->OnStartChanged = [this] {
    SyncScrollBar();
    txtOffset->setText(Hex(picTiles->Layout().Start));
  };
  picTiles->OnHover = [this](std::optional<std::int64_t> offset) { ShowStatus(offset); };
  picTiles->OnSelectionChanged = [this] { ShowStatus(std::nullopt); };
  Palettes->OnFind = [this] { RunCommand([&] { FindPalettes(); }); };
  Palettes->OnChosen = [this](std::int64_t offset) { RunCommand([&] { UsePaletteAt(offset); }); };
  resize(920, 640);
}

void frmTileViewer::ShowRom() {
  ViewerSource rom;
  rom.Path = G().RomPath;
  rom.RomPath = G().RomPath;
  ShowSource(rom);
}

void frmTileViewer::ShowSource(const ViewerSource& source) {
  if (source.RomPath != source_.RomPath) Palettes->Clear();  // they were another ROM's
  source_ = source;
  picTiles->SetSelections({}, {});
  Reload();
  picTiles->SetStart(0);
  if (source_.Decompressed) {
    lblSource->setText(QString("Decompressed data of the stream at %1 (%2 bytes long): %3 bytes")
                           .arg(Hex(source_.StreamOffset))
                           .arg(source_.StreamLength)
                           .arg(picTiles->SourceSize()));
  } else {
    lblSource->setText(QString("ROM: %1 (%2 bytes)")
                           .arg(QString::fromStdString(source_.Path))
                           .arg(picTiles->SourceSize()));
  }
}

void frmTileViewer::Reload() {
  std::vector<std::uint8_t> bytes;
  if (!source_.Path.empty()) bytes = BinaryFile::OpenForReading(source_.Path).ReadAll();
  std::error_code error;
  readTime_ = std::filesystem::last_write_time(source_.Path, error);
  readSize_ = bytes.size();
  picTiles->SetSource(std::move(bytes));
  ApplySettings();
  UpdateColours();
}

bool frmTileViewer::event(QEvent* event) {
  if (event->type() == QEvent::WindowActivate && !source_.Path.empty()) {
    RunCommand([&] {
      if (!source_.Decompressed && !G().RomPath.empty() && source_.Path != G().RomPath) {
        ShowRom();
        return;
      }
      std::error_code error;
      const auto time = std::filesystem::last_write_time(source_.Path, error);
      const auto size = std::filesystem::file_size(source_.Path, error);
      if (!error && (time != readTime_ || size != readSize_)) Reload();
    });
  }
  return QWidget::event(event);
}

bool frmTileViewer::GoToOffset(const QString& text) {
  const auto offset = ParseOffsetText(text.toStdString());
  if (!offset || *offset >= std::max<std::int64_t>(1, picTiles->SourceSize())) {
    const QString message = QString("\"%1\" is no offset inside the data (0 to %2).")
                                .arg(text)
                                .arg(picTiles->SourceSize() - 1);
    ActiveDialogs().Message(message.toStdString(), MsgIcon::Exclamation, MsgButtons::Ok,
                            "Tile Viewer");
    return false;
  }
  picTiles->SetStart(*offset);
  txtOffset->setText(Hex(picTiles->Layout().Start));
  picTiles->setFocus();
  return true;
}

std::optional<std::int64_t> frmTileViewer::PaletteOffset() const {
  if (cboPalette->currentIndex() != 1) return std::nullopt;
  return ParseOffsetText(txtPaletteOffset->text().toStdString());
}

void frmTileViewer::FindPalettes() {
  // Palettes live in the ROM, also while the viewer shows decompressed data.
  const std::string& rom = source_.RomPath.empty() ? G().RomPath : source_.RomPath;
  if (rom.empty()) return;
  Palettes->Find(BinaryFile::OpenForReading(rom).ReadAll());
}

void frmTileViewer::UsePaletteAt(std::int64_t offset) {
  txtPaletteOffset->setText(Hex(offset));
  {
    const QSignalBlocker quiet(cboPalette);  // one update below, with the new offset
    cboPalette->setCurrentIndex(1);
  }
  UpdateColours(true);
}

void frmTileViewer::ApplySettings() {
  TileViewerLayout layout = picTiles->Layout();
  layout.TilesPerRow = spnTilesPerRow->value();
  layout.Order = cboOrder->currentIndex() == 1 ? TileOrder::BlockColumns : TileOrder::Rows;
  layout.BlockWidth = spnBlockWidth->value();
  layout.BlockHeight = spnBlockHeight->value();
  spnBlockWidth->setEnabled(layout.Order == TileOrder::BlockColumns);
  spnBlockHeight->setEnabled(layout.Order == TileOrder::BlockColumns);
  picTiles->SetLayout(layout);
  picTiles->SetZoom(spnZoom->value());
  SyncScrollBar();
}

void frmTileViewer::UpdateColours(bool explain) {
  // The viewer's own colours: the editor's palette is never changed from here.
  std::array<QRgb, 16> colours{};
  const auto offset = PaletteOffset();
  std::vector<std::uint8_t> words;
  const bool fromRom = cboPalette->currentIndex() == 1;
  if (fromRom && !G().RomPath.empty()) {
    const BinaryFile rom = BinaryFile::OpenForReading(G().RomPath);
    if (offset && rom.Holds(*offset, 32)) {
      words.resize(32);
      rom.ReadAt(*offset, words);
    } else if (explain) {
      // Said when the choice is made, so the user knows which colours are shown.
      ActiveDialogs().Message("No 16 colour words can be read at \"" +
                                  txtPaletteOffset->text().toStdString() + "\" in " +
                                  G().RomPath + " (" + std::to_string(rom.Size()) +
                                  " bytes): the viewer shows the editor's palette (grey "
                                  "levels while the ROM's game is not catalogued).",
                              MsgIcon::Exclamation, MsgButtons::Ok);
    }
  }
  txtPaletteOffset->setEnabled(fromRom);
  // The editor's palette belongs to the open ROM's game only once one is
  // identified; until then 16 grey levels keep every index apart.
  const bool gamePalette = !G().RomPath.empty() && G().PaletteRomPath == G().RomPath;
  for (int i = 0; i < 16; ++i) {
    if (!words.empty())
      colours[i] = ToQRgb(GenesisToRgb(words[2 * i], words[2 * i + 1]));
    else if (gamePalette)
      colours[i] = ToQRgb(G().Palette.Entries[i].Colour);
    else
      colours[i] = qRgb(i * 17, i * 17, i * 17);
  }
  picTiles->SetColours(colours);
}

void frmTileViewer::SyncScrollBar() {
  const TileViewerLayout& layout = picTiles->Layout();
  const std::int64_t rowBytes = layout.RowBytes();
  const std::int64_t phase = layout.Start % rowBytes;
  // Rows that start inside the data; at the bar's end the last page is full,
  // as after End, rather than one row of the last byte.
  const std::int64_t rows =
      (std::max<std::int64_t>(0, picTiles->SourceSize() - phase) + rowBytes - 1) / rowBytes;
  const int page = std::max(1, picTiles->VisibleRows() / layout.RowStep());
  syncing_ = true;
  sprRows->setRange(0, static_cast<int>(std::clamp<std::int64_t>(rows - page + 1, 0, INT32_MAX)));
  sprRows->setPageStep(page);
  sprRows->setValue(static_cast<int>(layout.Start / rowBytes));
  syncing_ = false;
}

void frmTileViewer::ShowStatus(std::optional<std::int64_t> hovered) {
  QString text =
      hovered ? QString("Offset: %1 (%2)").arg(Hex(*hovered)).arg(*hovered) : QString("Offset:");
  const TileRect own = picTiles->Selection();
  if (!own.Empty()) text += QString("   Sprite: %1 x %2 tiles").arg(own.Width).arg(own.Height);
  const TileRect context = picTiles->ContextSelection();
  if (!context.Empty())
    text += QString("   Context: %1 x %2 tiles").arg(context.Width).arg(context.Height);
  lblStatus->setText(text);
}

void frmTileViewer::AddSprite() {
  RunCommand([&] {
    const auto added = AddSpriteCommand(source_, picTiles->Layout(), picTiles->Selection(),
                                        picTiles->ContextSelection(), PaletteOffset());
    if (added && OnSpriteAdded) OnSpriteAdded(*added);
  });
}

}  // namespace kerrow
