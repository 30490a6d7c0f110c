// Start-up: the data directory rule, a missing catalog, and the window's first state.
#include "shell/Startup.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QScrollBar>

#include "editing/PaletteStripView.h"
#include "shell/EditorMain.h"
#include "support/WindowFixture.h"

namespace kerrow::test {
namespace {

TEST(Startup, OnlyTheExactDebugSwitchSelectsTheDevelopmentDirectory) {
  EXPECT_EQ(ChooseDataPath("/debug", "/opt/kerrow"), "/Dev/Projects/TVII/");
  for (const char* other : {"", "/DEBUG", "/debug x", " /debug", "/debu"}) {
    EXPECT_EQ(ChooseDataPath(other, "/opt/kerrow"), "/opt/kerrow/") << other;
  }
  const char* argv[] = {"kerrow", "/debug", "now"};
  EXPECT_EQ(CommandLineText(3, argv), "/debug now");
  EXPECT_EQ(CommandLineText(1, argv), "");
}

TEST(Startup, MissingCatalogShowsTheFailureAndStartsNoWindow) {
  CoreFixtureGuard guard;
  ScratchDir empty;
  EditorSession session = Main("", empty.Path().string());
  EXPECT_NE(session.Status, 0);
  EXPECT_EQ(session.Window, nullptr);
  ASSERT_EQ(guard.dialogs.shown.size(), 1u);
  EXPECT_EQ(guard.dialogs.shown[0].icon, MsgIcon::Critical);
  EXPECT_EQ(guard.dialogs.shown[0].title, kAppTitle);
  EXPECT_NE(guard.dialogs.shown[0].text.find("game.mdb"), std::string::npos)
      << guard.dialogs.shown[0].text;
  EXPECT_EQ(G().DataPath, empty.Path().string() + "/");
}

TEST(Startup, DebugSwitchLooksInTheDevelopmentDirectory) {
  CoreFixtureGuard guard;
  if (std::filesystem::exists(std::string(kDebugDataPath) + "game.mdb")) {
    GTEST_SKIP() << "a development catalog exists on this machine";
  }
  EditorSession session = Main("/debug", BinDir());
  EXPECT_EQ(G().DataPath, kDebugDataPath);
  EXPECT_EQ(session.Window, nullptr);
  EXPECT_NE(session.Status, 0);
}

TEST(Startup, WindowStartsWithItsDefaults) {
  CoreFixtureGuard guard;
  EditorSession session = Main("", BinDir());
  ASSERT_EQ(session.Status, 0);
  ASSERT_NE(session.Window, nullptr);
  frmMain& w = *session.Window;
  EXPECT_TRUE(w.isVisible());
  ASSERT_NE(w.AboutWindow, nullptr);
  EXPECT_FALSE(w.AboutWindow->isVisible());
  EXPECT_TRUE(guard.dialogs.shown.empty());

  EXPECT_EQ(w.windowTitle(), "Tavrel");
  EXPECT_EQ(G().ZoomFactor, 8);
  EXPECT_EQ(G().CurrentTool, 0);
  EXPECT_TRUE(G().RomPath.empty());
  EXPECT_FALSE(G().PaletteDirty || G().SpriteDirty || G().SpriteLoaded);
  EXPECT_FALSE(w.sprScrollH->isEnabled());
  EXPECT_FALSE(w.sprScrollV->isEnabled());

  const QStringList panels = {"Game: None", "Status: Ready", "Mouse: (%x, %y)", "Progress:"};
  for (int i = 0; i < 4; ++i) EXPECT_EQ(w.sbMainPanels[i]->text(), panels[i]);

  // Every box shows the desktop's window colour; both swatches entry 0, index 0.
  const QColor window = w.palette().color(QPalette::Window);
  for (ColourBox* box : w.picPal)
    EXPECT_EQ(box->Colour(), window) << box->objectName().toStdString();
  EXPECT_EQ(w.picFore->Colour(), window);
  EXPECT_EQ(w.picBack->Colour(), window);
  EXPECT_EQ(G().Palette.Fore.Index, 0);
  EXPECT_EQ(G().Palette.Back.Index, 0);
  EXPECT_EQ(w.picFore->toolTip(), "Foreground color");
  EXPECT_EQ(w.picBack->toolTip(), "Background color");
  EXPECT_EQ(w.picPal[0]->toolTip(),
            "Changing this, will change the background color of the window");
}

}  // namespace
}  // namespace kerrow::test
