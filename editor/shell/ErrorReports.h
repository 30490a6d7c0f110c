// The editor's two error reports, shown through the active dialogs.
#pragma once

#include <cstdint>

#include "shell/Failure.h"

namespace kerrow {

inline constexpr const char* kProcessingErrorTitle = "Processing error!";
inline constexpr const char* kProcessingErrorText =
    "An unexpected error occured and the request could not be processed. Please try reloading "
    "the program and try again. If this persists, constact Zenbo and tell him where this is "
    "happening and what game you're trying to use";
inline constexpr const char* kRuntimeErrorTitle = "Generic Runtime Error Handler";

// The generic report: critical icon, OK, fixed text.
void ShowProcessingError();

// Number line, quoted description, blank line, source line; nothing for 91.
void ShowRuntimeError(std::int32_t number, const Failure& failure);

// The text ShowRuntimeError shows.
std::string RuntimeErrorText(const Failure& failure);

}  // namespace kerrow
