#include "catalog/RomFingerprint.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

#include "catalog/bIdentify.h"
#include "shell/Failure.h"

namespace kerrow {

namespace {

// Where the cartridge header keeps its checksum word; saves with "Fix
// Checksum on Save" rewrite it, so the fingerprint does not look at it.
constexpr std::int64_t kChecksumWord = 0x18E;
constexpr const char* kFormatTag = "fp1";

std::uint32_t HashBlock(std::span<const std::uint8_t> bytes, std::int64_t start) {
  std::uint32_t hash = 2166136261u;  // 32-bit FNV-1a
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const std::int64_t at = start + static_cast<std::int64_t>(i);
    const std::uint8_t byte = (at == kChecksumWord || at == kChecksumWord + 1) ? 0 : bytes[i];
    hash = (hash ^ byte) * 16777619u;
  }
  return hash;
}

void Mark(std::vector<bool>& blocks, std::int64_t start, std::int64_t length) {
  if (start < 0 || length <= 0) return;
  const std::int64_t count = static_cast<std::int64_t>(blocks.size());
  const std::int64_t first = start / kFingerprintBlock;
  const std::int64_t last = std::min(count - 1, (start + length - 1) / kFingerprintBlock);
  for (std::int64_t b = first; b <= last; ++b) blocks[static_cast<std::size_t>(b)] = true;
}

// The ROM offsets of a tile list: the third number of each "column,row,offset"
// line. Lines that do not read are passed over.
void MarkTileList(std::vector<bool>& blocks, std::string_view list) {
  while (!list.empty()) {
    const std::size_t end = list.find('\n');
    std::string_view line = list.substr(0, end);
    list = end == std::string_view::npos ? std::string_view{} : list.substr(end + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    const std::size_t first = line.find(',');
    const std::size_t second = first == std::string_view::npos ? first : line.find(',', first + 1);
    if (second == std::string_view::npos) continue;
    std::string_view offset = line.substr(second + 1);
    offset = offset.substr(0, offset.find(','));
    try {
      Mark(blocks, TextToLong(offset), 32);
    } catch (const Failure&) {
    }
  }
}

// Runs `read` on every row of `table`, passing over rows that do not read.
template <typename Read>
void EachRow(const Database& game, const char* table, Read read) {
  std::unique_ptr<TableView> view;
  try {
    view = game.OpenTable(table);
  } catch (const Failure&) {
    return;
  }
  for (view->MoveFirst(); !view->Eof(); view->MoveNext()) {
    try {
      read(*view);
    } catch (const Failure&) {
    }
  }
}

// Whether `a` agrees on a larger share of its blocks than `b` (exactly, not
// by rounded percent); on a tie the earlier row stays.
bool Closer(const FingerprintAgreement& a, const FingerprintAgreement& b) {
  const auto share = [](const FingerprintAgreement& x) {
    return x.Compared == 0 ? std::pair<std::int64_t, std::int64_t>{1, 1}
                           : std::pair{x.Agreeing, x.Compared};
  };
  const auto [an, ad] = share(a);
  const auto [bn, bd] = share(b);
  return an * bd > bn * ad;
}

}  // namespace

RomFingerprint FingerprintOf(std::span<const std::uint8_t> image) {
  RomFingerprint fingerprint;
  fingerprint.Size = static_cast<std::int64_t>(image.size());
  for (std::int64_t start = 0; start < fingerprint.Size; start += kFingerprintBlock) {
    const auto block = image.subspan(static_cast<std::size_t>(start),
                                     static_cast<std::size_t>(std::min<std::int64_t>(
                                         kFingerprintBlock, fingerprint.Size - start)));
    fingerprint.Blocks.push_back(HashBlock(block, start));
    fingerprint.Uniform.push_back(
        std::all_of(block.begin(), block.end(), [&](std::uint8_t b) { return b == block[0]; }));
  }
  return fingerprint;
}

std::string FormatFingerprint(const RomFingerprint& fingerprint) {
  std::string text = std::string(kFormatTag) + ":" + std::to_string(fingerprint.Size) + ":";
  text.reserve(text.size() + fingerprint.Blocks.size() * 8);
  char hex[9];
  for (const std::uint32_t hash : fingerprint.Blocks) {
    std::snprintf(hex, sizeof hex, "%08x", hash);
    text += hex;
  }
  return text;
}

std::optional<RomFingerprint> ParseFingerprint(std::string_view text) {
  const std::string tag = std::string(kFormatTag) + ":";
  if (!text.starts_with(tag)) return std::nullopt;
  text.remove_prefix(tag.size());
  const std::size_t colon = text.find(':');
  if (colon == std::string_view::npos) return std::nullopt;
  RomFingerprint fingerprint;
  const auto [end, error] = std::from_chars(text.data(), text.data() + colon, fingerprint.Size);
  if (error != std::errc{} || end != text.data() + colon || fingerprint.Size < 0)
    return std::nullopt;
  const std::string_view hashes = text.substr(colon + 1);
  const std::int64_t blocks = (fingerprint.Size + kFingerprintBlock - 1) / kFingerprintBlock;
  if (static_cast<std::int64_t>(hashes.size()) != blocks * 8) return std::nullopt;
  for (std::size_t i = 0; i < hashes.size(); i += 8) {
    std::uint32_t hash = 0;
    const auto [stop, bad] = std::from_chars(hashes.data() + i, hashes.data() + i + 8, hash, 16);
    if (bad != std::errc{} || stop != hashes.data() + i + 8) return std::nullopt;
    fingerprint.Blocks.push_back(hash);
  }
  return fingerprint;
}

std::vector<bool> CataloguedBlocks(const Database& game, std::int64_t romSize) {
  std::vector<bool> blocks(static_cast<std::size_t>(
      (std::max<std::int64_t>(romSize, 0) + kFingerprintBlock - 1) / kFingerprintBlock));
  // Offset 0 holds the vector table, never a palette: there it means "none"
  // (or the game's palette), and the header block stays compared.
  const auto markPalette = [&](std::int64_t offset) {
    if (offset > 0) Mark(blocks, offset, 32);
  };
  EachRow(game, "NFO", [&](TableView& nfo) { markPalette(nfo.Long("Palette")); });
  EachRow(game, "SPRITE", [&](TableView& sprite) {
    markPalette(sprite.Long("Palette"));
    MarkTileList(blocks, sprite.Text("White"));
    if (!sprite.IsNull("Grey")) MarkTileList(blocks, sprite.Text("Grey"));
  });
  // A compressed sprite's tile offsets address its decompressed data; in the
  // ROM it owns its room.
  EachRow(game, "COMPRESSED", [&](TableView& compressed) {
    markPalette(compressed.Long("Palette"));
    Mark(blocks, compressed.Long("Offset"), compressed.Long("MaxSize"));
  });
  return blocks;
}

int FingerprintAgreement::Percent() const {
  return Compared == 0 ? 100 : static_cast<int>(Agreeing * 100 / Compared);
}

FingerprintAgreement CompareFingerprints(const RomFingerprint& recorded,
                                         const RomFingerprint& image,
                                         const std::vector<bool>& skip) {
  FingerprintAgreement agreement;
  const std::size_t blocks = std::max(recorded.Blocks.size(), image.Blocks.size());
  for (std::size_t b = 0; b < blocks; ++b) {
    if (b < skip.size() && skip[b]) continue;
    const bool both = b < recorded.Blocks.size() && b < image.Blocks.size();
    const bool equal = both && recorded.Blocks[b] == image.Blocks[b];
    if (equal && b < image.Uniform.size() && image.Uniform[b]) continue;
    ++agreement.Compared;
    if (equal) ++agreement.Agreeing;
  }
  return agreement;
}

RomIdentification IdentifyRomImage(TableView& games, const std::string& serial,
                                   std::span<const std::uint8_t> image,
                                   const std::string& dataPath) {
  RomIdentification result;
  result.Serial = serial;
  const bool fingerprinted = games.HasField(kFingerprintField);
  std::optional<RomFingerprint> imageFingerprint;
  std::optional<std::size_t> best;
  std::optional<std::size_t> firstBySerial;

  games.MoveFirst();
  for (std::int32_t row = 0; row < games.RecordCount(); ++row, games.MoveNext()) {
    const std::string id = games.Text("ID");
    if (!SerialMatches(serial, id)) continue;
    GameRowVerdict verdict;
    verdict.Row = row;
    verdict.Id = id;
    verdict.Database = games.Text("Database");
    verdict.HasFingerprint =
        fingerprinted && !games.IsNull(kFingerprintField) && !games.Text(kFingerprintField).empty();
    if (!verdict.HasFingerprint) {
      verdict.Matches = true;
      if (!firstBySerial) firstBySerial = result.Candidates.size();
    } else {
      if (!imageFingerprint) imageFingerprint = FingerprintOf(image);
      // A fingerprint that does not read agrees with nothing.
      const std::optional<RomFingerprint> recorded =
          ParseFingerprint(games.Text(kFingerprintField));
      std::vector<bool> skip;
      try {
        skip = CataloguedBlocks(*Database::Open(ResolveDataFileIn(dataPath, verdict.Database)),
                                imageFingerprint->Size);
      } catch (const Failure&) {
        // Without the game's database every block is compared.
      }
      if (recorded) {
        verdict.Agreement = CompareFingerprints(*recorded, *imageFingerprint, skip);
      } else {
        verdict.Agreement.Compared = 1;
      }
      verdict.Matches = verdict.Agreement.Matches();
      if (verdict.Matches &&
          (!best || Closer(verdict.Agreement, result.Candidates[*best].Agreement)))
        best = result.Candidates.size();
    }
    result.Candidates.push_back(std::move(verdict));
  }
  result.Chosen = best ? best : firstBySerial;
  games.MoveFirst();
  if (result.Chosen) {
    for (std::int32_t row = 0; row < result.Candidates[*result.Chosen].Row; ++row) games.MoveNext();
  } else {
    while (!games.Eof()) games.MoveNext();
  }
  return result;
}

}  // namespace kerrow
