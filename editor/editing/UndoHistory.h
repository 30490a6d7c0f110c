// Undo and redo of pixel and palette edits, one step per stroke (button press
// to release), fill, shape, import or colour edit. A step keeps only the pixels
// and entries it changed, so its cost follows the edit, not the size of the sprite.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "editing/PaletteTypes.h"
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
  // `length` pixels of row y from x on, all changed from `before` to `after`:
  // a fill records a row in one entry instead of one per pixel.
  void RecordRun(const PixelGrid& pixels, std::int32_t x, std::int32_t y, std::int32_t length,
                 std::uint8_t before, std::uint8_t after);
  // A palette entry changed. Inside a stroke it joins the stroke's step (an
  // import that takes the image's colours); otherwise it is a step of its own.
  void RecordPalette(const PixelGrid& pixels, std::int32_t entry, const PaletteEntry& before,
                     const PaletteEntry& after);

  bool CanUndo() const { return !undo_.empty(); }
  bool CanRedo() const { return !redo_.empty(); }

  // What applying a step changed.
  struct Applied {
    bool pixels = false;
    bool storedColours = false;  // palette entries 1 to 15, which Save Palette writes
    bool colours = false;        // any palette entry, entry 0 included
    explicit operator bool() const { return pixels || colours; }
  };

  // Restore the pixels and colours from before the last step (Undo) or after
  // the last undone one (Redo). When `pixels` or `palette` are not what the
  // history left them as, it is dropped instead and nothing changes.
  Applied Undo(PixelGrid& pixels, PaletteStrip& palette);
  Applied Redo(PixelGrid& pixels, PaletteStrip& palette);

  // Change records held by all steps together (a record is one pixel, one run
  // of a row or one palette entry).
  std::size_t StoredChanges() const { return storedChanges_; }

  void Clear();

 private:
  struct Change {
    std::uint32_t index;  // row-major cell position of the first pixel
    std::uint8_t before;
    std::uint8_t after;
    std::uint16_t length = 1;  // pixels along the row
  };
  struct ColourChange {
    std::int32_t entry;
    PaletteEntry before;
    PaletteEntry after;
  };
  struct Step {
    std::vector<Change> pixels;
    std::vector<ColourChange> colours;
    bool Empty() const { return pixels.empty() && colours.empty(); }
    std::size_t Size() const { return pixels.size() + colours.size(); }
  };

  Applied Apply(std::vector<Step>& from, std::vector<Step>& to, PixelGrid& pixels,
                PaletteStrip& palette, bool forward);
  static void MergePixels(std::vector<Change>& changes);
  static void MergeColours(std::vector<ColourChange>& changes);
  void Adopt(const PixelGrid& pixels);
  Applied Forget();
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

// The toolbar's Undo and Redo on the loaded sprite: restore SpritePixels or the
// palette, mark what changed as a change does (SpriteDirty, PaletteDirty) and
// call `redraw` (the whole sprite, as a palette change would). A stroke still
// in progress (a button held) is ended first, as a step of its own. Nothing
// happens when there is no step.
void UndoSprite(const std::function<void()>& redraw);
void RedoSprite(const std::function<void()>& redraw);

}  // namespace kerrow
