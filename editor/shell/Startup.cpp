#include "shell/Startup.h"

#include "catalog/bDatabase.h"
#include "shell/DataFolder.h"
#include "shell/bGlobals.h"

namespace kerrow {

std::string CommandLineText(int argc, const char* const* argv) {
  std::string text;
  for (int i = 1; i < argc; ++i) {
    if (i > 1) text += ' ';
    text += argv[i];
  }
  return text;
}

std::string ChooseDataPath(const std::string& commandLine, const std::string& programDirectory) {
  if (commandLine == kDebugSwitch) return kDebugDataPath;
  std::string path = programDirectory;
  if (path.empty() || path.back() != kPathSeparator) path += kPathSeparator;
  return path;
}

void InitGlobals(const std::string& commandLine, const std::string& programDirectory,
                 const std::optional<std::string>& dataOption) {
  const DataFolder folder = LocateDataFolder(commandLine, dataOption, programDirectory,
                                             DataFolderEnvironment::FromProcess());
  G().DataPath = folder.path;
  PrepareDataFolder(folder);
  G().ZoomFactor = 8;
  OpenCatalog();
}

}  // namespace kerrow
