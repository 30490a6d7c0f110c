#include <gtest/gtest.h>

#include "TestSupport.h"
#include "editing/ExitQuestions.h"
#include "editing/ViewSettings.h"
#include "shell/bGlobals.h"

namespace kerrow {
namespace {

TEST(ViewSettingsTest, GridOnlyFromZoomEightAndKeptAcrossZoomChanges) {
  test::CoreFixtureGuard guard;
  auto& g = G();
  g.RomPath = "game.bin";
  ASSERT_TRUE(ChooseZoom(1));
  EXPECT_EQ(g.ZoomFactor, 4);
  EXPECT_FALSE(ToggleGrid()) << "scroll bars are not touched below the grid zoom";
  EXPECT_FALSE(g.GridMode);

  ChooseZoom(3);
  EXPECT_TRUE(ToggleGrid());
  EXPECT_TRUE(g.GridMode);
  EXPECT_TRUE(ToggleGrid());
  EXPECT_FALSE(g.GridMode);

  ChooseZoom(4);
  ToggleGrid();
  ChooseZoom(1);
  EXPECT_TRUE(g.GridMode) << "a zoom change never switches the grid off";
  EXPECT_FALSE(ToggleGrid());
  EXPECT_FALSE(g.GridMode);
}

TEST(ViewSettingsTest, ZoomEntriesAndTheirRedraw) {
  test::CoreFixtureGuard guard;
  auto& g = G();
  EXPECT_FALSE(ChooseZoom(5)) << "no ROM open: no redraw";
  EXPECT_EQ(g.ZoomFactor, 24);
  EXPECT_EQ(ZoomEntryFor(24), 5);
  EXPECT_EQ(ZoomEntryFor(1), 0);
  EXPECT_EQ(ZoomEntryFor(7), -1);
  EXPECT_THROW(ChooseZoom(6), Failure);
  EXPECT_THROW(ChooseZoom(-1), Failure);
  EXPECT_EQ(g.ZoomFactor, 24);
  EXPECT_EQ(ScrolledEdge(10, 15), -150);
  EXPECT_EQ(ScrolledEdge(0, 15), 0);
  EXPECT_EQ(ScrolledEdge(3, 1440.0 / 120), -36);
}

struct ExitCase {
  bool paletteDirty, spriteDirty;
  std::vector<MsgAnswer> answers;
  bool ends;
  int paletteSaves, romSaves;
  std::vector<const char*> asked;
};

TEST(ExitTest, EveryCombinationOfAnswers) {
  using A = MsgAnswer;
  const std::vector<ExitCase> cases = {
      {false, false, {}, true, 0, 0, {}},
      {false, true, {A::No}, true, 0, 0, {kSpriteQuestion}},
      {true, false, {A::Yes}, true, 1, 0, {kPaletteQuestion}},
      {true, true, {A::Yes, A::Yes}, true, 1, 1, {kPaletteQuestion, kSpriteQuestion}},
      {true, true, {A::Yes, A::No}, true, 1, 0, {kPaletteQuestion, kSpriteQuestion}},
      {true, true, {A::No, A::Yes}, true, 0, 1, {kPaletteQuestion, kSpriteQuestion}},
      {true, true, {A::No, A::No}, true, 0, 0, {kPaletteQuestion, kSpriteQuestion}},
      {true, true, {A::Cancel}, false, 0, 0, {kPaletteQuestion}},
      {true, true, {A::Yes, A::Cancel}, false, 1, 0, {kPaletteQuestion, kSpriteQuestion}},
      {true, true, {A::No, A::Cancel}, false, 0, 0, {kPaletteQuestion, kSpriteQuestion}},
  };
  for (std::size_t i = 0; i < cases.size(); ++i) {
    SCOPED_TRACE(i);
    const ExitCase& c = cases[i];
    test::CoreFixtureGuard guard;
    G().PaletteDirty = c.paletteDirty;
    G().SpriteDirty = c.spriteDirty;
    guard.dialogs.answers.assign(c.answers.begin(), c.answers.end());
    int paletteSaves = 0, romSaves = 0;
    EXPECT_EQ(ConfirmExit([&] { return ++paletteSaves > 0; }, [&] { return ++romSaves > 0; }),
              c.ends);
    EXPECT_EQ(paletteSaves, c.paletteSaves);
    EXPECT_EQ(romSaves, c.romSaves);
    ASSERT_EQ(guard.dialogs.shown.size(), c.asked.size());
    for (std::size_t q = 0; q < c.asked.size(); ++q) {
      EXPECT_EQ(guard.dialogs.shown[q].text, c.asked[q]);
      EXPECT_EQ(guard.dialogs.shown[q].title, "Confirm");
      EXPECT_EQ(guard.dialogs.shown[q].icon, MsgIcon::Question);
      EXPECT_EQ(guard.dialogs.shown[q].buttons, MsgButtons::YesNoCancel);
    }
    if (!c.ends) {
      EXPECT_TRUE(G().SpriteDirty);
    }
  }
}

TEST(ExitTest, ASaveThatDidNotCompleteKeepsTheProgramRunning) {
  test::CoreFixtureGuard guard;
  G().PaletteDirty = true;
  G().SpriteDirty = true;
  guard.dialogs.answers = {MsgAnswer::Yes, MsgAnswer::Yes};
  int romSaves = 0;
  EXPECT_FALSE(ConfirmExit([] { return true; }, [&] { return ++romSaves < 0; }));
  EXPECT_EQ(romSaves, 1);

  guard.dialogs.answers = {MsgAnswer::Yes};
  guard.dialogs.shown.clear();
  EXPECT_FALSE(ConfirmExit([] { return false; }, [&] { return ++romSaves > 0; }));
  EXPECT_EQ(guard.dialogs.shown.size(), 1u) << "no sprite question after a failed palette save";
  EXPECT_EQ(romSaves, 1);
}

}  // namespace
}  // namespace kerrow
