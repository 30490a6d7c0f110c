// The droven command: exit status, one-line messages, and the same file
// behaviour as the library.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include "DrovenTestSupport.h"

namespace droven {
namespace {

using test::Bytes;
using test::FromHex;
using test::FromText;
using test::ReadFile;
using test::Scratch;
using test::WriteFile;

struct Outcome {
  int status;
  std::string errors;
  std::string output;
};

Outcome RunTool(const Scratch& dir, const std::string& arguments) {
  const std::string command = std::string("'") + DROVEN_TOOL_PATH + "' " + arguments + " >'" +
                              dir.File(".stdout").string() + "' 2>'" +
                              dir.File(".stderr").string() + "'";
  const int raw = std::system(command.c_str());
  const Bytes errors = ReadFile(dir.File(".stderr"));
  const Bytes output = ReadFile(dir.File(".stdout"));
  std::filesystem::remove(dir.File(".stderr"));
  std::filesystem::remove(dir.File(".stdout"));
  return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, std::string(errors.begin(), errors.end()),
          std::string(output.begin(), output.end())};
}

int Lines(const std::string& text) { return static_cast<int>(std::count(text.begin(), text.end(), '\n')); }

TEST(DrovenTool, CompressesAndDecompresses) {
  Scratch dir;
  const std::string d = dir.Path().string() + "/";
  WriteFile(dir.File("ab"), FromText("ABABABABAB"));
  EXPECT_EQ(RunTool(dir, "c " + d + "ab " + d + "ab.z").status, 0);
  EXPECT_EQ(ReadFile(dir.File("ab.z")), FromHex("2B 00 41 42 FE FE 00 F0 00"));
  EXPECT_EQ(RunTool(dir, "decompress " + d + "ab.z " + d + "ab.out").status, 0);
  EXPECT_EQ(ReadFile(dir.File("ab.out")), FromText("ABABABABAB"));

  WriteFile(dir.File("abc"), FromText("abc"));
  EXPECT_EQ(RunTool(dir, "compress --module " + d + "abc " + d + "abc.z").status, 0);
  EXPECT_EQ(ReadFile(dir.File("abc.z")), FromHex("00 03 17 00 61 62 63 00 F0 00"));
  EXPECT_EQ(RunTool(dir, "d -m " + d + "abc.z " + d + "abc.out").status, 0);
  EXPECT_EQ(ReadFile(dir.File("abc.out")), FromText("abc"));

  // A stream inside a larger file, at decimal and hexadecimal offsets.
  Bytes rom(300, 0x99);
  const Bytes stream = FromHex("15 00 61 FF F8 12 00 F0 00");
  std::copy(stream.begin(), stream.end(), rom.begin() + 0x100);
  WriteFile(dir.File("rom"), rom);
  EXPECT_EQ(RunTool(dir, "d -o 256 " + d + "rom " + d + "one").status, 0);
  EXPECT_EQ(RunTool(dir, "d --offset 0x100 " + d + "rom " + d + "two").status, 0);
  EXPECT_EQ(RunTool(dir, "d --offset=0x100 " + d + "rom " + d + "three").status, 0);
  for (const char* name : {"one", "two", "three"}) EXPECT_EQ(ReadFile(dir.File(name)), Bytes(20, 0x61));
}

TEST(DrovenTool, FailuresExitWithTheLibraryResult) {
  Scratch dir;
  const std::string d = dir.Path().string() + "/";
  WriteFile(dir.File("large"), Bytes(65536, 1));
  WriteFile(dir.File("kept"), FromText("kept"));
  WriteFile(dir.File("cut"), FromHex("15 00 61 FF"));

  const Outcome tooLong = RunTool(dir, "c -m " + d + "large " + d + "kept");
  EXPECT_EQ(tooLong.status, 2);
  EXPECT_EQ(Lines(tooLong.errors), 1);
  EXPECT_EQ(RunTool(dir, "c " + d + "missing " + d + "kept").status, 4);
  EXPECT_EQ(RunTool(dir, "d " + d + "cut " + d + "kept").status, 7);
  EXPECT_EQ(RunTool(dir, "d -o 9999 " + d + "cut " + d + "kept").status, 6);
  const Outcome negative = RunTool(dir, "d -o -1 " + d + "cut " + d + "kept");
  EXPECT_EQ(negative.status, 6);
  EXPECT_EQ(Lines(negative.errors), 1);
  EXPECT_EQ(ReadFile(dir.File("kept")), FromText("kept"));
}

TEST(DrovenTool, CommandLineMistakesAndHelp) {
  Scratch dir;
  const Outcome help = RunTool(dir, "--help");
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.output.find("droven c [-m] INPUT OUTPUT"), std::string::npos);
  EXPECT_TRUE(help.errors.empty());

  for (const char* wrong : {"", "x a b", "c onlyone", "c -q a b", "d -o a b", "d -o 12z a b",
                            "c -o 1 a b", "d a b c"}) {
    const Outcome outcome = RunTool(dir, wrong);
    EXPECT_EQ(outcome.status, 64) << wrong;
    EXPECT_EQ(Lines(outcome.errors), 1) << wrong;
  }
}

}  // namespace
}  // namespace droven
