// Undo and redo of pixel edits, one step per stroke (button press to release).
#pragma once

#include <functional>
#include <vector>

#include "graphics/PixelGrid.h"

namespace kerrow {

class UndoHistory {
 public:
  // A stroke starts at the first button press on the surface and ends when the
  // last button is released; only strokes that changed pixels become steps.
  void BeginStroke(const PixelGrid& pixels);
  void EndStroke(const PixelGrid& pixels);
  bool InStroke() const { return inStroke_; }

  bool CanUndo() const { return !undo_.empty(); }
  bool CanRedo() const { return !redo_.empty(); }

  // Restore the pixels from before the last stroke (Undo) or after the last
  // undone one (Redo) into `pixels`. Returns whether a step was applied. When
  // `pixels` are not what the history left them as, it is dropped instead.
  bool Undo(PixelGrid& pixels);
  bool Redo(PixelGrid& pixels);

  // The grids the next Undo and Redo copy from (empty grids when there is none).
  const PixelGrid& UndoPixels() const;
  const PixelGrid& RedoPixels() const;

  void Clear();

 private:
  struct Step {
    PixelGrid before;
    PixelGrid after;
  };
  bool Forget();
  static bool Fits(const PixelGrid& snapshot, const PixelGrid& pixels);

  std::vector<Step> undo_;
  std::vector<Step> redo_;
  PixelGrid strokeStart_;
  bool inStroke_ = false;
};

// The editor's one history, for the sprite that is loaded.
UndoHistory& SpriteHistory();
// Forgets every step; called whenever a sprite is loaded.
void ResetUndoHistory();

// The toolbar's Undo and Redo on the loaded sprite: restore SpritePixels, mark
// the sprite changed and call `redraw` (the whole sprite, as a palette change
// would). Nothing happens when there is no step.
void UndoSprite(const std::function<void()>& redraw);
void RedoSprite(const std::function<void()>& redraw);

}  // namespace kerrow
