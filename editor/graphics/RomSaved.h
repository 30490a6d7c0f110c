// What runs after a save has written into a ROM image. Save ROM and Save
// Palette call AfterRomSaved; a higher room (the workshop's Fix Checksum on
// Save) registers what it does there, so the savers need not know it.
#pragma once

#include <functional>
#include <string>

namespace kerrow {

using RomSavedHook = std::function<void(const std::string& romPath)>;

// Replaces the hook; an empty one means nothing runs after a save.
void SetAfterRomSaved(RomSavedHook hook);

// Called by Save ROM and Save Palette after they wrote into `romPath`.
void AfterRomSaved(const std::string& romPath);

}  // namespace kerrow
