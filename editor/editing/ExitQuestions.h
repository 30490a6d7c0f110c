// The questions asked before the program ends, and the help texts of the Help menu.
#pragma once

#include <functional>

namespace kerrow {

inline constexpr const char* kConfirmTitle = "Confirm";
inline constexpr const char* kPaletteQuestion =
    "Palette has been changed. Switching sprites will reset the palette, do you wish you save "
    "your changes made to the palette?";
inline constexpr const char* kSpriteQuestion =
    "Sprite has been changed. Switching sprites will destroy any changes you have made to this "
    "sprite, do you wish you save your changes before you switch?";
inline constexpr const char* kHelpTopicsText =
    "Help? I'll give you help. This is Beta stuff, backup your stuff. That's all the help I'm "
    "giving you...";

// Asks about unsaved palette changes, then unsaved sprite changes (title
// "Confirm", Yes/No/Cancel). Yes runs the matching save, No goes on (clearing
// that change flag when `clearOnNo`), Cancel stops. A save that did not
// complete (it returns false) also stops, so its changes are not lost.
// Returns whether the caller may go on.
bool AskToSaveChanges(const std::function<bool()>& savePalette,
                      const std::function<bool()>& saveRom, bool clearOnNo);

// The questions before the program ends: nothing is cleared, since the
// program ends after them.
inline bool ConfirmExit(const std::function<bool()>& savePalette,
                        const std::function<bool()>& saveRom) {
  return AskToSaveChanges(savePalette, saveRom, false);
}

}  // namespace kerrow
