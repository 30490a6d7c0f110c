// The About window: the supported games, read from the catalog once when the
// window is created at start-up, and each game's comment on a double-click.
#pragma once

#include <QDialog>
#include <vector>

#include "dialogs/GameList.h"

class QPlainTextEdit;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace kerrow {

class frmAbout : public QDialog {
  Q_OBJECT

 public:
  // Reads the catalog; an empty catalog or a first game that cannot be opened throws.
  explicit frmAbout(QWidget* parent = nullptr);

  QTreeWidget* lvGames = nullptr;
  QPlainTextEdit* txtWarning = nullptr;
  QPushButton* cmdOK = nullptr;

  // The comment of the game listed as `row` (from 0), "" beyond the list.
  QString GameComment(int row) const;

  // Shows the selected row's comment in a modal Details window.
  void lvGames_DblClick();

 private:
  void AddGameListItem(const GameListRow& row);

  std::vector<GameListRow> games_;
};

}  // namespace kerrow
