// Telling apart ROMs that carry the same serial: a fingerprint of the image
// (one hash per 4 KiB block), recorded in the game's "Games" row, and the rule
// that identifies a ROM by serial and fingerprint together.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "catalog/bDatabase.h"

namespace kerrow {

inline constexpr std::int64_t kFingerprintBlock = 4096;
// The share of compared blocks that must agree for a fingerprint to match.
inline constexpr int kFingerprintMatchPercent = 75;
// The optional "Games" field that holds the fingerprint.
inline constexpr const char* kFingerprintField = "Fingerprint";

struct RomFingerprint {
  std::int64_t Size = 0;              // the image's length in bytes
  std::vector<std::uint32_t> Blocks;  // one hash per block, the last one maybe short
  std::vector<bool> Uniform;          // per block: one byte value throughout (only when
                                      // made from an image, not from text)
};

// The fingerprint of an image. The stored checksum word is left out of the
// first block's hash, as Fix Checksum rewrites it after every save.
RomFingerprint FingerprintOf(std::span<const std::uint8_t> image);

// The text kept in the catalog, and back; text that is no fingerprint gives nothing.
std::string FormatFingerprint(const RomFingerprint& fingerprint);
std::optional<RomFingerprint> ParseFingerprint(std::string_view text);

// The blocks a game's catalog writes into: every plain sprite's tiles, every
// palette, every compressed sprite's room. Rows that do not read are passed over.
std::vector<bool> CataloguedBlocks(const Database& game, std::int64_t romSize);

struct FingerprintAgreement {
  std::int64_t Compared = 0;  // blocks compared
  std::int64_t Agreeing = 0;  // of them, equal
  int Percent() const;        // rounded down; 100 when nothing could be compared
  bool Matches() const { return Percent() >= kFingerprintMatchPercent; }
};

// Compares a recorded fingerprint with an image's, leaving out the blocks in
// `skip` and blocks that are one byte value throughout in both (padding tells
// no two builds apart). A block that only one of them has disagrees.
FingerprintAgreement CompareFingerprints(const RomFingerprint& recorded,
                                         const RomFingerprint& image,
                                         const std::vector<bool>& skip);

// How one "Games" row whose ID names the ROM's serial was judged.
struct GameRowVerdict {
  std::int32_t Row = 0;  // position in "PrimaryKey" order, from 0
  std::string Id;
  std::string Database;
  bool HasFingerprint = false;
  FingerprintAgreement Agreement;  // when it has one
  bool Matches = false;
};

struct RomIdentification {
  std::string Serial;
  std::vector<GameRowVerdict> Candidates;  // the rows whose ID names the serial, in order
  std::optional<std::size_t> Chosen;       // index into Candidates
};

// Identifies the ROM image `image` (with serial `serial`) against `games`: a
// row without a fingerprint matches by its ID alone; a row with one matches
// when its ID does and its fingerprint agrees. The best agreement among the
// fingerprinted rows wins; without one, the first row (in key order) that
// matches by ID alone. `games` is left on the chosen row, or past its end.
// Game databases are found through `dataPath`; one that cannot be read gives
// its row no agreement.
RomIdentification IdentifyRomImage(TableView& games, const std::string& serial,
                                   std::span<const std::uint8_t> image,
                                   const std::string& dataPath);

}  // namespace kerrow
