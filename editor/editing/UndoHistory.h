// Undo and redo of pixel edits, one step per stroke (button press to release).
// A step keeps only the pixels its stroke changed, so its cost follows the
// stroke, not the size of the sprite.
#pragma once

#include <cstdint>
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
  // The tools report every pixel they change; outside a stroke this does nothing.
  void Record(const PixelGrid& pixels, std::int32_t x, std::int32_t y, std::uint8_t before,
              std::uint8_t after);

  bool CanUndo() const { return !undo_.empty(); }
  bool CanRedo() const { return !redo_.empty(); }

  // Restore the pixels from before the last stroke (Undo) or after the last
  // undone one (Redo) into `pixels`. Returns whether a step was applied. When
  // `pixels` are not what the history left them as, it is dropped instead.
  bool Undo(PixelGrid& pixels);
  bool Redo(PixelGrid& pixels);

  // Pixel changes held by all steps together.
  std::size_t StoredChanges() const { return storedChanges_; }

  void Clear();

 private:
  struct Change {
    std::uint32_t index;  // row-major cell position
    std::uint8_t before;
    std::uint8_t after;
  };
  using Step = std::vector<Change>;

  bool Apply(std::vector<Step>& from, std::vector<Step>& to, PixelGrid& pixels, bool forward);
  bool Forget();
  bool Tracks(const PixelGrid& pixels) const;
  void Push(Step step);

  std::vector<Step> undo_;
  std::vector<Step> redo_;
  Step stroke_;
  std::size_t storedChanges_ = 0;
  // The grid the steps belong to: its identity and shape.
  std::uint64_t grid_ = 0;
  std::int32_t width_ = 0;
  std::int32_t height_ = 0;
  bool inStroke_ = false;
};

// The editor's one history, for the sprite that is loaded.
UndoHistory& SpriteHistory();
// Forgets every step; called whenever a sprite is loaded.
void ResetUndoHistory();

// The toolbar's Undo and Redo on the loaded sprite: restore SpritePixels, mark
// the sprite changed and call `redraw` (the whole sprite, as a palette change
// would). A stroke still in progress (a button held) is ended first, as a step
// of its own. Nothing happens when there is no step.
void UndoSprite(const std::function<void()>& redraw);
void RedoSprite(const std::function<void()>& redraw);

}  // namespace kerrow
