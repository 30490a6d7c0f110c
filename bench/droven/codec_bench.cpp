// Droven against zlib (level 9 and inflate) on the same corpora in the same run,
// plus the exhaustive encoder on a small sample to show what the matcher saves.
#include <benchmark/benchmark.h>
#include <zlib.h>

#include <algorithm>
#include <span>
#include <utility>
#include <string>
#include <vector>

#include "codec.h"
#include "corpora.h"
#include "exhaustive_encoder.h"

namespace {

using droven::bench::Bytes;
using droven::bench::Corpus;

constexpr std::size_t kExhaustiveSample = 64 * 1024;

void Throughput(benchmark::State& state, std::size_t input, std::size_t compressed) {
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * input));
  state.counters["ratio"] = static_cast<double>(input) / static_cast<double>(compressed);
}

Bytes ZlibCompress(const Bytes& data) {
  uLongf size = compressBound(static_cast<uLong>(data.size()));
  Bytes out(size);
  if (compress2(out.data(), &size, data.data(), static_cast<uLong>(data.size()), 9) != Z_OK)
    return {};
  out.resize(size);
  return out;
}

void DrovenCompress(benchmark::State& state, const Bytes& data,
                    droven::Mode mode = droven::Mode::Plain) {
  Bytes stream = droven::Compress(data, mode);
  const auto back = droven::Decompress(stream, mode);
  if (back.status != droven::kOk || !std::ranges::equal(back.data, data)) {
    state.SkipWithError("round trip failed");
    return;
  }
  for (auto _ : state) {
    stream = droven::Compress(data, mode);
    benchmark::DoNotOptimize(stream.data());
  }
  Throughput(state, data.size(), stream.size());
}

void ZlibCompress9(benchmark::State& state, const Bytes& data) {
  Bytes out;
  for (auto _ : state) {
    out = ZlibCompress(data);
    benchmark::DoNotOptimize(out.data());
  }
  if (out.empty()) state.SkipWithError("compress2 failed");
  Throughput(state, data.size(), out.size());
}

void DrovenDecompress(benchmark::State& state, const Bytes& data) {
  const Bytes stream = droven::Compress(data, droven::Mode::Plain);
  droven::DecompressResult result;
  for (auto _ : state) {
    result = droven::Decompress(stream, droven::Mode::Plain);
    benchmark::DoNotOptimize(result.data.data());
  }
  if (result.status != droven::kOk || !std::ranges::equal(result.data, data)) {
    state.SkipWithError("wrong output");
  }
  Throughput(state, data.size(), stream.size());
}

void ZlibUncompress(benchmark::State& state, const Bytes& data) {
  const Bytes stream = ZlibCompress(data);
  Bytes out(data.size());
  int status = Z_OK;
  for (auto _ : state) {
    uLongf size = static_cast<uLongf>(out.size());
    status = uncompress(out.data(), &size, stream.data(), static_cast<uLong>(stream.size()));
    benchmark::DoNotOptimize(out.data());
  }
  if (status != Z_OK || out != data) state.SkipWithError("uncompress failed");
  Throughput(state, data.size(), stream.size());
}

// The corpus cut in pieces of one sprite's size, each compressed by a call of
// its own, as the editor compresses one sprite at a time.
constexpr std::size_t kPiece = 2048;

std::vector<std::span<const std::uint8_t>> Pieces(const Bytes& data) {
  std::vector<std::span<const std::uint8_t>> pieces;
  for (std::size_t at = 0; at < data.size(); at += kPiece)
    pieces.emplace_back(data.data() + at, std::min(kPiece, data.size() - at));
  return pieces;
}

void DrovenCompressPieces(benchmark::State& state, const Bytes& data) {
  const auto pieces = Pieces(data);
  std::size_t compressed = 0;
  for (const auto piece : pieces) {
    const Bytes stream = droven::Compress(piece, droven::Mode::Plain);
    const auto back = droven::Decompress(stream, droven::Mode::Plain);
    if (back.status != droven::kOk || !std::ranges::equal(back.data, piece)) {
      state.SkipWithError("round trip failed");
      return;
    }
    compressed += stream.size();
  }
  for (auto _ : state) {
    for (const auto piece : pieces) {
      Bytes stream = droven::Compress(piece, droven::Mode::Plain);
      benchmark::DoNotOptimize(stream.data());
    }
  }
  Throughput(state, data.size(), compressed);
}

void ZlibCompress9Pieces(benchmark::State& state, const Bytes& data) {
  const auto pieces = Pieces(data);
  std::size_t compressed = 0;
  for (auto _ : state) {
    compressed = 0;
    for (const auto piece : pieces) {
      Bytes out = ZlibCompress(Bytes(piece.begin(), piece.end()));
      compressed += out.size();
      benchmark::DoNotOptimize(out.data());
    }
  }
  Throughput(state, data.size(), compressed);
}

void DrovenDecompressPieces(benchmark::State& state, const Bytes& data) {
  std::vector<Bytes> streams;
  std::size_t compressed = 0;
  for (const auto piece : Pieces(data)) {
    streams.push_back(droven::Compress(piece, droven::Mode::Plain));
    compressed += streams.back().size();
  }
  std::size_t produced = 0;
  for (auto _ : state) {
    produced = 0;
    for (const Bytes& stream : streams) {
      const auto result = droven::Decompress(stream, droven::Mode::Plain);
      produced += result.data.size();
      benchmark::DoNotOptimize(result.data.data());
    }
  }
  if (produced != data.size()) state.SkipWithError("wrong output");
  Throughput(state, data.size(), compressed);
}

void ZlibUncompressPieces(benchmark::State& state, const Bytes& data) {
  std::vector<Bytes> streams;
  std::size_t compressed = 0;
  for (const auto piece : Pieces(data)) {
    streams.push_back(ZlibCompress(Bytes(piece.begin(), piece.end())));
    compressed += streams.back().size();
  }
  Bytes out(kPiece);
  bool ok = true;
  for (auto _ : state) {
    for (const Bytes& stream : streams) {
      uLongf size = static_cast<uLongf>(out.size());
      ok &= uncompress(out.data(), &size, stream.data(), static_cast<uLong>(stream.size())) == Z_OK;
      benchmark::DoNotOptimize(out.data());
    }
  }
  if (!ok) state.SkipWithError("uncompress failed");
  Throughput(state, data.size(), compressed);
}

void ExhaustiveCompress(benchmark::State& state, const Bytes& data) {
  Bytes stream;
  for (auto _ : state) {
    stream = droven::reference::Encode(data, false);
    benchmark::DoNotOptimize(stream.data());
  }
  // The benchmark is only meaningful if the fast encoder agrees with this one.
  if (stream != droven::Compress(data, droven::Mode::Plain))
    state.SkipWithError("the encoder differs from the exhaustive search");
  Throughput(state, data.size(), stream.size());
}

}  // namespace

int main(int argc, char** argv) {
  // Registered benchmarks keep references to the corpora, which live until main returns.
  static const std::vector<Corpus> corpora = droven::bench::AllCorpora();
  static const Bytes sample(corpora.front().data.begin(),
                            corpora.front().data.begin() + kExhaustiveSample);

  // Each corpus whole and in 2 KiB pieces, Droven and zlib side by side.
  using Run = void (*)(benchmark::State&, const Bytes&);
  static constexpr std::pair<const char*, Run> kPerCorpus[] = {
      {"compress/droven/", [](benchmark::State& s, const Bytes& d) { DrovenCompress(s, d); }},
      {"compress/zlib9/", ZlibCompress9},
      {"decompress/droven/", DrovenDecompress},
      {"decompress/zlib/", ZlibUncompress},
      {"pieces/droven/", DrovenCompressPieces},
      {"pieces/zlib9/", ZlibCompress9Pieces},
      {"unpieces/droven/", DrovenDecompressPieces},
      {"unpieces/zlib/", ZlibUncompressPieces}};
  for (const Corpus& c : corpora) {
    const Bytes& data = c.data;
    for (const auto& [prefix, run] : kPerCorpus) {
      benchmark::RegisterBenchmark((prefix + c.name).c_str(),
                                   [&data, run](benchmark::State& s) { run(s, data); });
    }
  }
  // Module mode against plain mode on the largest input module mode takes.
  static std::vector<Corpus> moduleSized;
  for (const Corpus& c : corpora) {
    if (c.name == "mixed" || c.name == "libs" || c.name == "tiles" || c.name.starts_with("tl_8m4c")) {
      moduleSized.push_back({c.name, Bytes(c.data.begin(), c.data.begin() + droven::kModuleModeLimit)});
    }
  }
  for (const Corpus& c : moduleSized) {
    const Bytes& data = c.data;
    benchmark::RegisterBenchmark(("compress64k/plain/" + c.name).c_str(),
                                 [&data](benchmark::State& s) { DrovenCompress(s, data); });
    benchmark::RegisterBenchmark(("compress64k/module/" + c.name).c_str(), [&data](benchmark::State& s) {
      DrovenCompress(s, data, droven::Mode::Module);
    });
  }
  benchmark::RegisterBenchmark("compress/droven/mixed_64k",
                               [](benchmark::State& s) { DrovenCompress(s, sample); });
  benchmark::RegisterBenchmark("compress/exhaustive/mixed_64k", [](benchmark::State& s) {
    ExhaustiveCompress(s, sample);
  })->Unit(benchmark::kMillisecond);

  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
