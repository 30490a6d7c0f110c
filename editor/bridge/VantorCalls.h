// Calls into the outside compression library's two entry points, bound by name
// on first call. Kept free of the editor's state so that the Windows build of
// the bridge can be tested on its own.
#pragma once

#include <cstdint>
#include <string>

#include "droven/droven.h"

// The outside library follows the 32-bit Windows convention for library entry
// points: the callee removes its arguments from the stack. Calling it with the
// compiler's default convention would leave the stack off by the arguments'
// size after every call.
#if defined(_WIN32) && !defined(_WIN64)
#define KERROW_LIBRARY_CALL __stdcall
#else
#define KERROW_LIBRARY_CALL
#endif

namespace kerrow {

using DecompEntry = std::int32_t(KERROW_LIBRARY_CALL*)(VARIANT source, VARIANT destination,
                                                      std::int32_t startOffset);
using CompEntry = std::int32_t(KERROW_LIBRARY_CALL*)(VARIANT source, VARIANT destination);

// Vantor's entry points; -1 means failure. A library or entry point that cannot
// be found fails (53, 48 or 453).
std::int32_t VantorDecomp(const std::string& source, const std::string& destination,
                          std::int32_t startOffset);
std::int32_t VantorComp(const std::string& source, const std::string& destination);

}  // namespace kerrow
