// Status panel 2 tells what a save wrote where, until the next command.
#include <QLabel>

#include "editing/bPal.h"
#include "support/WindowFixture.h"

namespace kerrow::test {
namespace {

class SaveStatus : public WindowFixture {
 protected:
  QString Status() const { return window->sbMainPanels[1]->text(); }
  void Draw(QPoint at) { QTest::mouseClick(window->picSprite, Qt::LeftButton, {}, at); }
};

TEST_F(SaveStatus, SavesSayWhatWentWhereAndTheNextCommandSaysReady) {
  Load(rom);
  OpenSprite("TVRLCHILD_Knight");
  EXPECT_EQ(Status(), "Status: Ready");
  G().Palette.Fore.Index = 5;
  Draw(QPoint(1, 1));
  window->mnuFileSaveRom->trigger();
  EXPECT_EQ(Status(), "Status: Saved Knight into demo.bin");

  window->ToolbarButton("b")->trigger();
  EXPECT_EQ(Status(), "Status: Ready");

  window->ToolbarButton("srom")->trigger();
  EXPECT_EQ(Status(), "Status: Saved Knight into demo.bin");
  window->ToolbarButton("a")->trigger();
  window->ToolbarButton("spal")->trigger();
  EXPECT_EQ(Status(), "Status: Saved the palette into demo.bin");
  Draw(QPoint(9, 9));  // a stroke is the next command too
  EXPECT_EQ(Status(), "Status: Ready");

  // Saves made by the questions of a sprite switch are reported after it.
  ASSERT_TRUE(EditPaletteEntry(3, 0x0000E0));
  guard.dialogs.answers = {MsgAnswer::Yes, MsgAnswer::Yes};
  OpenSprite("TVRLCHILD_Coin");
  ASSERT_EQ(guard.dialogs.shown.size(), 2u);
  EXPECT_EQ(Status(), "Status: Saved the palette into demo.bin and Knight into demo.bin");

  // A refused save reports no save.
  std::filesystem::resize_file(rom, 8192);  // the coin's tile now lies past the end
  G().SpriteDirty = true;
  window->mnuFileSaveRom->trigger();
  EXPECT_EQ(Status(), "Status: Ready");
}

}  // namespace
}  // namespace kerrow::test
