#include "browser/SpriteSelection.h"

#include "bridge/CompressionBridge.h"
#include "bridge/WriteBack.h"
#include "catalog/bTreeViewHandle.h"
#include "editing/ExitQuestions.h"
#include "editing/UndoHistory.h"
#include "editing/bPal.h"
#include "graphics/BinaryFile.h"
#include "graphics/bDraw.h"
#include "shell/Dialogs.h"
#include "shell/ErrorReports.h"
#include "shell/bGlobals.h"

namespace kerrow {

namespace {

// One selection from the moment its record is found: what it has replaced so
// far, so that a failure can leave nothing editable or saveable behind.
struct Attempt {
  std::string Name;
  bool Compressed = false;
  bool Begun = false;     // the record was found; the shown sprite is being replaced
  bool LaidOut = false;   // the grids now belong to the new record
  bool PreviousCompressed = false;
};

// Failures that a bad value of a catalog field causes (rather than a missing
// file or library).
bool CausedByValue(std::int32_t number) {
  switch (number) {
    case kErrOverflow:
    case kErrSubscript:
    case kErrTypeMismatch:
    case kErrPastEndOfFile:
    case kErrBadRecordNumber:
    case kErrInvalidNull:
      return true;
    default:
      return false;
  }
}

// Runs a step that works on a value read from `field` of `table`; a failure
// the value caused says where it came from.
template <typename Step>
void InField(TableView& table, std::string_view field, Step step) {
  try {
    step();
  } catch (const Failure& failure) {
    if (!CausedByValue(failure.Number())) throw;
    throw failure.At(table.Place(field));
  }
}

// The record's palette block, or the game's when the record names none.
void LoadRecordPalette(TableView& record) {
  const std::int32_t own = record.Long("Palette");
  TableView& source = own != 0 ? record : GameTableView(kNfo);
  const std::int32_t offset = own != 0 ? own : source.Long("Palette");
  InField(source, "Palette", [&] { LoadPalette(G().RomPath, offset); });
  G().PaletteDirty = false;
}

// Positions `table` on `name`. When there is no such record the table the
// shown sprite came from goes back to its record, so that redraws and saves
// of the sprite still on screen keep working, and the processing error is shown.
bool SeekOrKeepShown(GameTable table, const std::string& name) {
  if (GameTableView(table).Seek(name)) return true;
  if (G().SpriteLoaded) {
    GameTableView(G().SpriteIsCompressed ? kCompressed : kSprite).Seek(G().SpriteName);
  }
  ShowProcessingError();
  return false;
}

// From here on the shown sprite is being replaced: its undo steps go, and
// until the selection completes nothing may be saved.
void Begin(Attempt& attempt, const std::string& name, bool compressed) {
  attempt = {name, compressed, true, false, G().SpriteIsCompressed};
  G().FailedSelection = name;
  ResetUndoHistory();
}

void Complete() { G().FailedSelection.clear(); }

// New grids for the record's size. Each side is checked first, so that a
// size the surface cannot take names its field.
void LayOut(TableView& record, Attempt& attempt, SpriteStage& stage) {
  const std::int16_t width = record.Integer("Width");
  const std::int16_t height = record.Integer("Height");
  InField(record, "Width", [&] { SurfaceSide(width, G().ZoomFactor); });
  InField(record, "Height", [&] { SurfaceSide(height, G().ZoomFactor); });
  stage.LayoutForLoad(width, height);
  G().SpriteName = attempt.Name;
  G().SpriteIsCompressed = attempt.Compressed;
  attempt.LaidOut = true;
}

// After a failure: the table goes back to the record the grids belong to,
// and every own tile on the surface becomes read-only, shaded like a context
// tile, so neither the earlier sprite nor part of the new one can be edited
// or saved under a record it did not come from.
void Abandon(const Attempt& attempt, Surface& surface) {
  if (!attempt.Begun) return;
  if (!attempt.LaidOut) {
    G().SpriteIsCompressed = attempt.PreviousCompressed;
    if (!G().SpriteName.empty()) {
      GameTableView(attempt.PreviousCompressed ? kCompressed : kSprite).Seek(G().SpriteName);
    }
  }
  PixelGrid& map = G().TileMap;
  for (std::int32_t ty = 0; ty < map.Height(); ++ty) {
    for (std::int32_t tx = 0; tx < map.Width(); ++tx) {
      if (map.At(tx, ty) != kTileWhite) continue;
      map.At(tx, ty) = kTileGrey;
      surface.ShadeTile(tx, ty);
    }
  }
}

void LoadPlainSprite(const std::string& name, Attempt& attempt, SpriteStage& stage) {
  if (!SeekOrKeepShown(kSprite, name)) return;
  Begin(attempt, name, false);
  G().SpriteIsCompressed = false;
  TableView& record = GameTableView(kSprite);
  LoadRecordPalette(record);
  LayOut(record, attempt, stage);
  const std::string white = record.Text("White");
  InField(record, "White", [&] { LoadWhiteTiles(white, stage); });
  if (!record.IsNull("Grey")) {
    const std::string grey = record.Text("Grey");
    if (grey != "-1") InField(record, "Grey", [&] { LoadGreyTiles(grey, stage); });
  }
  G().SpriteLoaded = true;
  Complete();
}

bool LoadCompressedRecord(const std::string& name, Attempt& attempt, SpriteStage& stage) {
  if (!SeekOrKeepShown(kCompressed, name)) return false;
  Begin(attempt, name, true);
  TableView& record = GameTableView(kCompressed);
  LoadRecordPalette(record);
  LayOut(record, attempt, stage);
  const std::string white = record.Text("White");
  const std::int32_t offset = record.Long("Offset");
  if (offset < 0) {
    throw Failure(kErrBadRecordNumber,
                  "Bad record number: the compressed data's offset " + std::to_string(offset) +
                      " is negative",
                  kFileSource)
        .At(record.Place("Offset"));
  }
  try {
    InField(record, "White", [&] { LoadCompressedWhiteTiles(white, stage); });
  } catch (const Failure& failure) {
    // The library could not unpack the data found at the record's offset.
    if (failure.Number() != kErrDecompression) throw;
    throw failure.At(record.Place("Offset"));
  }
  G().SpriteLoaded = true;
  return true;
}

void LoadCompressed(const std::string& name, Attempt& attempt, SpriteStage& stage) {
  if (!LoadCompressedRecord(name, attempt, stage)) return;
  TableView& record = GameTableView(kCompressed);
  if (!record.IsNull("Grey")) {
    const std::string grey = record.Text("Grey");
    if (!grey.empty()) InField(record, "Grey", [&] { LoadCompressedGreyTiles(grey, stage); });
  }
  Complete();
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
  Attempt attempt;
  try {
    if (!LoadCompressedRecord(name, attempt, stage)) return false;
    Complete();
    return true;
  } catch (const Failure&) {
    Abandon(attempt, stage);
    throw;
  }
}

void SelectSprite(const SpriteNode* node, SpriteStage& stage) {
  Attempt attempt;
  try {
    if (node == nullptr) {
      throw Failure(kErrObjectNotSet, "Object variable or With block variable not set", "kerrow");
    }
    if (node->Image <= kHeadingImage) return;
    if (ConfirmUnsavedChanges(true) == ConfirmOutcome::Cancelled) return;
    RemoveTemporaryFiles();
    if (node->ParentKey.find(kHeadKeyPrefix) != std::string::npos) {
      LoadPlainSprite(node->Text, attempt, stage);
    } else {
      LoadCompressed(node->Text, attempt, stage);
    }
  } catch (const Failure& failure) {
    Abandon(attempt, stage);
    ShowRuntimeError(failure.Number(), failure);
  }
}

}  // namespace kerrow
