#include "editing/UndoHistory.h"

#include <algorithm>
#include <limits>

#include "shell/bGlobals.h"

namespace kerrow {
namespace {

// Steps kept per sprite, and pixel changes kept in all (8 bytes each); the
// oldest steps go first beyond either, the newest step always stays.
constexpr std::size_t kMaxSteps = 200;
constexpr std::size_t kMaxStoredChanges = std::size_t{16} << 20;

void ApplyToSprite(UndoHistory::Applied (UndoHistory::*step)(PixelGrid&, PaletteStrip&),
                   const std::function<void()>& redraw) {
  auto& g = G();
  UndoHistory& history = SpriteHistory();
  history.EndStroke(g.SpritePixels);
  const UndoHistory::Applied applied = (history.*step)(g.SpritePixels, g.Palette);
  if (!applied) return;
  if (applied.pixels) g.SpriteDirty = true;
  if (applied.storedColours) g.PaletteDirty = true;
  if (redraw) redraw();
}

}  // namespace

void UndoHistory::BeginStroke(const PixelGrid& pixels) {
  if (inStroke_) return;
  // Steps recorded on another grid (another sprite, or another load of this
  // one) must never be restored into this one.
  Adopt(pixels);
  stroke_ = Step{};
  inStroke_ = true;
}

void UndoHistory::Adopt(const PixelGrid& pixels) {
  if (Tracks(pixels)) return;
  Clear();
  grid_ = pixels.Identity();
  width_ = pixels.Width();
  height_ = pixels.Height();
}

void UndoHistory::Record(const PixelGrid& pixels, std::int32_t x, std::int32_t y,
                         std::uint8_t before, std::uint8_t after) {
  RecordRun(pixels, x, y, 1, before, after);
}

void UndoHistory::RecordRun(const PixelGrid& pixels, std::int32_t x, std::int32_t y,
                            std::int32_t length, std::uint8_t before, std::uint8_t after) {
  if (!inStroke_ || before == after || length <= 0 || !Tracks(pixels)) return;
  if (!pixels.Contains(x, y) || !pixels.Contains(x + length - 1, y)) return;
  constexpr std::int32_t kLongest = std::numeric_limits<std::uint16_t>::max();
  for (std::int32_t done = 0; done < length; done += kLongest) {
    const std::size_t index = pixels.Index(x + done, y);
    if (index > std::numeric_limits<std::uint32_t>::max()) return;
    stroke_.pixels.push_back({static_cast<std::uint32_t>(index), before, after,
                              static_cast<std::uint16_t>(std::min(kLongest, length - done))});
  }
}

void UndoHistory::RecordPalette(const PixelGrid& pixels, std::int32_t entry,
                                const PaletteEntry& before, const PaletteEntry& after) {
  if (before == after) return;
  if (inStroke_) {
    if (Tracks(pixels)) stroke_.colours.push_back({entry, before, after});
    return;
  }
  BeginStroke(pixels);
  stroke_.colours.push_back({entry, before, after});
  EndStroke(pixels);
}

void UndoHistory::EndStroke(const PixelGrid& pixels) {
  if (!inStroke_) return;
  inStroke_ = false;
  Step step = std::move(stroke_);
  stroke_ = Step{};
  if (step.Empty() || !Tracks(pixels)) return;
  MergePixels(step.pixels);
  MergeColours(step.colours);
  if (step.Empty()) return;
  step.pixels.shrink_to_fit();
  for (const Step& dropped : redo_) storedChanges_ -= dropped.Size();
  redo_.clear();
  Push(std::move(step));
}

// One change per pixel: its value before the step's first change and after
// its last. Pixels painted back to what they were drop out. Runs that overlap
// nothing (a fill's rows) stay runs.
void UndoHistory::MergePixels(std::vector<Change>& changes) {
  std::stable_sort(changes.begin(), changes.end(),
                   [](const Change& a, const Change& b) { return a.index < b.index; });
  bool overlapping = false;
  for (std::size_t i = 1; i < changes.size() && !overlapping; ++i) {
    overlapping = changes[i - 1].index + changes[i - 1].length > changes[i].index;
  }
  if (!overlapping) return;
  std::vector<Change> single;
  for (const Change& change : changes) {
    for (std::uint32_t i = 0; i < change.length; ++i) {
      single.push_back({change.index + i, change.before, change.after});
    }
  }
  std::stable_sort(single.begin(), single.end(),
                   [](const Change& a, const Change& b) { return a.index < b.index; });
  std::size_t kept = 0;
  for (std::size_t i = 0; i < single.size();) {
    Change merged = single[i];
    std::size_t j = i + 1;
    for (; j < single.size() && single[j].index == merged.index; ++j) merged.after = single[j].after;
    if (merged.before != merged.after) single[kept++] = merged;
    i = j;
  }
  single.resize(kept);
  changes = std::move(single);
}

// One change per entry, from its first value to its last.
void UndoHistory::MergeColours(std::vector<ColourChange>& changes) {
  std::vector<ColourChange> merged;
  for (const ColourChange& change : changes) {
    auto same = std::find_if(merged.begin(), merged.end(),
                             [&](const ColourChange& m) { return m.entry == change.entry; });
    if (same == merged.end()) {
      merged.push_back(change);
    } else {
      same->after = change.after;
    }
  }
  std::erase_if(merged, [](const ColourChange& m) { return m.before == m.after; });
  changes = std::move(merged);
}

void UndoHistory::Push(Step step) {
  storedChanges_ += step.Size();
  undo_.push_back(std::move(step));
  std::size_t oldest = 0;
  while (undo_.size() - oldest > 1 &&
         (undo_.size() - oldest > kMaxSteps || storedChanges_ > kMaxStoredChanges)) {
    storedChanges_ -= undo_[oldest].Size();
    ++oldest;
  }
  undo_.erase(undo_.begin(), undo_.begin() + static_cast<std::ptrdiff_t>(oldest));
}

UndoHistory::Applied UndoHistory::Undo(PixelGrid& pixels, PaletteStrip& palette) {
  return Apply(undo_, redo_, pixels, palette, false);
}

UndoHistory::Applied UndoHistory::Redo(PixelGrid& pixels, PaletteStrip& palette) {
  return Apply(redo_, undo_, pixels, palette, true);
}

// Moves the last step of `from` to `to`, writing its values before (undo) or
// after (redo) into `pixels` and `palette`, once every pixel and entry it names
// is as the step expects.
UndoHistory::Applied UndoHistory::Apply(std::vector<Step>& from, std::vector<Step>& to,
                                        PixelGrid& pixels, PaletteStrip& palette, bool forward) {
  if (from.empty()) return {};
  if (!Tracks(pixels)) return Forget();
  const Step& step = from.back();
  for (const Change& change : step.pixels) {
    const std::uint8_t expected = forward ? change.before : change.after;
    for (std::uint32_t i = 0; i < change.length; ++i) {
      if (pixels.AtIndex(change.index + i) != expected) return Forget();
    }
  }
  for (const ColourChange& change : step.colours) {
    if (change.entry < 0 || change.entry > 15) return Forget();
    if (palette.Entries[static_cast<std::size_t>(change.entry)] !=
        (forward ? change.before : change.after))
      return Forget();
  }
  Applied applied;
  for (const Change& change : step.pixels) {
    const std::uint8_t value = forward ? change.after : change.before;
    for (std::uint32_t i = 0; i < change.length; ++i) pixels.AtIndex(change.index + i) = value;
    applied.pixels = true;
  }
  for (const ColourChange& change : step.colours) {
    PaletteEntry& entry = palette.Entries[static_cast<std::size_t>(change.entry)];
    const PaletteEntry& value = forward ? change.after : change.before;
    // Swatches that showed the entry's colour follow it, as they do when it is edited.
    for (ColourSelection* swatch : {&palette.Fore, &palette.Back}) {
      if (swatch->Shown == entry.Colour) swatch->Shown = value.Colour;
    }
    entry = value;
    applied.colours = true;
    if (change.entry != 0) applied.storedColours = true;
  }
  to.push_back(std::move(from.back()));
  from.pop_back();
  return applied;
}

void UndoHistory::Clear() {
  undo_.clear();
  redo_.clear();
  stroke_ = Step{};
  storedChanges_ = 0;
  grid_ = 0;
  width_ = 0;
  height_ = 0;
  inStroke_ = false;
}

// Pixels change only through strokes, so pixels that differ from what the
// history expects belong to another sprite (or another load of this one): its
// steps must never be restored into them.
UndoHistory::Applied UndoHistory::Forget() {
  Clear();
  return {};
}

bool UndoHistory::Tracks(const PixelGrid& pixels) const {
  return grid_ != 0 && pixels.Identity() == grid_ && pixels.Width() == width_ &&
         pixels.Height() == height_;
}

UndoHistory& SpriteHistory() {
  static UndoHistory history;
  return history;
}

void ResetUndoHistory() {
  SpriteHistory().Clear();
}

void UndoSprite(const std::function<void()>& redraw) {
  ApplyToSprite(&UndoHistory::Undo, redraw);
}

void RedoSprite(const std::function<void()>& redraw) {
  ApplyToSprite(&UndoHistory::Redo, redraw);
}

}  // namespace kerrow
