// Identifying a ROM image's game by the serial in its cartridge header.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "catalog/RomFingerprint.h"
#include "catalog/bDatabase.h"

namespace kerrow {

// Where the serial text starts in a ROM image, and how long it is.
inline constexpr std::int64_t kSerialOffset = 387;
inline constexpr std::size_t kSerialLength = 32;

// The 32 bytes at offset 387 as text, one character per byte; bytes past the
// end of a shorter file are NUL. The file is only read. A missing file is
// failure 53, one that cannot be opened or read failure 75.
std::string ReadRomSerial(const std::string& path);

// Whether a catalog "ID" names this serial: the ID is a prefix of it.
// An empty ID matches every serial; one longer than the serial never matches.
bool SerialMatches(const std::string& serial, const std::string& id);

// Walks `games` from its first row in key order and stops on the first row
// whose "ID" matches; returns false (the view past its last row) when none does.
bool SeekGameBySerial(TableView& games, const std::string& serial);

// Identifies the ROM image at `path` against `games` by serial and
// fingerprint (IdentifyRomImage) and leaves `games` on the chosen row. Failures
// to read the ROM as for ReadRomSerial; the file must be a regular one.
RomIdentification IdentifyRom(TableView& games, const std::string& path,
                              const std::string& dataPath);

// What the main window shows of an identified game.
struct GameIdentity {
  std::string Name;            // "NFO" "Name"
  std::int32_t PaletteOffset;  // "NFO" "Palette", for LoadPalette
};

// Identifies the game of RomPath against GamesTable (IdentifyRom). With no match nothing
// changes and the result is empty (the caller reports it). With a match the
// game's database is opened into GameDb and GameTables, and its name and
// palette offset are read, in that order. Failures (unreadable ROM, missing
// game database or table, null fields) propagate. Nothing is written.
std::optional<GameIdentity> IdentifyGame();

}  // namespace kerrow
