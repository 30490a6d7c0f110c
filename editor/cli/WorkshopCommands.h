// The catalog check and the checksum subcommands of kerrow-cli.
#pragma once

#include <span>
#include <string>

#include "cli/CliCommand.h"

namespace kerrow::cli {

// Exit statuses of "check": problems found, or the check could not run.
inline constexpr int kExitProblems = 1;
inline constexpr int kExitCannotCheck = 2;

int RunCheck(const CliContext& context, std::span<const std::string> args);
int RunChecksum(const CliContext& context, std::span<const std::string> args);

}  // namespace kerrow::cli
