#include "editing/ExitQuestions.h"

#include "shell/Dialogs.h"
#include "shell/bGlobals.h"

namespace kerrow {
namespace {

// One Yes/No/Cancel question; false when the user cancelled or the save did not complete.
bool AskAndSave(const char* question, const std::function<bool()>& save) {
  const MsgAnswer answer =
      ActiveDialogs().Message(question, MsgIcon::Question, MsgButtons::YesNoCancel, kConfirmTitle);
  if (answer == MsgAnswer::Cancel) return false;
  if (answer == MsgAnswer::Yes) return save && save();
  return true;
}

}  // namespace

bool ConfirmExit(const std::function<bool()>& savePalette, const std::function<bool()>& saveRom) {
  if (G().PaletteDirty && !AskAndSave(kPaletteQuestion, savePalette)) return false;
  if (G().SpriteDirty && !AskAndSave(kSpriteQuestion, saveRom)) return false;
  return true;
}

}  // namespace kerrow
