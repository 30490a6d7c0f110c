#include "shell/Version.h"

#ifndef KERROW_VERSION
#define KERROW_VERSION "unknown"
#endif

namespace kerrow {

const char* KerrowVersion() { return KERROW_VERSION; }

std::string VersionReport(const std::string& program, const DataFolder& folder) {
  return program + " " + KerrowVersion() + "\nCatalog folder: " + DescribeDataFolder(folder) + "\n";
}

}  // namespace kerrow
