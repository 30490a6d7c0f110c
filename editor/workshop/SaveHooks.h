// What happens after a successful save: with "Fix Checksum on Save" on, the
// ROM's stored checksum is brought up to date, since many games refuse to start
// when it is wrong.
#pragma once

#include <string>

namespace kerrow {

// Turning it on registers the checksum fix as what runs after every save
// (graphics/RomSaved.h); turning it off removes it.
void SetFixChecksumOnSave(bool on);
bool FixChecksumOnSave();

// The fix run after a save into `romPath`; an image too short to have a
// header is left alone.
void FixChecksumAfterSave(const std::string& romPath);

}  // namespace kerrow
