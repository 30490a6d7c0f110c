#include "workshop/SaveHooks.h"

#include "graphics/BinaryFile.h"
#include "graphics/RomSaved.h"
#include "workshop/RomHeader.h"

namespace kerrow {

namespace {
bool fixOnSave = false;
}

void SetFixChecksumOnSave(bool on) {
  fixOnSave = on;
  SetAfterRomSaved(on ? RomSavedHook(FixChecksumAfterSave) : RomSavedHook());
}
bool FixChecksumOnSave() {
  return fixOnSave;
}

void FixChecksumAfterSave(const std::string& romPath) {
  if (!fixOnSave) return;
  if (BinaryFile::OpenForReading(romPath).Size() < kChecksumStart) return;
  FixChecksum(romPath);
}

}  // namespace kerrow
