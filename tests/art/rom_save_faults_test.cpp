// Saves into a ROM under faults, driven from outside through real kerrow-cli
// processes: killed at chosen steps of a save (strace injects SIGKILL at the
// n-th call of a system call), and two imports into one ROM at once. The ROM
// is compared whole with the old image and with the new one, which is built
// here from the image's pixels with a few lines of our own.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <QImage>
#include <algorithm>
#include <chrono>
#include <filesystem>
#include <thread>

#include "ArtTestSupport.h"
#include "ChildProcess.h"
#include "CliRunner.h"
#include "TestSupport.h"
#include "cli/CliCommand.h"

namespace kerrow {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<unsigned char>;
using test::ChildProcess;
using test::ReadBytes;
using test::RunChild;

std::string Cli() { return test::ArtBinDir() + "/kerrow-cli"; }

constexpr const char* kSprite = "Castle Wall";  // 16x16 tiles: 256 separate writes

// The sprite's "White" list from the demo game's database: (tx, ty, offset).
std::vector<std::array<long, 3>> WhiteTiles() {
  sqlite3* db = nullptr;
  std::vector<std::array<long, 3>> tiles;
  if (sqlite3_open_v2((test::ArtBinDir() + "/demo.mdb").c_str(), &db, SQLITE_OPEN_READONLY, nullptr) ==
      SQLITE_OK) {
    sqlite3_stmt* row = nullptr;
    sqlite3_prepare_v2(db, "SELECT White FROM SPRITE WHERE Name = ?", -1, &row, nullptr);
    sqlite3_bind_text(row, 1, kSprite, -1, SQLITE_STATIC);
    if (sqlite3_step(row) == SQLITE_ROW) {
      std::istringstream lines(reinterpret_cast<const char*>(sqlite3_column_text(row, 0)));
      std::array<long, 3> tile{};
      char comma = 0;
      while (lines >> tile[0] >> comma >> tile[1] >> comma >> tile[2]) tiles.push_back(tile);
    }
    sqlite3_finalize(row);
  }
  sqlite3_close(db);
  return tiles;
}

// `rom` with the sprite's tiles replaced by the PNG's palette indices
// (4 bits a pixel, left pixel in the high nibble).
Bytes WithSprite(Bytes rom, const std::string& png) {
  const test::PngChunks chunks = test::ParsePng(ReadBytes(png));
  const std::vector<int> indices = test::PngIndices(chunks);
  EXPECT_EQ(indices.size(), std::size_t{chunks.width} * chunks.height);
  for (const auto& [tx, ty, offset] : WhiteTiles())
    for (long y = 0; y < 8; ++y)
      for (long x = 0; x < 8; x += 2) {
        const auto at = [&](long px) { return indices[(8 * ty + y) * chunks.width + 8 * tx + px]; };
        rom[offset + 4 * y + x / 2] = static_cast<unsigned char>(at(x) << 4 | at(x + 1));
      }
  return rom;
}

bool HaveStrace() { return std::system("strace -V >/dev/null 2>&1") == 0; }

// strace with one fault injected. A sanitizer build's leak checker cannot run
// under a tracer and would fail the traced program at its exit, so it is off
// for the traced program.
std::vector<std::string> Traced(const std::string& injection) {
  return {"env",      "ASAN_OPTIONS=detect_leaks=0", "strace", "-f", "-qq", "-o",
          "/dev/null", "-e",                          "inject=" + injection};
}

class RomSaveFaults : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::copy_file(test::ArtBinDir() + "/demo.bin", dir.File("rom.bin"));
    old = ReadBytes(dir.File("rom.bin"));
    ASSERT_EQ(WhiteTiles().size(), 256u);
    ASSERT_EQ(RunChild({Cli(), "export", dir.File("rom.bin"), kSprite, dir.File("castle.png")},
                       dir.File("export.out")),
              0);
    // Two edits that change every pixel, in different ways.
    for (int shift : {1, 2}) {
      QImage image(QString::fromStdString(dir.File("castle.png")));
      ASSERT_EQ(image.format(), QImage::Format_Indexed8);
      for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
          image.setPixel(x, y, static_cast<uint>((image.pixelIndex(x, y) + shift) % 16));
      const std::string path = dir.File("edit" + std::to_string(shift) + ".png");
      ASSERT_TRUE(image.save(QString::fromStdString(path)));
      edits.push_back(path);
      images.push_back(WithSprite(old, path));
      ASSERT_NE(images.back(), old);
    }
  }

  std::vector<std::string> Import(const std::string& png) const {
    return {Cli(), "import", dir.File("rom.bin"), kSprite, png};
  }
  std::string Journal() const { return dir.File(".rom.bin.kerrow-journal"); }

  test::ScratchDir dir;
  Bytes old;
  std::vector<std::string> edits;
  std::vector<Bytes> images;  // the whole ROM after each edit's complete save
};

TEST_F(RomSaveFaults, AKilledSaveLeavesTheOldOrTheNewImageOnceTheRomIsOpenedAgain) {
  if (!HaveStrace()) GTEST_SKIP() << "strace is not installed";
  ASSERT_EQ(RunChild(Import(edits[0]), dir.File("plain.out")), 0);
  ASSERT_TRUE(ReadBytes(dir.File("rom.bin")) == images[0]) << "the save writes what the image holds";

  // Every step of a save: the journal (write, fsync, rename, folder fsync),
  // the tiles (pwrite64), the ROM's fsync, the journal's removal.
  const std::vector<std::pair<std::string, int>> points = {
      {"write", 1},    {"fsync", 1},    {"rename,renameat,renameat2", 1}, {"fsync", 2},
      {"pwrite64", 1}, {"pwrite64", 2}, {"pwrite64", 100},                {"pwrite64", 200},
      {"pwrite64", 256}, {"fsync", 3},  {"unlink,unlinkat", 1},           {"fsync", 4}};
  int torn = 0;
  for (const auto& [calls, when] : points) {
    SCOPED_TRACE(calls + " #" + std::to_string(when));
    test::WriteBytes(dir.File("rom.bin"), old);
    std::vector<std::string> traced =
        Traced(calls + ":signal=KILL:when=" + std::to_string(when));
    for (const std::string& arg : Import(edits[0])) traced.push_back(arg);
    ChildProcess save(traced, dir.File("kill.out"));
    if (save.Wait() != 128 + SIGKILL) {
      // A step the save did not reach (the system call counted otherwise):
      // then it must have completed.
      EXPECT_EQ(save.Wait(), 0) << save.Err();
      EXPECT_TRUE(ReadBytes(dir.File("rom.bin")) == images[0]);
      continue;
    }
    const Bytes left = ReadBytes(dir.File("rom.bin"));
    if (left != old && left != images[0]) ++torn;
    ChildProcess reopen({Cli(), "list", dir.File("rom.bin")}, dir.File("list.out"));
    EXPECT_EQ(reopen.Wait(), 0) << reopen.Err();
    const Bytes after = ReadBytes(dir.File("rom.bin"));
    EXPECT_TRUE(after == old || after == images[0]) << "a torn ROM image after reopening";
    if (left != old && left != images[0]) {
      EXPECT_NE(reopen.Err().find("interrupted"), std::string::npos) << reopen.Err();
    }
    EXPECT_FALSE(fs::exists(Journal()));
    EXPECT_FALSE(fs::exists(Journal() + ".partial"));
  }
  // The kills inside the tiles' writes must have caught the file half-written;
  // otherwise this test did not test the playback.
  EXPECT_GE(torn, 3);
}

TEST_F(RomSaveFaults, ImportTakingThePaletteIsOneSaveWhereverItIsKilled) {
  if (!HaveStrace()) GTEST_SKIP() << "strace is not installed";
  // The edit's colour table, rotated, is a palette unlike the ROM's.
  QImage image(QString::fromStdString(edits[0]));
  QList<QRgb> colours = image.colorTable();
  std::rotate(colours.begin() + 1, colours.begin() + 2, colours.end());
  image.setColorTable(colours);
  const std::string png = dir.File("recoloured.png");
  ASSERT_TRUE(image.save(QString::fromStdString(png)));
  std::vector<std::string> import = Import(png);
  import.insert(import.begin() + 2, "--take-palette");
  ASSERT_EQ(RunChild(import, dir.File("whole.out")), 0);
  const Bytes whole = ReadBytes(dir.File("rom.bin"));
  // Sprite and palette both changed: the tiles as the image says, plus 30 bytes more.
  long differing = 0;
  for (std::size_t i = 0; i < whole.size(); ++i) differing += whole[i] != images[0][i];
  ASSERT_GT(differing, 0);
  ASSERT_LE(differing, 30);

  int torn = 0;
  for (int when : {1, 2, 200, 257}) {
    SCOPED_TRACE("pwrite64 #" + std::to_string(when));
    test::WriteBytes(dir.File("rom.bin"), old);
    std::vector<std::string> traced = Traced("pwrite64:signal=KILL:when=" + std::to_string(when));
    traced.insert(traced.end(), import.begin(), import.end());
    ASSERT_EQ(RunChild(traced, dir.File("kill.out")), 128 + SIGKILL);
    const Bytes left = ReadBytes(dir.File("rom.bin"));
    torn += left != old && left != whole;
    ASSERT_EQ(RunChild({Cli(), "list", dir.File("rom.bin")}, dir.File("list.out")), 0);
    const Bytes after = ReadBytes(dir.File("rom.bin"));
    EXPECT_TRUE(after == old || after == whole) << "sprite and palette saved apart";
  }
  EXPECT_GE(torn, 2);
}

// The first import is slowed (every tile write delayed) and the second starts
// once the first has begun writing into the ROM.
class TwoWriters : public RomSaveFaults {
 protected:
  int RunBoth(int delayMicroseconds, int& secondStatus, std::string& secondErr) {
    ChildProcess first(
        [&] {
          std::vector<std::string> args =
              Traced("pwrite64:delay_enter=" + std::to_string(delayMicroseconds));
          for (const std::string& arg : Import(edits[0])) args.push_back(arg);
          return args;
        }(),
        dir.File("first.out"));
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    // Started writing: its first tiles are in the ROM.
    bool writing = false;
    while (!(writing = ReadBytes(dir.File("rom.bin")) != old) &&
           std::chrono::steady_clock::now() < deadline)
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_TRUE(writing) << "the first save never started writing";
    ChildProcess second(Import(edits[1]), dir.File("second.out"));
    secondStatus = second.Wait();
    secondErr = second.Err();
    return first.Wait();
  }
};

TEST_F(TwoWriters, TheSecondWaitsForTheFirstAndTheRomHoldsOneWholeImage) {
  if (!HaveStrace()) GTEST_SKIP() << "strace is not installed";
  int second = -1;
  std::string err;
  EXPECT_EQ(RunBoth(5000, second, err), 0);  // about 1.3 s of writing
  EXPECT_EQ(second, 0) << err;
  EXPECT_TRUE(ReadBytes(dir.File("rom.bin")) == images[1]) << "not the later save's whole image";
}

TEST_F(TwoWriters, ASecondWriterKeptWaitingTooLongIsRefusedAndWritesNothing) {
  if (!HaveStrace()) GTEST_SKIP() << "strace is not installed";
  int second = -1;
  std::string err;
  EXPECT_EQ(RunBoth(40000, second, err), 0);  // about 10 s of writing, past the wait
  EXPECT_EQ(second, cli::kExitRomBusy) << err;
  EXPECT_NE(err.find("is being saved by another program"), std::string::npos) << err;
  EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
  EXPECT_TRUE(ReadBytes(dir.File("rom.bin")) == images[0]);
}

}  // namespace
}  // namespace kerrow
