// What happens after a successful save: with "Fix Checksum on Save" on, the
// ROM's stored checksum is brought up to date, since many games refuse to start
// when it is wrong.
#pragma once

#include <string>

namespace kerrow {

void SetFixChecksumOnSave(bool on);
bool FixChecksumOnSave();

// Called by Save ROM and Save Palette after they wrote into `romPath`.
// An image too short to have a header is left alone.
void AfterRomSaved(const std::string& romPath);

}  // namespace kerrow
