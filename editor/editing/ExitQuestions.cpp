#include "editing/ExitQuestions.h"

#include "shell/Dialogs.h"
#include "shell/bGlobals.h"

namespace kerrow {
namespace {

// One Yes/No/Cancel question; false when the user cancelled or the save did not complete.
bool AskAndSave(const char* question, const std::function<bool()>& save, bool& dirty,
                bool clearOnNo) {
  const MsgAnswer answer =
      ActiveDialogs().Message(question, MsgIcon::Question, MsgButtons::YesNoCancel, kConfirmTitle);
  if (answer == MsgAnswer::Yes) return save && save();
  if (answer != MsgAnswer::No) return false;
  if (clearOnNo) dirty = false;
  return true;
}

}  // namespace

bool AskToSaveChanges(const std::function<bool()>& savePalette,
                      const std::function<bool()>& saveRom, bool clearOnNo) {
  auto& g = G();
  if (g.PaletteDirty && !AskAndSave(kPaletteQuestion, savePalette, g.PaletteDirty, clearOnNo))
    return false;
  if (g.SpriteDirty && !AskAndSave(kSpriteQuestion, saveRom, g.SpriteDirty, clearOnNo))
    return false;
  return true;
}

}  // namespace kerrow
