#include "browser/SpriteSelection.h"

#include "bridge/CompressionBridge.h"
#include "bridge/WriteBack.h"
#include "catalog/bTreeViewHandle.h"
#include "editing/ExitQuestions.h"
#include "editing/UndoHistory.h"
#include "editing/bPal.h"
#include "graphics/bDraw.h"
#include "shell/Dialogs.h"
#include "shell/ErrorReports.h"
#include "shell/bGlobals.h"

namespace kerrow {

namespace {

// The record's palette block, or the game's when the record names none.
std::int32_t PaletteOffsetOf(TableView& record) {
  const std::int32_t own = record.Long("Palette");
  return own != 0 ? own : GameTableView(kNfo).Long("Palette");
}

void LoadRecordPalette(TableView& record) {
  LoadPalette(G().RomPath, PaletteOffsetOf(record));
  G().PaletteDirty = false;
}

// The name of the record the shown sprite came from.
std::string& ShownSpriteName() {
  static std::string name;
  return name;
}

// Positions `table` on `name`. When there is no such record the table the
// shown sprite came from goes back to its record, so that redraws and saves
// of the sprite still on screen keep working, and the processing error is shown.
bool SeekOrKeepShown(GameTable table, const std::string& name) {
  if (GameTableView(table).Seek(name)) return true;
  if (G().SpriteLoaded) {
    GameTableView(G().SpriteIsCompressed ? kCompressed : kSprite).Seek(ShownSpriteName());
  }
  ShowProcessingError();
  return false;
}

// New grids for the record's size; the undo steps of the previous sprite go.
void LayOut(TableView& record, const std::string& name, SpriteStage& stage) {
  stage.LayoutForLoad(record.Integer("Width"), record.Integer("Height"));
  ShownSpriteName() = name;
  ResetUndoHistory();
}

void LoadPlainSprite(const std::string& name, SpriteStage& stage) {
  if (!SeekOrKeepShown(kSprite, name)) return;
  G().SpriteIsCompressed = false;
  TableView& record = GameTableView(kSprite);
  LoadRecordPalette(record);
  LayOut(record, name, stage);
  LoadWhiteTiles(record.Text("White"), stage);
  if (!record.IsNull("Grey")) {
    const std::string grey = record.Text("Grey");
    if (grey != "-1") LoadGreyTiles(grey, stage);
  }
  G().SpriteLoaded = true;
}

void LoadCompressed(const std::string& name, SpriteStage& stage) {
  if (!LoadCompressedSprite(name, stage)) return;
  TableView& record = GameTableView(kCompressed);
  if (record.IsNull("Grey")) return;
  const std::string grey = record.Text("Grey");
  if (!grey.empty()) LoadCompressedGreyTiles(grey, stage);
}

}  // namespace

ConfirmOutcome ConfirmUnsavedChanges(bool clearOnNo) {
  const bool proceed = AskToSaveChanges(
      [] {
        SavePalette();
        return !G().PaletteDirty;
      },
      [] { return SaveRom(); }, clearOnNo);
  return proceed ? ConfirmOutcome::Proceed : ConfirmOutcome::Cancelled;
}

bool LoadCompressedSprite(const std::string& name, SpriteStage& stage) {
  if (!SeekOrKeepShown(kCompressed, name)) return false;
  TableView& record = GameTableView(kCompressed);
  LoadRecordPalette(record);
  LayOut(record, name, stage);
  LoadCompressedWhiteTiles(record.Text("White"), stage);
  G().SpriteLoaded = true;
  return true;
}

void SelectSprite(const SpriteNode* node, SpriteStage& stage) {
  try {
    if (node == nullptr) {
      throw Failure(kErrObjectNotSet, "Object variable or With block variable not set", "kerrow");
    }
    if (node->Image <= kHeadingImage) return;
    if (ConfirmUnsavedChanges(true) == ConfirmOutcome::Cancelled) return;
    RemoveTemporaryFiles();
    if (node->ParentKey.find(kHeadKeyPrefix) != std::string::npos) {
      LoadPlainSprite(node->Text, stage);
    } else {
      LoadCompressed(node->Text, stage);
    }
  } catch (const Failure& failure) {
    ShowRuntimeError(failure.Number(), failure);
  }
}

}  // namespace kerrow
