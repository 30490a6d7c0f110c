// Loading a 64x64-tile plain sprite whose 4096 tiles are scattered over a
// 4 MiB ROM, against reading the same 4096 x 32 bytes with pread.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "graphics/Surface.h"
#include "graphics/bDraw.h"
#include "shell/bGlobals.h"

namespace {

constexpr std::int32_t kTilesPerSide = 64;
constexpr std::size_t kRomSize = std::size_t{4} << 20;

class NullSurface : public kerrow::Surface {
 public:
  void DrawPixel(std::int32_t, std::int32_t, std::uint8_t) override {}
  void ShadeTile(std::int32_t, std::int32_t) override {}
};

struct ScatteredSprite {
  std::string romPath;
  std::string whiteList;
  std::vector<std::int32_t> offsets;

  ScatteredSprite() {
    romPath = (std::filesystem::temp_directory_path() / "kerrow-load-bench.bin").string();
    std::mt19937 random(1234);
    std::vector<char> rom(kRomSize);
    for (char& b : rom) b = static_cast<char>(random());
    std::ofstream(romPath, std::ios::binary)
        .write(rom.data(), static_cast<std::streamsize>(rom.size()));

    std::uniform_int_distribution<std::int32_t> offset(0, kRomSize - 32);
    for (std::int32_t ty = 0; ty < kTilesPerSide; ++ty) {
      for (std::int32_t tx = 0; tx < kTilesPerSide; ++tx) {
        offsets.push_back(offset(random));
        if (!whiteList.empty()) whiteList += "\r\n";
        whiteList +=
            std::to_string(tx) + "," + std::to_string(ty) + "," + std::to_string(offsets.back());
      }
    }
  }
  ~ScatteredSprite() { std::remove(romPath.c_str()); }
};

const ScatteredSprite& Sprite() {
  static ScatteredSprite sprite;
  return sprite;
}

void BM_LoadWhiteTiles(benchmark::State& state) {
  const ScatteredSprite& sprite = Sprite();
  NullSurface surface;
  kerrow::G().RomPath = sprite.romPath;
  for (auto _ : state) {
    kerrow::G().SpritePixels = kerrow::PixelGrid(8 * kTilesPerSide, 8 * kTilesPerSide);
    kerrow::G().TileMap = kerrow::PixelGrid(kTilesPerSide, kTilesPerSide);
    kerrow::LoadWhiteTiles(sprite.whiteList, surface);
    benchmark::DoNotOptimize(kerrow::G().SpritePixels.Cells().data());
  }
}
BENCHMARK(BM_LoadWhiteTiles)->Unit(benchmark::kMillisecond);

void BM_PreadTiles(benchmark::State& state) {
  const ScatteredSprite& sprite = Sprite();
  std::vector<unsigned char> tiles(sprite.offsets.size() * 32);
  for (auto _ : state) {
    int fd = ::open(sprite.romPath.c_str(), O_RDONLY);
    for (std::size_t i = 0; i < sprite.offsets.size(); ++i) {
      if (::pread(fd, tiles.data() + 32 * i, 32, sprite.offsets[i]) != 32)
        state.SkipWithError("pread");
    }
    ::close(fd);
    benchmark::DoNotOptimize(tiles.data());
  }
}
BENCHMARK(BM_PreadTiles)->Unit(benchmark::kMillisecond);

}  // namespace
