#include "workshop/SaveHooks.h"

#include "graphics/BinaryFile.h"
#include "workshop/RomHeader.h"

namespace kerrow {

namespace {
bool fixOnSave = false;
}

void SetFixChecksumOnSave(bool on) {
  fixOnSave = on;
}
bool FixChecksumOnSave() {
  return fixOnSave;
}

void AfterRomSaved(const std::string& romPath) {
  if (!fixOnSave) return;
  if (BinaryFile::OpenForReading(romPath).Size() < kChecksumStart) return;
  FixChecksum(romPath);
}

}  // namespace kerrow
