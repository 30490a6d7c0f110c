// Sprites too large for the memory the editor may use.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "browser/HeadlessLoad.h"
#include "browser/SpriteLayout.h"
#include "browser/SpriteSelection.h"
#include "graphics_TestSprite.h"

namespace kerrow {
namespace {

// Lays out what sprite loading asks for, as the window does, but draws nothing.
class GridOnlyStage : public SpriteStage {
 public:
  void DrawPixel(std::int32_t, std::int32_t, std::uint8_t) override {}
  void ShadeTile(std::int32_t, std::int32_t) override {}
  void LayoutForLoad(std::int32_t widthTiles, std::int32_t heightTiles) override {
    RecreateSpriteGrids(widthTiles, heightTiles);
  }
};

// Size of the process's address space in bytes, from the kernel's own count.
long long AddressSpaceBytes() {
  std::ifstream status("/proc/self/status");
  std::string key;
  long long kib = 0;
  while (status >> key) {
    if (key == "VmSize:") {
      status >> kib;
      break;
    }
  }
  return kib * 1024;
}

// _Exit runs no destructors: the child's scratch directory is removed first.
[[noreturn]] void ExitRemoving(const std::filesystem::path& scratch, int status) {
  std::error_code ignored;
  std::filesystem::current_path(std::filesystem::temp_directory_path(), ignored);
  std::filesystem::remove_all(scratch, ignored);
  std::_Exit(status);
}

// Runs in a child process whose address space is capped 256 MiB above what it
// uses: a 4095 by 4095 tile sprite (a 1 GiB pixel grid) cannot be allocated.
// Exits 0 only if the load was refused with a message and a small sprite loads
// afterwards; the message goes to standard error for the parent to match.
[[noreturn]] void LoadHugeThenSmallUnderAMemoryCap() {
  test::CoreFixtureGuard guard;
  test::ScratchDir scratch(true);
  auto finish = [&](int status) { ExitRemoving(scratch.Path(), status); };
  const std::string rom = scratch.File("rom.bin");
  test::WriteBytes(rom, test::PatternBytes(1024));
  G().RomPath = rom;
  G().ZoomFactor = 1;  // the only zoom at which such a surface fits
  test::InstallSpriteTable({{.Name = "Huge",
                             .Palette = 256,
                             .Width = 4095,
                             .Height = 4095,
                             .White = std::string("0,0,512")},
                            {.Name = "Small",
                             .Palette = 256,
                             .Width = 1,
                             .Height = 1,
                             .White = std::string("0,0,512")}});
  const rlim_t cap = static_cast<rlim_t>(AddressSpaceBytes() + (256ll << 20));
  const rlimit limit{cap, cap};
  if (setrlimit(RLIMIT_AS, &limit) != 0) finish(2);

  GridOnlyStage stage;
  const SpriteNode huge{2, "Huge", "TVRLHEAD_1"};
  SelectSprite(&huge, stage);
  if (guard.dialogs.shown.size() != 1 || G().SpriteLoaded) finish(3);
  std::fprintf(stderr, "%s\n", guard.dialogs.shown[0].text.c_str());

  const SpriteNode small{2, "Small", "TVRLHEAD_1"};
  SelectSprite(&small, stage);
  if (!G().SpriteLoaded || G().SpritePixels.Width() != 8) finish(4);
  ExitRemoving(scratch.Path(), 0);
}

TEST(HugeSprites, GridsThatCannotBeAllocatedAreRefusedWithAMessage) {
  if (!test::kOutOfMemoryThrows) GTEST_SKIP() << test::kOutOfMemoryNotThrown;
  EXPECT_EXIT(LoadHugeThenSmallUnderAMemoryCap(), ::testing::ExitedWithCode(0),
              "Runtime Error: 7\r?\n'Out of memory: a sprite of 4095 by 4095 tiles");
}

// kerrow-cli loads through a stage of its own: it refuses what the editor
// refuses at zoom 1, and loads what the editor loads there.
TEST(HugeSprites, TheCommandLineStageHasTheEditorsBound) {
  test::CoreFixtureGuard guard;
  HeadlessStage stage;
  for (auto [width, height] : {std::pair{4096, 1}, {1, 4096}, {-1, 1}}) {
    SCOPED_TRACE(std::to_string(width) + "x" + std::to_string(height));
    int number = 0;
    try {
      stage.LayoutForLoad(width, height);
    } catch (const Failure& failure) {
      number = failure.Number();
    }
    EXPECT_EQ(number, kErrOverflow);
  }
  EXPECT_NO_THROW(stage.LayoutForLoad(4095, 1));
  EXPECT_EQ(G().SpritePixels.Width(), 8 * 4095);
}

}  // namespace
}  // namespace kerrow
