// The tile viewer: a non-modal window that shows the open ROM (or the
// decompressed data of a stream) as tiles, from any start byte, in rows or in
// the sprite hardware's column order, and adds selected tiles to the catalog.
#pragma once

#include <QWidget>
#include <filesystem>
#include <functional>

#include "workshop/WorkshopCommands.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QScrollBar;
class QSpinBox;

namespace kerrow {

class PaletteFinderPanel;
class TileViewerView;

class frmTileViewer : public QWidget {
  Q_OBJECT

 public:
  explicit frmTileViewer(QWidget* parent = nullptr);

  // Shows the open ROM, or the given decompressed data; the view starts at 0.
  void ShowRom();
  void ShowSource(const ViewerSource& source);
  const ViewerSource& Source() const { return source_; }
  // Reads the source again (after a save, say) and keeps the position.
  void Reload();

  // Goes to an offset typed as text; false (with a message) when it is none.
  bool GoToOffset(const QString& text);
  // The palette offset chosen in the palette box, when "From ROM offset" is on.
  std::optional<std::int64_t> PaletteOffset() const;

  // Lists the palettes found in the ROM the viewer shows, the likeliest first.
  void FindPalettes();
  // Shows the tiles in the 16 colour words at `offset` of the ROM.
  void UsePaletteAt(std::int64_t offset);

  // Runs Add Sprite on the current selections.
  void AddSprite();
  // Called after a sprite was added, to show and open it.
  std::function<void(const AddedSprite&)> OnSpriteAdded;
  // Runs a command through the main window's failure guard (on its own, just runs it).
  std::function<void(const std::function<void()>&)> RunCommand =
      [](const std::function<void()>& command) { command(); };

  TileViewerView* picTiles = nullptr;
  QLineEdit* txtOffset = nullptr;
  QPushButton* cmdGo = nullptr;
  QSpinBox* spnTilesPerRow = nullptr;
  QSpinBox* spnZoom = nullptr;
  QComboBox* cboOrder = nullptr;
  QSpinBox* spnBlockWidth = nullptr;
  QSpinBox* spnBlockHeight = nullptr;
  QComboBox* cboPalette = nullptr;
  QLineEdit* txtPaletteOffset = nullptr;
  QPushButton* cmdAddSprite = nullptr;
  QPushButton* cmdReload = nullptr;
  QScrollBar* sprRows = nullptr;
  QLabel* lblSource = nullptr;
  QLabel* lblStatus = nullptr;
  PaletteFinderPanel* Palettes = nullptr;

  // Applies the controls to the view (tests call it after setting controls).
  void ApplySettings();
  // `explain`: say so when the chosen ROM offset holds no palette (the user just chose it).
  void UpdateColours(bool explain = false);

 protected:
  // Coming back to the viewer shows the ROM open now, as it is on disk now.
  bool event(QEvent* event) override;

 private:
  void SyncScrollBar();
  void ShowStatus(std::optional<std::int64_t> hovered);

  ViewerSource source_;
  bool syncing_ = false;
  std::filesystem::file_time_type readTime_{};
  std::uintmax_t readSize_ = 0;
};

}  // namespace kerrow
