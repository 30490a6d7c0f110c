#include "editing/UndoHistory.h"

#include "shell/bGlobals.h"

namespace kerrow {
namespace {

// Steps kept per sprite; the oldest goes first beyond this.
constexpr std::size_t kMaxSteps = 200;

const PixelGrid& NoGrid() {
  static const PixelGrid empty;
  return empty;
}

void ApplyToSprite(bool (UndoHistory::*step)(PixelGrid&), const std::function<void()>& redraw) {
  auto& g = G();
  const PixelGrid previous = g.SpritePixels;
  if (!(SpriteHistory().*step)(g.SpritePixels)) return;
  if (g.SpritePixels != previous) g.SpriteDirty = true;
  if (redraw) redraw();
}

}  // namespace

void UndoHistory::BeginStroke(const PixelGrid& pixels) {
  if (inStroke_) return;
  strokeStart_ = pixels;
  inStroke_ = true;
}

void UndoHistory::EndStroke(const PixelGrid& pixels) {
  if (!inStroke_) return;
  inStroke_ = false;
  if (strokeStart_ == pixels || !Fits(strokeStart_, pixels)) return;
  undo_.push_back({std::move(strokeStart_), pixels});
  strokeStart_ = PixelGrid{};
  if (undo_.size() > kMaxSteps) undo_.erase(undo_.begin());
  redo_.clear();
}

bool UndoHistory::Undo(PixelGrid& pixels) {
  if (undo_.empty()) return false;
  if (undo_.back().after != pixels) return Forget();
  pixels = undo_.back().before;
  redo_.push_back(std::move(undo_.back()));
  undo_.pop_back();
  return true;
}

bool UndoHistory::Redo(PixelGrid& pixels) {
  if (redo_.empty()) return false;
  if (redo_.back().before != pixels) return Forget();
  pixels = redo_.back().after;
  undo_.push_back(std::move(redo_.back()));
  redo_.pop_back();
  return true;
}

const PixelGrid& UndoHistory::UndoPixels() const {
  return undo_.empty() ? NoGrid() : undo_.back().before;
}

const PixelGrid& UndoHistory::RedoPixels() const {
  return redo_.empty() ? NoGrid() : redo_.back().after;
}

void UndoHistory::Clear() {
  undo_.clear();
  redo_.clear();
  strokeStart_ = PixelGrid{};
  inStroke_ = false;
}

// Pixels change only through strokes, so pixels that differ from what the
// history expects belong to another sprite (or another load of this one): its
// steps must never be restored into them.
bool UndoHistory::Forget() {
  Clear();
  return false;
}

bool UndoHistory::Fits(const PixelGrid& snapshot, const PixelGrid& pixels) {
  return snapshot.Width() == pixels.Width() && snapshot.Height() == pixels.Height();
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
