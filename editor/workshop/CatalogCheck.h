// Checks an identified game's catalog against its ROM image and lists every
// problem, one line each naming the table, the row and what is wrong.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace kerrow {

// The check could not run: no readable ROM, no catalog, no game for the ROM.
class CheckImpossible : public std::runtime_error {
 public:
  explicit CheckImpossible(const std::string& message, std::int32_t failureNumber = 0)
      : std::runtime_error(message), failureNumber_(failureNumber) {}
  // The number of the failure that stopped it (kErrCatalogInUse, ...), or 0.
  std::int32_t FailureNumber() const { return failureNumber_; }

 private:
  std::int32_t failureNumber_;
};

struct CheckReport {
  std::string GameName;
  std::string DatabasePath;
  std::vector<std::string> Problems;  // empty when the catalog is sound
};

// Identifies `romPath` against the catalog in G().DataPath, with views of its
// own (the editor's open game and its views are left alone), and checks the
// game's tables: tile lists that do not parse, tile positions outside the
// sprite, tiles and palettes past the end of their source, two sprites writing
// the same ROM bytes, compressed streams that do not decode, decode too short
// or are longer than "MaxSize", duplicate names, sprites under a missing
// heading, missing tables and fields. Compressed streams are decoded through
// the editor's binding into the private temporary directory.
CheckReport CheckCatalog(const std::string& romPath);

}  // namespace kerrow
