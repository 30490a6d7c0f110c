// The About window's list and the Details window, on the demo catalog and on
// a catalog whose game name holds a "*".
#include <sqlite3.h>

#include <QApplication>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <functional>

#include "dialogs/frmAbout.h"
#include "dialogs/frmDetails.h"
#include "support/WindowFixture.h"

namespace kerrow::test {
namespace {

// Runs `inspect` on the modal window that the next call opens.
void OnNextModal(std::function<void(QWidget*)> inspect) {
  QTimer::singleShot(0, [inspect = std::move(inspect)] {
    QWidget* modal = QApplication::activeModalWidget();
    ASSERT_NE(modal, nullptr);
    inspect(modal);
  });
}

QStringList Row(const QTreeWidget* list, int row) {
  const QTreeWidgetItem* item = list->topLevelItem(row);
  if (!item) return {};
  return {item->text(0), item->text(1), item->text(2)};
}

void DoubleClickRow(QTreeWidget* list, int row) {
  const QPoint at = list->visualItemRect(list->topLevelItem(row)).center();
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
  QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
}

using AboutWindow = WindowFixture;

TEST_F(AboutWindow, ListsTheCatalogOnceAndShowsItThroughHelpAbout) {
  auto* about = new frmAbout(window.get());
  window->SetAboutWindow(about);
  EXPECT_EQ(about->windowTitle(), "About Tavrel");
  EXPECT_EQ(about->cmdOK->text(), "&OK");
  EXPECT_FALSE(about->txtWarning->toPlainText().isEmpty());
  EXPECT_FALSE(about->isVisible());
  const QTreeWidgetItem* header = about->lvGames->headerItem();
  EXPECT_EQ(QStringList({header->text(0), header->text(1), header->text(2)}),
            QStringList({"Game", "%", "Author"}));
  ASSERT_EQ(about->lvGames->topLevelItemCount(), 2);
  EXPECT_EQ(Row(about->lvGames, 0), QStringList({"Kerrow Demo Cart", "75%", "The Kerrow team"}));
  EXPECT_EQ(Row(about->lvGames, 1), QStringList({"Kerrow Second Cart", "40%", "The Kerrow team"}));
  EXPECT_EQ(G().GameDb, nullptr) << "no game is current after the list is built";

  // Help > About shows it modally; OK hides it; the second showing has the same rows.
  for (int showing = 0; showing < 2; ++showing) {
    bool seen = false;
    OnNextModal([&](QWidget* modal) {
      seen = modal == about;
      EXPECT_EQ(about->lvGames->topLevelItemCount(), 2);
      QTest::mouseClick(about->cmdOK, Qt::LeftButton);
    });
    window->mnuHelpAbout->trigger();
    EXPECT_TRUE(seen);
    EXPECT_FALSE(about->isVisible());
  }
}

TEST_F(AboutWindow, DoubleClickShowsThatGamesCommentInDetails) {
  frmAbout about(window.get());
  about.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&about));
  QString shown;
  QString title;
  OnNextModal([&](QWidget* modal) {
    auto* details = qobject_cast<frmDetails*>(modal);
    ASSERT_NE(details, nullptr);
    title = details->windowTitle();
    shown = details->txtDetails->toPlainText();
    EXPECT_EQ(details->OKButton->text(), "OK");
    QTest::mouseClick(details->OKButton, Qt::LeftButton);
  });
  DoubleClickRow(about.lvGames, 1);
  EXPECT_EQ(title, "Details");
  EXPECT_EQ(shown,
            "A second synthetic cartridge, so that the list of supported games has more than one "
            "row.");
  EXPECT_EQ(QApplication::activeModalWidget(), &about) << "OK closed the details";
}

TEST(DetailsWindow, MessageReplacesTheWholeText) {
  frmDetails details;
  EXPECT_EQ(details.Message(), "");
  details.SetMessage("first\r\nline");
  details.SetMessage("  second  ");
  EXPECT_EQ(details.Message(), "  second  ");
  EXPECT_EQ(details.property("Message").toString(), "  second  ");
  details.setProperty("Message", QString());
  EXPECT_EQ(details.txtDetails->toPlainText(), "");
}

void Exec(const std::string& path, const std::string& sql) {
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK) << sql;
  sqlite3_close(db);
}

TEST(AboutWindowCatalog, StarInANameShiftsTheColumnsAndExtraPiecesAreNotShown) {
  CoreFixtureGuard guard;
  ScratchDir dir;
  G().DataPath = dir.Path().string() + "/";
  const std::string schema =
      "CREATE TABLE NFO (Name TEXT, Palette INTEGER, Completion, Author TEXT, Comment TEXT);"
      "CREATE TABLE HEAD (ID TEXT, Name TEXT);"
      "CREATE TABLE SPRITE (Name TEXT PRIMARY KEY);"
      "CREATE TABLE COMPRESSED (Name TEXT PRIMARY KEY);";
  Exec(dir.File("a.mdb"), schema + "INSERT INTO NFO VALUES ('Star*Fighter', 0, 50, 'Bob', 'a');");
  Exec(dir.File("c.mdb"), schema + "INSERT INTO NFO VALUES ('Comet', 0, 9, 'Cy', 'c');");
  Exec(dir.File("game.mdb"),
       "CREATE TABLE Games (Key INTEGER PRIMARY KEY, ID TEXT, Database TEXT);"
       "INSERT INTO Games VALUES (1, 'A', 'a.mdb'), (2, 'B', 'missing.mdb'), (3, 'C', 'c.mdb');");
  OpenCatalog();

  frmAbout about;
  ASSERT_EQ(about.lvGames->topLevelItemCount(), 2) << "the game that cannot be opened has no row";
  EXPECT_EQ(Row(about.lvGames, 0), QStringList({"Star", "Fighter", "50%"}));
  EXPECT_EQ(Row(about.lvGames, 1), QStringList({"Comet", "9%", "Cy"}));
  EXPECT_EQ(about.GameComment(1), "c") << "each row keeps its own game's comment";
}

}  // namespace
}  // namespace kerrow::test
