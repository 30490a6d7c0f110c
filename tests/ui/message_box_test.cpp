// The desktop's message boxes, as the user sees them.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QMessageBox>
#include <QTimer>

#include "shell/QtDialogs.h"

namespace kerrow::test {
namespace {

// Width of the box that `show` puts up, answered with its first button.
int ShownBoxWidth(const std::function<void(QtDialogs&)>& show) {
  int width = -1;
  QTimer::singleShot(0, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box) return;
    width = box->width();
    box->buttons().front()->click();
  });
  QtDialogs dialogs;
  show(dialogs);
  return width;
}

TEST(MessageBoxes, ShortMessagesLeaveRoomForTheWholeTitle) {
  // The title bar holds the title beside an icon and three buttons.
  const QFontMetrics title(QFontDatabase::systemFont(QFontDatabase::TitleFont));
  const int needed = title.horizontalAdvance("Tavrel BETA") + 4 * 32;
  for (MsgButtons buttons : {MsgButtons::Ok, MsgButtons::YesNoCancel}) {
    const int width = ShownBoxWidth([&](QtDialogs& dialogs) {
      dialogs.Message("Done.", MsgIcon::None, buttons, "Tavrel BETA");
    });
    ASSERT_GT(width, 0) << "no box was shown";
    EXPECT_GE(width, needed);
  }
  // A long text keeps the width it needs for itself.
  const std::string text(400, 'W');
  const int wide = ShownBoxWidth([&](QtDialogs& dialogs) {
    dialogs.Message(text, MsgIcon::Critical, MsgButtons::Ok, "Tavrel BETA");
  });
  EXPECT_GT(wide, needed);
}

}  // namespace
}  // namespace kerrow::test
