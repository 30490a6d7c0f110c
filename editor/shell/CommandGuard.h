// Every command handler runs through RunGuarded: a failure reaches the user as
// a box with its message and the program keeps running.
#pragma once

#include <functional>

namespace kerrow {

// Runs `command`; a kerrow::Failure or other exception is shown in a box
// (critical icon, the application's title). Returns false when it failed.
bool RunGuarded(const std::function<void()>& command);

}  // namespace kerrow
