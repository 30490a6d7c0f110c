// The palette finder on a 4 MiB cartridge-shaped image (code, tiles, palette
// lines, zero and 0xFF padding) against one pass over its words that only
// counts the colour words: the least any scan of the image has to do.
#include <benchmark/benchmark.h>

#include "RomShapedImage.h"
#include "workshop/PaletteFinder.h"

namespace {

const std::vector<std::uint8_t>& Image() {
  static const std::vector<std::uint8_t> image = [] {
    kerrow::test::RomShapedImage rom(4 << 20);
    rom.Code(0x200, 0x100000 - 0x200).Tiles(0x100000, 0x8000);
    for (int line = 0; line < 64; ++line)  // palette lines scattered through the code
      rom.Words(0x1000 + 0x3F00 * static_cast<std::size_t>(line),
                kerrow::test::SamplePalette(line % 8));
    rom.Fill(0x200000, 0x100000, 0x00);
    return rom.Bytes();
  }();
  return image;
}

void BM_FindPalettes4MiB(benchmark::State& state) {
  std::size_t found = 0;
  for (auto _ : state) {
    found = kerrow::FindPalettes(Image()).size();
    benchmark::DoNotOptimize(found);
  }
  if (found < 64) state.SkipWithError("the scattered palette lines should all be found");
  state.counters["candidates"] = static_cast<double>(found);
}
BENCHMARK(BM_FindPalettes4MiB)->Unit(benchmark::kMillisecond);

void BM_CountColourWords4MiB(benchmark::State& state) {
  const std::vector<std::uint8_t>& image = Image();
  for (auto _ : state) {
    std::size_t colourWords = 0;
    for (std::size_t i = 0; i + 1 < image.size(); i += 2)
      colourWords += kerrow::IsColourWord(static_cast<std::uint16_t>(image[i] << 8 | image[i + 1]));
    benchmark::DoNotOptimize(colourWords);
  }
}
BENCHMARK(BM_CountColourWords4MiB)->Unit(benchmark::kMillisecond);

}  // namespace
