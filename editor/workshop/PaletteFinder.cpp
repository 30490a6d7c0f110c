#include "workshop/PaletteFinder.h"

#include <algorithm>
#include <bitset>
#include <optional>
#include <set>

namespace kerrow {

namespace {

constexpr std::int64_t kLineWords = 16;
constexpr std::int32_t kMinimumDistinct = 3;

std::uint16_t WordAt(std::span<const std::uint8_t> rom, std::int64_t word) {
  const auto at = static_cast<std::size_t>(2 * word);
  return static_cast<std::uint16_t>(rom[at] << 8 | rom[at + 1]);
}

// A run of colour words: [Begin, End) in words, FirstOther the first non-zero one.
struct Run {
  std::int64_t Begin = 0;
  std::int64_t End = 0;
  std::int64_t FirstOther = 0;
};

// How much the line at `first` (in words) looks like a palette; empty when it
// is none. Many different colours count most; a black entry 0 and a line that
// starts or ends where the run does count for it; black entries after entry 0
// count against it (zero-filled tiles and tables are full of them).
std::optional<PaletteCandidate> Rate(std::span<const std::uint8_t> rom, const Run& run,
                                     std::int64_t first) {
  std::bitset<512> seen;
  std::int32_t distinct = 0;
  std::int32_t laterBlacks = 0;
  for (std::int64_t i = 0; i < kLineWords; ++i) {
    const std::uint16_t word = WordAt(rom, first + i);
    // The three level bits of each channel: 9 bits in all.
    const std::size_t colour = (word >> 1 & 7) | (word >> 5 & 7) << 3 | (word >> 9 & 7) << 6;
    if (!seen.test(colour)) {
      seen.set(colour);
      ++distinct;
    }
    if (i > 0 && word == 0) ++laterBlacks;
  }
  if (distinct < kMinimumDistinct) return std::nullopt;
  std::int32_t score = 4 * distinct - 3 * laterBlacks;
  if (WordAt(rom, first) == 0) score += 6;
  if (first == run.Begin || first == run.FirstOther - 1 || first + kLineWords == run.End)
    score += 4;
  return PaletteCandidate{2 * first, distinct, score};
}

// The lines worth rating in one run, in words: each anchor and every 16 words
// from it, leaving out lines of leading zeros only.
std::vector<std::int64_t> LineStarts(const Run& run) {
  std::vector<std::int64_t> starts;
  const std::int64_t anchors[] = {run.Begin, std::max(run.Begin, run.FirstOther - 1),
                                  run.FirstOther};
  for (const std::int64_t anchor : anchors) {
    // Skip whole lines that end before the first non-zero word.
    std::int64_t first = anchor;
    if (first + kLineWords <= run.FirstOther)
      first += (run.FirstOther - kLineWords - first) / kLineWords * kLineWords + kLineWords;
    for (; first + kLineWords <= run.End; first += kLineWords) starts.push_back(first);
  }
  for (std::int64_t first = run.End - kLineWords;
       first >= run.Begin && first + kLineWords > run.FirstOther; first -= kLineWords)
    starts.push_back(first);
  std::sort(starts.begin(), starts.end());
  starts.erase(std::unique(starts.begin(), starts.end()), starts.end());
  return starts;
}

}  // namespace

std::array<std::uint16_t, 16> PaletteWordsAt(std::span<const std::uint8_t> rom,
                                             std::int64_t offset) {
  std::array<std::uint16_t, 16> words{};
  for (std::size_t i = 0; i < words.size(); ++i) {
    const auto at = static_cast<std::size_t>(offset) + 2 * i;
    words[i] = static_cast<std::uint16_t>(rom[at] << 8 | rom[at + 1]);
  }
  return words;
}

std::vector<PaletteCandidate> FindPalettes(std::span<const std::uint8_t> rom, std::size_t limit) {
  const auto words = static_cast<std::int64_t>(rom.size() / 2);
  std::vector<PaletteCandidate> candidates;
  for (std::int64_t i = 0; i < words;) {
    if (!IsColourWord(WordAt(rom, i))) {
      ++i;
      continue;
    }
    Run run{i, i, -1};
    for (; run.End < words && IsColourWord(WordAt(rom, run.End)); ++run.End)
      if (run.FirstOther < 0 && WordAt(rom, run.End) != 0) run.FirstOther = run.End;
    i = run.End;
    if (run.End - run.Begin < kLineWords || run.FirstOther < 0) continue;
    for (const std::int64_t first : LineStarts(run))
      if (auto rated = Rate(rom, run, first)) candidates.push_back(*rated);
  }

  std::sort(candidates.begin(), candidates.end(), [](const auto& a, const auto& b) {
    return a.Score != b.Score ? a.Score > b.Score : a.Offset < b.Offset;
  });
  // Best first; a line that shares bytes with a better one is the same
  // palette cut in the wrong place.
  std::vector<PaletteCandidate> chosen;
  std::set<std::int64_t> taken;
  for (const PaletteCandidate& candidate : candidates) {
    if (chosen.size() >= limit) break;
    const auto near = taken.lower_bound(candidate.Offset - 2 * kLineWords + 1);
    if (near != taken.end() && *near < candidate.Offset + 2 * kLineWords) continue;
    taken.insert(candidate.Offset);
    chosen.push_back(candidate);
  }
  return chosen;
}

}  // namespace kerrow
