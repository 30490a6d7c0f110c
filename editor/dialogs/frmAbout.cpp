#include "dialogs/frmAbout.h"

#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "dialogs/frmDetails.h"
#include "shell/Version.h"
#include "shell/bGlobals.h"

namespace kerrow {
namespace {

constexpr const char* kWarning =
    "This program comes with no warranty of any kind. It changes ROM images in place: "
    "keep a backup of every file you open with it.";

}  // namespace

frmAbout::frmAbout(QWidget* parent) : QDialog(parent) {
  setObjectName("frmAbout");
  setWindowTitle("About Tavrel");
  setModal(true);
  resize(460, 380);

  auto* heading =
      new QLabel("Tavrel BETA\nSupported games (double-click a game for its notes):", this);

  lvGames = new QTreeWidget(this);
  lvGames->setObjectName("lvGames");
  lvGames->setHeaderLabels({"Game", "%", "Author"});
  lvGames->setRootIsDecorated(false);
  lvGames->setItemsExpandable(false);
  lvGames->setUniformRowHeights(true);
  lvGames->setSelectionMode(QAbstractItemView::SingleSelection);
  lvGames->header()->setStretchLastSection(true);
  connect(lvGames, &QTreeWidget::itemDoubleClicked, this, [this] { lvGames_DblClick(); });

  txtWarning = new QPlainTextEdit(kWarning, this);
  txtWarning->setObjectName("txtWarning");
  txtWarning->setReadOnly(true);
  txtWarning->setMaximumHeight(64);

  // Which catalog is in use, so that a user with several can tell them apart.
  auto* dataFolder = new QLabel(QString("Version %1. Catalog folder: %2")
                                    .arg(KerrowVersion(), QString::fromStdString(G().DataPath)),
                                this);
  dataFolder->setObjectName("lblDataFolder");
  dataFolder->setWordWrap(true);
  dataFolder->setTextInteractionFlags(Qt::TextSelectableByMouse);

  cmdOK = new QPushButton("&OK", this);
  cmdOK->setObjectName("cmdOK");
  cmdOK->setDefault(true);
  connect(cmdOK, &QPushButton::clicked, this, &QDialog::hide);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(heading);
  layout->addWidget(lvGames, 1);
  layout->addWidget(txtWarning);
  layout->addWidget(dataFolder);
  layout->addWidget(cmdOK, 0, Qt::AlignRight);

  games_ = BuildGameList();
  for (const GameListRow& row : games_) AddGameListItem(row);
  lvGames->resizeColumnToContents(0);
}

void frmAbout::AddGameListItem(const GameListRow& row) {
  auto* item = new QTreeWidgetItem(lvGames);
  item->setText(0, QString::fromStdString(row.Text));
  // Pieces beyond the list's columns are not shown.
  for (int i = 1; i < lvGames->columnCount() && i <= static_cast<int>(row.SubItems.size()); ++i) {
    item->setText(i, QString::fromStdString(row.SubItems[static_cast<std::size_t>(i - 1)]));
  }
}

QString frmAbout::GameComment(int row) const {
  if (row < 0 || row >= static_cast<int>(games_.size())) return {};
  return QString::fromStdString(games_[static_cast<std::size_t>(row)].Comment);
}

void frmAbout::lvGames_DblClick() {
  const QList<QTreeWidgetItem*> selected = lvGames->selectedItems();
  if (selected.isEmpty()) return;  // no row selected: nothing to show
  frmDetails details(this);
  details.SetMessage(GameComment(lvGames->indexOfTopLevelItem(selected.front())));
  details.exec();
}

}  // namespace kerrow
