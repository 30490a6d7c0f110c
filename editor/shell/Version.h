// The programs' version, and what their --version prints.
#pragma once

#include <string>

#include "shell/DataFolder.h"

namespace kerrow {

// The release of the editor and kerrow-cli, "0.1.0".
const char* KerrowVersion();

// "<program> <version>", then the catalog folder in use and why.
std::string VersionReport(const std::string& program, const DataFolder& folder);

}  // namespace kerrow
