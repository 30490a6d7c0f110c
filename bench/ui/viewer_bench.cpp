// Painting a full tile viewer at the start and at the end of a 4 MiB ROM,
// against decoding the same tiles alone into colour pixels.
#include <benchmark/benchmark.h>

#include <QImage>
#include <QPainter>
#include <memory>
#include <vector>

#include "workshop/TileViewerLayout.h"
#include "workshop/TileViewerView.h"

namespace {

constexpr std::size_t kRomSize = 4 << 20;
constexpr int kSide = 512;  // 32 x 32 tiles at zoom 2

std::vector<std::uint8_t> RomBytes() {
  std::vector<std::uint8_t> rom(kRomSize);
  std::uint32_t x = 12345;
  for (auto& byte : rom) {
    x = x * 1103515245 + 12345;
    byte = static_cast<std::uint8_t>(x >> 24);
  }
  return rom;
}

struct Viewer {
  Viewer() {
    view = std::make_unique<kerrow::TileViewerView>();
    view->resize(kSide, kSide);
    view->SetZoom(2);
    kerrow::TileViewerLayout layout;
    layout.TilesPerRow = 32;
    view->SetLayout(layout);
    view->SetSource(RomBytes());
  }
  std::unique_ptr<kerrow::TileViewerView> view;
};

Viewer& TheViewer() {
  static Viewer viewer;
  return viewer;
}

void PaintAt(benchmark::State& state, std::int64_t start) {
  auto& view = *TheViewer().view;
  view.SetStart(start);
  QImage target(kSide, kSide, QImage::Format_RGB32);
  for (auto _ : state) {
    QPainter painter(&target);
    view.render(&painter);
    benchmark::DoNotOptimize(target.bits());
  }
}

void BM_ViewerPaintStart(benchmark::State& state) {
  PaintAt(state, 0);
}
BENCHMARK(BM_ViewerPaintStart)->Unit(benchmark::kMicrosecond);

void BM_ViewerPaintEnd(benchmark::State& state) {
  // The last full screen of the ROM: 32 x 32 tiles before its end.
  PaintAt(state, static_cast<std::int64_t>(kRomSize) - 32 * 32 * 32);
}
BENCHMARK(BM_ViewerPaintEnd)->Unit(benchmark::kMicrosecond);

// The peer: the same 1024 tiles decoded to colour pixels, with nothing drawn.
void BM_ViewerDecodeOnly(benchmark::State& state) {
  const std::vector<std::uint8_t> rom = RomBytes();
  std::vector<std::uint32_t> pixels(kSide / 2 * kSide / 2);
  std::array<std::uint32_t, 16> colours{};
  for (int i = 0; i < 16; ++i) colours[i] = 0xFF000000u | (i * 0x111111u);
  const std::int64_t start = static_cast<std::int64_t>(kRomSize) - 32 * 32 * 32;
  for (auto _ : state) {
    for (int tile = 0; tile < 1024; ++tile) {
      const auto decoded = kerrow::TilePixelsAt(rom, start + tile * 32);
      const int x0 = (tile % 32) * 8;
      const int y0 = (tile / 32) * 8;
      for (int p = 0; p < 64; ++p)
        pixels[(y0 + p / 8) * (kSide / 2) + x0 + p % 8] = colours[(*decoded)[p]];
    }
    benchmark::DoNotOptimize(pixels.data());
  }
}
BENCHMARK(BM_ViewerDecodeOnly)->Unit(benchmark::kMicrosecond);

}  // namespace
