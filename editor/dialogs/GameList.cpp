#include "dialogs/GameList.h"

#include "shell/SkipOnFailure.h"
#include "shell/bGlobals.h"

namespace kerrow {
namespace {

std::string CurrentGameRowText() {
  const TableView& nfo = GameTableView(kNfo);
  return nfo.Text("Name") + "*" + nfo.Text("Completion") + "%*" + nfo.Text("Author");
}

}  // namespace

std::optional<GameListRow> SplitGameListItem(const std::string& rowText) {
  if (rowText.empty()) return std::nullopt;
  std::vector<std::string> pieces;
  std::size_t start = 0;
  for (;;) {
    const std::size_t star = rowText.find('*', start);
    pieces.push_back(rowText.substr(start, star - start));
    if (star == std::string::npos) break;
    start = star + 1;
  }
  GameListRow row;
  row.Text = pieces.front();
  for (std::size_t i = 1; i < pieces.size() && i <= kMaxSubItems; ++i) {
    row.SubItems.push_back(pieces[i]);
  }
  return row;
}

std::vector<GameListRow> BuildGameList() {
  auto& g = G();
  if (!g.GamesTable)
    throw Failure(kErrObjectNotSet, "Object variable or With block variable not set", "kerrow");
  TableView& games = *g.GamesTable;
  games.MoveFirst();
  OpenGameDatabase(games.Text("Database"));

  std::vector<GameListRow> rows;
  const std::int32_t count = games.RecordCount();
  bool gameOpen = true;
  for (std::int32_t i = 1; i <= count; ++i) {
    // Only the game just opened is listed: a game whose database failed to open
    // must not repeat the previous game's row.
    if (gameOpen) {
      std::optional<GameListRow> row;
      SkipOnFailure([&] { row = SplitGameListItem(CurrentGameRowText()); });
      if (row) {
        SkipOnFailure([&] { row->Comment = GameTableView(kNfo).Text("Comment"); });
        rows.push_back(std::move(*row));
      }
    }
    gameOpen = false;
    if (i == count) break;
    SkipOnFailure([&] {
      games.MoveNext();
      OpenGameDatabase(games.Text("Database"));
      gameOpen = true;
    });
  }
  SkipOnFailure([] { CloseGameDatabase(); });
  SkipOnFailure([&] { games.MoveFirst(); });
  return rows;
}

}  // namespace kerrow
