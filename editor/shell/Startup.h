// Start-up of the editor's state: the command line chooses the data directory.
#pragma once

#include <optional>
#include <string>

namespace kerrow {

inline constexpr const char* kDebugSwitch = "/debug";
#ifdef _WIN32
inline constexpr const char* kDebugDataPath = "C:\\Dev\\Projects\\TVII\\";
inline constexpr char kPathSeparator = '\\';
#else
inline constexpr const char* kDebugDataPath = "/Dev/Projects/TVII/";
inline constexpr char kPathSeparator = '/';
#endif

// All arguments after the program's name, joined with single spaces.
std::string CommandLineText(int argc, const char* const* argv);

// The fixed development directory for exactly "/debug", otherwise the
// program's own directory followed by a separator.
std::string ChooseDataPath(const std::string& commandLine, const std::string& programDirectory);

// Sets DataPath (the catalog folder chosen by LocateDataFolder with the
// process's environment; a new per-user folder is filled first) and ZoomFactor
// 8, then opens the catalog (failures propagate).
void InitGlobals(const std::string& commandLine, const std::string& programDirectory,
                 const std::optional<std::string>& dataOption = std::nullopt);

}  // namespace kerrow
