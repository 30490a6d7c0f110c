// Selecting a sprite in the tree: guarding unsaved changes, then loading the
// sprite's palette, grids and tiles onto the edit surface.
#pragma once

#include <cstdint>
#include <string>

#include "browser/SpriteLayout.h"

namespace kerrow {

// What the selection reads from the tree's selected node.
struct SpriteNode {
  std::int16_t Image = 0;  // 1 heading, 2 sprite
  std::string Text;        // the sprite's name
  std::string ParentKey;
};

enum class ConfirmOutcome { Proceed, Cancelled };

// Asks about unsaved palette changes, then unsaved sprite changes (title
// "Confirm", Yes/No/Cancel). Yes saves into the ROM the changes came from; No
// clears the flag when `clearOnNo`; Cancel, or a save that did not complete
// (a refused or failed write), stops so that no change is lost. Save failures
// propagate.
ConfirmOutcome ConfirmUnsavedChanges(bool clearOnNo);

// The tree's double-click. `node` is the selected node, or null when none is.
// Every failure is trapped and shown with ShowRuntimeError (silent for 91).
// A failure after the sprite's record was found leaves every tile on the
// surface read-only (shaded like a context tile) and Save ROM refusing, so
// nothing shown can be written under a record it did not come from; the next
// selection that completes ends that.
void SelectSprite(const SpriteNode* node, SpriteStage& stage);

// Loads the named COMPRESSED record's palette, layout and white tiles; false
// (after the processing error report) when the name is not in the table.
// Failures propagate, leaving the surface read-only as SelectSprite does.
bool LoadCompressedSprite(const std::string& name, SpriteStage& stage);

}  // namespace kerrow
