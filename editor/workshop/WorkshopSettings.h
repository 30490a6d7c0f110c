// The one setting the editor keeps between runs: "Fix Checksum on Save", in a
// settings file of the user's.
#pragma once

namespace kerrow {

bool ReadFixChecksumOnSaveSetting();
void WriteFixChecksumOnSaveSetting(bool on);

}  // namespace kerrow
