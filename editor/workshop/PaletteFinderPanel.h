// The tile viewer's palette finder: a button that lists the palettes found in
// the ROM, best first, each shown as its 16 colours; choosing one (a click,
// Previous or Next) hands its offset to the viewer.
#pragma once

#include <QWidget>
#include <cstdint>
#include <functional>
#include <span>

#include "workshop/PaletteFinder.h"

class QListWidget;
class QPushButton;
class QLabel;

namespace kerrow {

class PaletteFinderPanel : public QWidget {
  Q_OBJECT

 public:
  explicit PaletteFinderPanel(QWidget* parent = nullptr);

  // Lists the palettes of `rom` (the list is emptied first).
  void Find(std::span<const std::uint8_t> rom);
  void Clear();
  const std::vector<PaletteCandidate>& Candidates() const { return candidates_; }
  // Chooses candidate `row` (as a click on it does); false when there is none.
  bool Choose(int row);

  // Called with the offset of the palette chosen.
  std::function<void(std::int64_t)> OnChosen;
  // Asked for the ROM's bytes when "Find Palettes" is pressed.
  std::function<void()> OnFind;

  QPushButton* cmdFindPalettes = nullptr;
  QListWidget* lstPalettes = nullptr;
  QPushButton* cmdPreviousPalette = nullptr;
  QPushButton* cmdNextPalette = nullptr;
  QLabel* lblPalettes = nullptr;

 private:
  void UpdateButtons();

  std::vector<PaletteCandidate> candidates_;
};

}  // namespace kerrow
