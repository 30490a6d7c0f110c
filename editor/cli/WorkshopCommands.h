// The catalog check and the checksum subcommands of kerrow-cli.
#pragma once

#include <span>
#include <string>

#include "cli/CliCommand.h"

namespace kerrow::cli {

int RunCheck(const CliContext& context, std::span<const std::string> args);
int RunChecksum(const CliContext& context, std::span<const std::string> args);

}  // namespace kerrow::cli
