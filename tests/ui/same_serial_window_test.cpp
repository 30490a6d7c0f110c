// Two builds with one serial in the main window: the second is not taken for
// the first, Add Game is offered for it (and its status tip says why not
// when it is not), and a game catalogued without a fingerprint gets one.
#include <sqlite3.h>

#include <QAction>
#include <QLabel>
#include <QMenu>

#include "RomShapes.h"
#include "support/WindowFixture.h"

namespace kerrow::test {
namespace {

class SameSerialWindow : public WindowFixture {
 protected:
  void SetUp() override {
    CopyBuildCatalog(data);
    WindowFixture::SetUp();
    G().DataPath = data.Path().string() + "/";
    OpenCatalog();
    first = scratch.File("first.bin");
    second = scratch.File("second.bin");
    WriteBytes(first, MakeShapedRom({.seed = 3, .title = "FIRST BUILD"}));
    WriteBytes(second, MakeShapedRom({.seed = 4, .title = "SECOND BUILD"}));
  }
  // Opens the Tools menu as a user would; whether Add Game is offered.
  bool AddGameOffered() {
    emit window->mnuTools->aboutToShow();
    return window->mnuToolsAddGame->isEnabled();
  }
  void AddGame() {
    guard.dialogs.texts.push_back("0x32000");
    window->mnuToolsAddGame->trigger();
  }

  ScratchDir data;
  std::string first, second;
};

TEST_F(SameSerialWindow, TheSecondBuildIsNotTakenForTheFirstAndCanBeAdded) {
  Load(first);
  ASSERT_TRUE(AddGameOffered());
  AddGame();
  EXPECT_EQ(window->sbMainPanels[0]->text(), "Game: FIRST BUILD");
  EXPECT_FALSE(AddGameOffered());
  EXPECT_TRUE(window->mnuToolsAddGame->statusTip().contains("catalogued already"))
      << window->mnuToolsAddGame->statusTip().toStdString();
  guard.dialogs.shown.clear();

  Load(second);
  ASSERT_EQ(guard.dialogs.shown.size(), 1u);  // the unsupported-ROM box
  EXPECT_EQ(window->tvSprites->topLevelItemCount(), 0);
  ASSERT_TRUE(AddGameOffered());
  AddGame();
  EXPECT_EQ(window->sbMainPanels[0]->text(), "Game: SECOND BUILD");

  Load(first);
  EXPECT_EQ(window->sbMainPanels[0]->text(), "Game: FIRST BUILD");
}

TEST_F(SameSerialWindow, AGameWithoutFingerprintGetsOneFromTheToolsMenu) {
  Load(rom);
  EXPECT_FALSE(AddGameOffered());
  EXPECT_TRUE(window->mnuToolsAddGame->statusTip().contains("no fingerprint"))
      << window->mnuToolsAddGame->statusTip().toStdString();

  guard.dialogs.answers.push_back(MsgAnswer::No);
  window->mnuToolsFingerprint->trigger();
  guard.dialogs.answers.push_back(MsgAnswer::Yes);
  window->mnuToolsFingerprint->trigger();
  ASSERT_FALSE(guard.dialogs.shown.empty());
  EXPECT_EQ(guard.dialogs.shown.back().icon, MsgIcon::Information)
      << guard.dialogs.shown.back().text;

  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open_v2(data.File("game.mdb").c_str(), &db, SQLITE_OPEN_READONLY, nullptr),
            SQLITE_OK);
  int recorded = -1;
  sqlite3_exec(
      db, "SELECT COUNT(*) FROM Games WHERE Fingerprint LIKE 'fp1:%'",
      [](void* out, int, char** values, char**) {
        *static_cast<int*>(out) = std::atoi(values[0]);
        return 0;
      },
      &recorded, nullptr);
  sqlite3_close(db);
  EXPECT_EQ(recorded, 1);
  EXPECT_FALSE(AddGameOffered());
  EXPECT_TRUE(window->mnuToolsAddGame->statusTip().contains("100% of its fingerprint"))
      << window->mnuToolsAddGame->statusTip().toStdString();
}

}  // namespace
}  // namespace kerrow::test
