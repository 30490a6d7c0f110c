// The private directory of this run's temporary files ("dump.bin" and
// "dumpc.bin"): created on first use, readable only by the user, removed when
// the program ends. Nothing outside it is ever deleted, so a user's own file of
// the same name is never touched.
#pragma once

#include <string>

namespace kerrow {

// The directory, created on first use and created again if something removed
// it meanwhile (failure 75 when it cannot be created).
const std::string& TempDirectory();

// Whether this process has created the directory (and not removed it yet).
bool HasTempDirectory();

// The full path of a temporary file in that directory.
std::string TempFilePath(const std::string& name);

// Removes the directory and what it holds, if this process created it; called
// at exit (and automatically when the process ends normally). A forked child
// never removes its parent's directory.
void RemoveTempDirectory();

// Removes the private directories that killed runs left in the temporary
// area: only folders named like ours, owned by this user, holding our owner
// note, whose process is gone (its id unused, or used by a process started at
// another time). Called once when a program starts; never fails.
void RemoveStaleTempDirectories();

// The owner note's name inside a private directory.
inline constexpr const char* kTempOwnerNote = ".kerrow-owner";

// Makes an end through std::terminate (a failure nothing caught) remove the
// directory too before the process aborts, as the normal end does.
void RemoveTempDirectoryOnTerminate();

}  // namespace kerrow
