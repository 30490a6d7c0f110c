#include "workshop/CatalogCorrections.h"

#include "browser/SpriteSelection.h"
#include "graphics/BinaryFile.h"
#include "shell/Dialogs.h"
#include "shell/Failure.h"
#include "shell/bGlobals.h"
#include "workshop/CatalogEdits.h"
#include "workshop/HexText.h"

namespace kerrow {

namespace {

constexpr const char* kTitle = "Catalog";

void Tell(const std::string& text, MsgIcon icon = MsgIcon::Exclamation) {
  ActiveDialogs().Message(text, icon, MsgButtons::Ok, kTitle);
}

std::optional<CatalogGame> GameOrTell() {
  if (!NeedsOpenRom()) return std::nullopt;
  std::optional<CatalogGame> game = OpenCatalogGame();
  if (!game)
    Tell("The ROM \"" + G().RomPath + "\" is not in the catalog, or another game's catalog is "
         "open. Nothing was changed.");
  return game;
}

// Runs a catalog read or write; a refusal is shown and returns false.
template <typename Action>
bool Accepted(Action action) {
  try {
    action();
  } catch (const CatalogWriteError& error) {
    Tell(error.what());
    return false;
  }
  return true;
}

// Runs one change; it becomes this session's newest, for Undo Catalog Change.
template <typename Write>
bool Written(Write write) {
  if (!Accepted(write)) return false;
  NoteSessionCatalogChange();
  return true;
}

bool IsLoaded(GameTable table, const std::string& name) {
  return G().SpriteLoaded && G().SpriteName == name &&
         G().SpriteIsCompressed == (table == kCompressed);
}

// Reopens the game's reading views after a change; the loaded sprite's record
// is current again under the name it has now.
void ReopenViews(const CatalogGame& game) {
  OpenCatalog();
  OpenGameDatabase(game.DatabaseText);
  if (G().SpriteLoaded && !G().SpriteName.empty())
    GameTableView(G().SpriteIsCompressed ? kCompressed : kSprite).Seek(G().SpriteName);
}

// A palette offset typed by the user: 0, or 32 bytes inside the ROM.
bool PaletteInsideRom(std::int64_t palette) {
  const std::int64_t romSize = BinaryFile::OpenForReading(G().RomPath).Size();
  if (palette >= 0 && palette <= INT32_MAX && (palette == 0 || palette + 32 <= romSize))
    return true;
  Tell("The palette offset " + Hex(palette) + " is not inside the ROM. Nothing was changed.");
  return false;
}

// Why the viewer's selection cannot give this sprite its tiles; empty when it can.
std::string SelectionRefusal(const ViewerSelection& viewer, const CatalogSprite& sprite,
                             bool compressed) {
  if (viewer.Own.Empty()) return "Nothing is selected in the tile viewer.";
  if (viewer.Source.RomPath != G().RomPath) return "The tile viewer shows another ROM.";
  if (compressed && !(viewer.Source.Decompressed && viewer.Source.StreamOffset == sprite.Offset))
    return "The tile viewer does not show this sprite's stream (Compression > Dump offset... " +
           Hex(sprite.Offset) + ").";
  if (!compressed && viewer.Source.Decompressed)
    return "The tile viewer shows decompressed data, not the ROM.";
  return "";
}

}  // namespace

std::optional<CorrectionOutcome> RenameSpriteCommand(GameTable table, const std::string& name) {
  const auto game = GameOrTell();
  if (!game) return std::nullopt;
  const auto typed = ActiveDialogs().InputText("New name of the sprite \"" + name + "\":",
                                               "Rename Sprite", name);
  if (!typed || *typed == name) return std::nullopt;
  if (!Written([&] { RenameSprite(*game, table, name, *typed); })) return std::nullopt;
  if (IsLoaded(table, name)) G().SpriteName = *typed;
  ReopenViews(*game);
  return CorrectionOutcome{*typed};
}

std::optional<CorrectionOutcome> MoveSpriteCommand(GameTable table, const std::string& name) {
  const auto game = GameOrTell();
  if (!game) return std::nullopt;
  std::vector<std::string> groups;
  std::vector<HeadingEntry> headings;
  if (table == kCompressed) {
    groups = ReadSubHeads(game->DatabasePath);
  } else {
    headings = ReadHeadings(game->DatabasePath);
    for (const HeadingEntry& heading : headings) groups.push_back(heading.Name);
  }
  const auto chosen = ActiveDialogs().ChooseText(
      "Move \"" + name + "\" to the " + (table == kCompressed ? "group" : "heading") +
          " (choose one, or type a new name):",
      table == kCompressed ? "Move to Group" : "Move to Heading", groups, true);
  if (!chosen) return std::nullopt;
  const bool written = Written([&] {
    if (table == kCompressed) {
      MoveCompressedSprite(*game, name, *chosen);
      return;
    }
    HeadingChoice heading;
    for (const HeadingEntry& entry : headings)
      if (entry.Name == *chosen) heading.ExistingId = entry.Id;
    if (!heading.ExistingId) heading.NewName = *chosen;
    MoveSprite(*game, name, heading);
  });
  if (!written) return std::nullopt;
  ReopenViews(*game);
  return CorrectionOutcome{name};
}

std::optional<CorrectionOutcome> EditSpriteCommand(GameTable table, const std::string& name,
                                                   const std::optional<ViewerSelection>& viewer) {
  const auto game = GameOrTell();
  if (!game) return std::nullopt;
  CatalogSprite sprite;
  if (!Accepted([&] { sprite = ReadCatalogSprite(*game, table, name); })) return std::nullopt;

  const bool compressed = table == kCompressed;
  SpriteEditRequest request;
  request.name = name;
  request.compressed = compressed;
  request.widthTiles = sprite.Width;
  request.heightTiles = sprite.Height;
  request.palette = sprite.Palette;
  request.hasContext = !sprite.Grey.empty() && sprite.Grey != "-1";
  std::optional<SelectedTiles> selected;
  request.selectionNote = viewer ? SelectionRefusal(*viewer, sprite, compressed)
                                 : "The tile viewer is not open.";
  if (request.selectionNote.empty()) {
    const std::int64_t size = BinaryFile::OpenForReading(viewer->Source.Path).Size();
    selected = TilesOfSelections(viewer->Layout, viewer->Own, viewer->Context, size);
    if (selected->White.empty()) {
      request.selectionNote = "The viewer's selection holds no whole tile.";
      selected.reset();
    } else {
      request.selectionWidth = selected->Bounds.Width;
      request.selectionHeight = selected->Bounds.Height;
      request.selectionContext = !selected->Grey.empty();
    }
  }
  const auto answer = ActiveDialogs().AskSpriteEdit(request);
  if (!answer || !PaletteInsideRom(answer->palette)) return std::nullopt;

  SpriteChanges changes;
  changes.Palette = static_cast<std::int32_t>(answer->palette);
  if (answer->takeSelection && selected) {
    changes.Width = static_cast<std::int16_t>(selected->Bounds.Width);
    changes.Height = static_cast<std::int16_t>(selected->Bounds.Height);
    changes.White = FormatTileList(selected->White);
    if (answer->context == ContextChoice::FromSelection) changes.Grey = FormatTileList(selected->Grey);
  } else {
    changes.Width = static_cast<std::int16_t>(answer->widthTiles);
    changes.Height = static_cast<std::int16_t>(answer->heightTiles);
  }
  if (answer->context == ContextChoice::None) changes.Grey = "";
  // The sprite on the surface is loaded again from the changed record: its
  // unsaved changes are saved or dropped first.
  const bool loaded = IsLoaded(table, name);
  if (loaded && ConfirmUnsavedChanges(true) == ConfirmOutcome::Cancelled) return std::nullopt;
  if (!Written([&] { EditSprite(*game, table, name, changes); })) return std::nullopt;
  ReopenViews(*game);
  return CorrectionOutcome{name, loaded};
}

std::optional<CorrectionOutcome> DeleteSpriteCommand(GameTable table, const std::string& name) {
  const auto game = GameOrTell();
  if (!game) return std::nullopt;
  const std::string question =
      "Remove the sprite \"" + name + "\" from the catalog?\r\n\r\nIts tiles in the ROM stay as "
      "they are. Tools > Undo Catalog Change brings the entry back.";
  if (ActiveDialogs().Message(question, MsgIcon::Question, MsgButtons::YesNoCancel,
                              "Delete Sprite") != MsgAnswer::Yes)
    return std::nullopt;
  const bool loaded = IsLoaded(table, name);
  if (loaded && ConfirmUnsavedChanges(true) == ConfirmOutcome::Cancelled) return std::nullopt;
  if (!Written([&] { DeleteSprite(*game, table, name); })) return std::nullopt;
  if (loaded) G().SpriteName.clear();
  ReopenViews(*game);
  return CorrectionOutcome{name, false, loaded};
}

bool RenameHeadingCommand(std::int64_t headingId) {
  const auto game = GameOrTell();
  if (!game) return false;
  std::string current;
  for (const HeadingEntry& heading : ReadHeadings(game->DatabasePath))
    if (heading.Id == headingId) current = heading.Name;
  const auto typed = ActiveDialogs().InputText("New name of the heading \"" + current + "\":",
                                               "Rename Heading", current);
  if (!typed || *typed == current) return false;
  if (!Written([&] { RenameHeading(*game, headingId, *typed); })) return false;
  ReopenViews(*game);
  return true;
}

bool DeleteHeadingCommand(std::int64_t headingId) {
  const auto game = GameOrTell();
  if (!game) return false;
  if (!Written([&] { DeleteHeading(*game, headingId); })) return false;
  ReopenViews(*game);
  return true;
}

std::optional<GameSettings> GameSettingsCommand() {
  const auto game = GameOrTell();
  if (!game) return std::nullopt;
  GameSettings settings;
  if (!Accepted([&] { settings = ReadGameSettings(*game); })) return std::nullopt;
  const auto answer = ActiveDialogs().AskGameSettings(settings.Name, settings.Palette);
  if (!answer || (answer->name == settings.Name && answer->palette == settings.Palette))
    return std::nullopt;
  if (!PaletteInsideRom(answer->palette)) return std::nullopt;
  // The palette strip is read again from the new offset: unsaved colours go first.
  if (answer->palette != settings.Palette && G().PaletteDirty &&
      ConfirmUnsavedChanges(true) == ConfirmOutcome::Cancelled)
    return std::nullopt;
  const GameSettings changed{answer->name, static_cast<std::int32_t>(answer->palette)};
  if (!Written([&] { ChangeGameSettings(*game, changed); })) return std::nullopt;
  ReopenViews(*game);
  return changed;
}

std::vector<std::int64_t>& SessionCatalogSteps() {
  static std::vector<std::int64_t> steps;
  return steps;
}

namespace {

std::optional<std::int64_t> NewestCatalogStep() {
  const auto steps = CatalogUndoSteps(G().DataPath);
  if (steps.empty()) return std::nullopt;
  return steps.front().Step;
}

}  // namespace

void NoteSessionCatalogChange() {
  const auto newest = NewestCatalogStep();
  auto& steps = SessionCatalogSteps();
  if (newest && (steps.empty() || steps.back() != *newest)) steps.push_back(*newest);
}

void NoteIfCatalogChanged(const std::function<void()>& command) {
  const auto before = NewestCatalogStep();
  command();
  if (NewestCatalogStep() != before) NoteSessionCatalogChange();
}

std::string NextSessionUndo() {
  if (SessionCatalogSteps().empty()) return "";
  try {
    for (const CatalogUndoStep& step : CatalogUndoSteps(G().DataPath))
      if (step.Step == SessionCatalogSteps().back()) return step.Description;
  } catch (const std::exception&) {
    // A catalog that cannot be read has nothing to undo.
  }
  return "";
}

std::optional<std::string> UndoCatalogChangeCommand() {
  auto& steps = SessionCatalogSteps();
  if (steps.empty()) {
    Tell("No catalog change of this session is left to undo.", MsgIcon::Information);
    return std::nullopt;
  }
  // What the surface shows may belong to a record the undo takes away.
  if (ConfirmUnsavedChanges(true) == ConfirmOutcome::Cancelled) return std::nullopt;
  std::string description;
  try {
    description = UndoCatalogChange(G().DataPath, steps.back());
  } catch (const CatalogWriteError& error) {
    Tell(error.what());
    return std::nullopt;
  }
  steps.pop_back();
  OpenCatalog();
  return description;
}

}  // namespace kerrow
