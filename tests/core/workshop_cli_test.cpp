#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>

#include "workshop_TestRom.h"

namespace kerrow {
namespace {

struct Outcome {
  int status = -1;
  std::string output;
};

// Runs the built kerrow-cli with a data directory and arguments.
Outcome Cli(const std::string& data, const std::string& arguments) {
  const std::string command =
      test::TestBinDir() + "/kerrow-cli --data '" + data + "' " + arguments + " 2>&1";
  Outcome outcome;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return outcome;
  char buffer[512];
  while (std::fgets(buffer, sizeof buffer, pipe)) outcome.output += buffer;
  const int raw = pclose(pipe);
  outcome.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  return outcome;
}

TEST(KerrowCli, CheckExitsWithZeroOneOrTwo) {
  test::ScratchDir dir;
  const std::string data = dir.Path().string() + "/";
  test::PrepareDataDir(dir);
  test::WriteBytes(dir.File("rom.bin"), test::MakeRom(0x1000, {.serial = "GM CLI-1"}));
  test::SqlFile(dir.File("game.mdb"))
      .Run(
          "CREATE TABLE Games (Number INTEGER PRIMARY KEY, ID TEXT, Database TEXT);"
          "INSERT INTO Games VALUES (1, 'CLI-1', 'cli.mdb');");
  test::SqlFile(dir.File("cli.mdb"))
      .Run(test::kGameTablesSql)
      .Run(
          "INSERT INTO NFO VALUES ('Cli', 512, 0, '', ''); INSERT INTO HEAD VALUES (1, 'H');"
          "INSERT INTO SPRITE VALUES ('A', 1, 0, 1, 1, '0,0,1024', '-1');");
  Outcome clean = Cli(data, "check " + dir.File("rom.bin"));
  EXPECT_EQ(clean.status, 0) << clean.output;

  test::SqlFile(dir.File("cli.mdb"))
      .Run(test::kGameTablesSql)
      .Run(
          "INSERT INTO NFO VALUES ('Cli', 512, 0, '', ''); INSERT INTO HEAD VALUES (1, 'H');"
          "INSERT INTO SPRITE VALUES ('A', 2, 0, 1, 1, '0,0,5000', '-1');");
  Outcome damaged = Cli(data, "check " + dir.File("rom.bin"));
  EXPECT_EQ(damaged.status, 1) << damaged.output;
  EXPECT_NE(damaged.output.find("SPRITE \"A\": the heading 2 does not exist"), std::string::npos)
      << damaged.output;
  EXPECT_NE(damaged.output.find("SPRITE \"A\": White line 1: the tile at 0x1388 reaches past"),
            std::string::npos)
      << damaged.output;

  EXPECT_EQ(Cli(data, "check " + dir.File("none.bin")).status, 2);
  EXPECT_EQ(Cli(data, "check").status, 64);
}

TEST(KerrowCli, ChecksumPrintsBothAndFixesOnlyOnRequest) {
  test::ScratchDir dir;
  const auto rom = test::MakeRom(0x1001, {}, 0xBEEF);
  test::WriteBytes(dir.File("rom.bin"), rom);
  Outcome shown = Cli(dir.Path().string(), "checksum " + dir.File("rom.bin"));
  EXPECT_EQ(shown.status, 1);
  char computed[8];
  std::snprintf(computed, sizeof computed, "%04X", test::IndependentSum(rom));
  EXPECT_NE(shown.output.find("stored:   BEEF"), std::string::npos) << shown.output;
  EXPECT_NE(shown.output.find(std::string("computed: ") + computed), std::string::npos);
  EXPECT_EQ(test::ReadBytes(dir.File("rom.bin")), rom);

  Outcome fixed = Cli(dir.Path().string(), "checksum --fix " + dir.File("rom.bin"));
  EXPECT_EQ(fixed.status, 0) << fixed.output;
  auto expected = rom;
  expected[0x18E] = static_cast<unsigned char>(test::IndependentSum(rom) >> 8);
  expected[0x18F] = static_cast<unsigned char>(test::IndependentSum(rom));
  EXPECT_EQ(test::ReadBytes(dir.File("rom.bin")), expected);
  EXPECT_EQ(Cli(dir.Path().string(), "checksum " + dir.File("rom.bin")).status, 0);
}

TEST(KerrowCli, ChecksumOfAnImageTooShortForOneCannotBeChecked) {
  // No stored checksum to compare: neither "wrong" (1) nor fixable, with or without --fix.
  test::ScratchDir dir;
  for (const std::size_t size : {std::size_t{0}, std::size_t{0x100}, std::size_t{0x18F}}) {
    const std::vector<unsigned char> rom(size, 0x5A);
    test::WriteBytes(dir.File("short.bin"), rom);
    for (const char* command : {"checksum ", "checksum --fix "}) {
      const Outcome outcome = Cli(dir.Path().string(), command + dir.File("short.bin"));
      EXPECT_EQ(outcome.status, 2) << size << ": " << outcome.output;
      EXPECT_NE(outcome.output.find("too short"), std::string::npos) << outcome.output;
      EXPECT_EQ(outcome.output.find("use --fix"), std::string::npos) << outcome.output;
      EXPECT_EQ(test::ReadBytes(dir.File("short.bin")), rom);
    }
  }
}

}  // namespace
}  // namespace kerrow
