// The About window's list of supported games, read once from the catalog.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace kerrow {

// Sub-items a row can carry beyond its text.
inline constexpr std::size_t kMaxSubItems = 200;

struct GameListRow {
  std::string Text;                   // column "Game"
  std::vector<std::string> SubItems;  // "%", "Author", then any further pieces
  std::string Comment;                // the game's catalog comment, shown by Details
};

// A row from "*"-separated fields: the first piece is the row's text, the next
// ones (up to 200) its sub-items. An empty text gives no row.
std::optional<GameListRow> SplitGameListItem(const std::string& rowText);

// Every catalogued game, in "Games" order: "Name*Completion%*Author" and its
// comment. Opening the first game is not guarded (an empty catalog or a first
// game that cannot be opened throws); after that a game that cannot be read is
// left out. No game database is current afterwards and GamesTable is back on
// its first row.
std::vector<GameListRow> BuildGameList();

}  // namespace kerrow
