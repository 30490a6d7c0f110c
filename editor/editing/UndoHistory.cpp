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

void ApplyToSprite(bool (UndoHistory::*step)(PixelGrid&), const std::function<void()>& redraw) {
  auto& g = G();
  UndoHistory& history = SpriteHistory();
  history.EndStroke(g.SpritePixels);
  if (!(history.*step)(g.SpritePixels)) return;
  g.SpriteDirty = true;  // a step always changes at least one pixel
  if (redraw) redraw();
}

}  // namespace

void UndoHistory::BeginStroke(const PixelGrid& pixels) {
  if (inStroke_) return;
  // Steps recorded on another grid (another sprite, or another load of this
  // one) must never be restored into this one.
  if (!Tracks(pixels)) {
    Clear();
    grid_ = pixels.Identity();
    width_ = pixels.Width();
    height_ = pixels.Height();
  }
  stroke_.clear();
  inStroke_ = true;
}

void UndoHistory::Record(const PixelGrid& pixels, std::int32_t x, std::int32_t y,
                         std::uint8_t before, std::uint8_t after) {
  if (!inStroke_ || before == after || !Tracks(pixels) || !pixels.Contains(x, y)) return;
  const std::size_t index = pixels.Index(x, y);
  if (index > std::numeric_limits<std::uint32_t>::max()) return;
  stroke_.push_back({static_cast<std::uint32_t>(index), before, after});
}

void UndoHistory::EndStroke(const PixelGrid& pixels) {
  if (!inStroke_) return;
  inStroke_ = false;
  Step step = std::move(stroke_);
  stroke_ = Step{};
  if (step.empty() || !Tracks(pixels)) return;

  // One change per pixel: its value before the stroke's first change and
  // after its last. Pixels painted back to what they were drop out.
  std::stable_sort(step.begin(), step.end(),
                   [](const Change& a, const Change& b) { return a.index < b.index; });
  std::size_t kept = 0;
  for (std::size_t i = 0; i < step.size();) {
    Change merged = step[i];
    std::size_t j = i + 1;
    for (; j < step.size() && step[j].index == merged.index; ++j) merged.after = step[j].after;
    if (merged.before != merged.after) step[kept++] = merged;
    i = j;
  }
  step.resize(kept);
  if (step.empty()) return;
  step.shrink_to_fit();
  for (const Step& dropped : redo_) storedChanges_ -= dropped.size();
  redo_.clear();
  Push(std::move(step));
}

void UndoHistory::Push(Step step) {
  storedChanges_ += step.size();
  undo_.push_back(std::move(step));
  std::size_t oldest = 0;
  while (undo_.size() - oldest > 1 &&
         (undo_.size() - oldest > kMaxSteps || storedChanges_ > kMaxStoredChanges)) {
    storedChanges_ -= undo_[oldest].size();
    ++oldest;
  }
  undo_.erase(undo_.begin(), undo_.begin() + static_cast<std::ptrdiff_t>(oldest));
}

bool UndoHistory::Undo(PixelGrid& pixels) {
  return Apply(undo_, redo_, pixels, false);
}

bool UndoHistory::Redo(PixelGrid& pixels) {
  return Apply(redo_, undo_, pixels, true);
}

// Moves the last step of `from` to `to`, writing its values before (undo) or
// after (redo) into `pixels`, once every pixel it names is as the step expects.
bool UndoHistory::Apply(std::vector<Step>& from, std::vector<Step>& to, PixelGrid& pixels,
                        bool forward) {
  if (from.empty()) return false;
  if (!Tracks(pixels)) return Forget();
  const Step& step = from.back();
  for (const Change& change : step) {
    if (pixels.AtIndex(change.index) != (forward ? change.before : change.after)) return Forget();
  }
  for (const Change& change : step) {
    pixels.AtIndex(change.index) = forward ? change.after : change.before;
  }
  to.push_back(std::move(from.back()));
  from.pop_back();
  return true;
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
bool UndoHistory::Forget() {
  Clear();
  return false;
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
