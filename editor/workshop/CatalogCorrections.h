// The catalog corrections as the editor's window runs them: the sprite tree's
// Rename, Move to Heading, Edit and Delete, a heading's Rename and Delete,
// Tools > Game Settings and Tools > Undo Catalog Change. Each asks through the
// active dialogs, writes one change (with its undo step) and reopens the
// reading views; the window then rebuilds its tree. Refusals are shown in a box.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "catalog/bDatabase.h"
#include "workshop/WorkshopCommands.h"

namespace kerrow {

// What the tile viewer has selected, for Edit's "tiles from the viewer".
struct ViewerSelection {
  ViewerSource Source;
  TileViewerLayout Layout;
  TileRect Own;
  TileRect Context;
};

// The sprite a correction leaves to be shown: its name now, and whether the
// window must load it again (its tiles or size changed) or drop it (deleted).
struct CorrectionOutcome {
  std::string Name;
  bool ReloadSprite = false;
  bool SpriteGone = false;
};

// `table` is kSprite or kCompressed. Each returns empty when nothing changed
// (cancelled or refused).
std::optional<CorrectionOutcome> RenameSpriteCommand(GameTable table, const std::string& name);
std::optional<CorrectionOutcome> MoveSpriteCommand(GameTable table, const std::string& name);
std::optional<CorrectionOutcome> EditSpriteCommand(GameTable table, const std::string& name,
                                                   const std::optional<ViewerSelection>& viewer);
std::optional<CorrectionOutcome> DeleteSpriteCommand(GameTable table, const std::string& name);
bool RenameHeadingCommand(std::int64_t headingId);
bool DeleteHeadingCommand(std::int64_t headingId);

// Tools > Game Settings: the game's name and palette offset. Returns the new
// settings when they changed.
std::optional<GameSettings> GameSettingsCommand();

// The catalog changes made in this run of the editor, newest last; Undo
// Catalog Change goes back through these and no further.
std::vector<std::int64_t>& SessionCatalogSteps();
// Records the newest change in the catalog as one of this run's.
void NoteSessionCatalogChange();
// Runs `command` and records the change it made, if it made one.
void NoteIfCatalogChanged(const std::function<void()>& command);
// The description of the change Undo would take back now; empty when none.
std::string NextSessionUndo();
// Tools > Undo Catalog Change: undoes this run's newest change, refused when
// another program changed the catalog since. Returns its description.
std::optional<std::string> UndoCatalogChangeCommand();

}  // namespace kerrow
