// The private directory of this run's temporary files ("dump.bin" and
// "dumpc.bin"): created on first use, readable only by the user, removed when
// the program ends. Nothing outside it is ever deleted, so a user's own file of
// the same name is never touched.
#pragma once

#include <string>

namespace kerrow {

// The directory, created on first use (failure 75 when it cannot be created).
const std::string& TempDirectory();

// The full path of a temporary file in that directory.
std::string TempFilePath(const std::string& name);

// Removes the directory and what it holds, if it was created; called at exit
// (and automatically when the process ends normally).
void RemoveTempDirectory();

}  // namespace kerrow
