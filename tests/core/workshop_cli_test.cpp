#include <gtest/gtest.h>
#include <sys/wait.h>

#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "shell/Failure.h"
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

// A data directory whose one game keeps its palette at `nfoPalette` and has a
// sprite "Own" with a palette of its own at `ownPalette`.
void PaletteGame(const test::ScratchDir& dir, std::int64_t nfoPalette, std::int64_t ownPalette) {
  test::WriteGamesCatalog(dir, "INSERT INTO Games VALUES (1, 'CLI-2', 'cli.mdb');");
  test::WriteGameDatabase(
      dir, "cli.mdb",
      "INSERT INTO NFO VALUES ('Cli', " + std::to_string(nfoPalette) +
          ", 0, '', ''); INSERT INTO HEAD VALUES (1, 'H');"
          "INSERT INTO SPRITE VALUES ('Own', 1, " +
          std::to_string(ownPalette) + ", 1, 1, '0,0,1024', '-1');");
}

TEST(KerrowCli, NegativePaletteOffsetsAreRefusedNamingTheRowAndTheRomStaysAsItWas) {
  test::ScratchDir dir;
  const std::string data = dir.Path().string() + "/";
  const auto rom = test::MakeRom(0x1000, {.serial = "GM CLI-2"});
  test::WriteBytes(dir.File("rom.bin"), rom);
  std::vector<unsigned char> words(32);
  for (std::size_t i = 0; i < words.size(); i += 2) words[i + 1] = 0x0E;  // red
  test::WriteBytes(dir.File("red.bin"), words);
  for (const int offset : {-1, -2}) {
    SCOPED_TRACE(offset);
    PaletteGame(dir, offset, 0x200);
    for (const char* command : {"palette import ", "palette export "}) {
      const std::string file = dir.File(command[8] == 'i' ? "red.bin" : "out.bin");
      const Outcome game = Cli(data, command + dir.File("rom.bin") + " " + file);
      EXPECT_EQ(game.status, 10) << game.output;
      EXPECT_NE(game.output.find("NFO \"Cli\", Palette"), std::string::npos) << game.output;
    }
    PaletteGame(dir, 0x200, offset);
    const Outcome own = Cli(data, "palette import " + dir.File("rom.bin") + " Own " + dir.File("red.bin"));
    EXPECT_EQ(own.status, 13) << own.output;
    EXPECT_NE(own.output.find("SPRITE \"Own\", Palette"), std::string::npos) << own.output;
    EXPECT_EQ(test::ReadBytes(dir.File("rom.bin")), rom);
    EXPECT_FALSE(std::filesystem::exists(dir.File("out.bin")));
  }
  // The check names them too.
  PaletteGame(dir, -2, -1);
  const Outcome check = Cli(data, "check " + dir.File("rom.bin"));
  EXPECT_EQ(check.status, 1);
  EXPECT_NE(check.output.find("NFO \"Cli\": the palette at -0x2 is before the start"),
            std::string::npos)
      << check.output;
  EXPECT_NE(check.output.find("SPRITE \"Own\": the palette at -0x1 is before the start"),
            std::string::npos)
      << check.output;
}

// Another program holding a write transaction on the catalog.
TEST(KerrowCli, ACatalogInUseByAnotherProgramHasItsOwnStatus) {
  test::ScratchDir dir;
  const std::string data = dir.Path().string() + "/";
  test::WriteBytes(dir.File("rom.bin"), test::MakeRom(0x1000, {.serial = "GM CLI-2"}));
  PaletteGame(dir, 0x200, 0);
  for (const char* file : {"game.mdb", "cli.mdb"}) {
    SCOPED_TRACE(file);
    sqlite3* holder = nullptr;
    ASSERT_EQ(sqlite3_open(dir.File(file).c_str(), &holder), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(holder, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
    for (const char* command : {"list ", "check ", "palette export "}) {
      const std::string tail = command[0] == 'p' ? " " + dir.File("p.pal") : "";
      const Outcome outcome = Cli(data, command + dir.File("rom.bin") + tail);
      EXPECT_EQ(outcome.status, 18) << command << outcome.output;
      EXPECT_NE(outcome.output.find("is in use by another program"), std::string::npos)
          << outcome.output;
      EXPECT_EQ(std::count(outcome.output.begin(), outcome.output.end(), '\n'), 1)
          << outcome.output;
    }
    sqlite3_exec(holder, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(holder);
  }
  EXPECT_EQ(Cli(data, "list " + dir.File("rom.bin")).status, 0);
}

// Memory that runs out where no command expected it ends in one plain line.
TEST(KerrowCli, RunningOutOfMemorySaysSoInOneLine) {
  if (!test::kOutOfMemoryThrows) GTEST_SKIP() << test::kOutOfMemoryNotThrown;
  test::ScratchDir dir;
  // Sparse: 1 GiB long, no disk taken. Reading it whole needs more than the limit.
  const std::string rom = dir.File("huge.bin");
  test::WriteBytes(rom, test::MakeRom(0x400));
  std::filesystem::resize_file(rom, std::uint64_t{1} << 30);
  const std::string command = "(ulimit -v 400000; " + test::TestBinDir() + "/kerrow-cli checksum " +
                              rom + ") 2>&1";
  FILE* pipe = popen(command.c_str(), "r");
  ASSERT_TRUE(pipe);
  std::string output;
  char buffer[512];
  while (std::fgets(buffer, sizeof buffer, pipe)) output += buffer;
  const int raw = pclose(pipe);
  ASSERT_TRUE(WIFEXITED(raw)) << output;
  EXPECT_EQ(WEXITSTATUS(raw), 70) << output;
  EXPECT_EQ(output, std::string("kerrow-cli: ") + kOutOfMemoryText + "\n");
}

}  // namespace
}  // namespace kerrow
