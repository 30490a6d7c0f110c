// The Add Sprite form as the user fills it in: what it hands back.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include "shell/QtDialogs.h"

namespace kerrow::test {
namespace {

// Types `palette` into the form and presses OK; a warning that comes up is
// closed and the form cancelled. Returns what the form answered.
std::optional<SpriteFormAnswer> FillIn(const QString& palette, bool* warned) {
  *warned = false;
  QTimer::singleShot(0, [=] {
    auto* form = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    if (!form) return;
    const auto edits = form->findChildren<QLineEdit*>();
    edits[0]->setText("Hero");  // the name
    for (QLineEdit* edit : edits)
      if (edit->text() == "0") edit->setText(palette);  // the palette offset starts at 0
    // Runs inside the warning's own loop, if OK brings one up.
    QTimer::singleShot(0, form, [=] {
      if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
        *warned = true;
        box->buttons().front()->click();
      }
    });
    form->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
    if (form->isVisible()) form->reject();
  });
  QtDialogs dialogs;
  SpriteFormRequest request;
  request.groups = {"Heroes"};
  request.widthTiles = request.heightTiles = 1;
  return dialogs.AskSpriteDetails(request);
}

TEST(AddSpriteForm, APaletteOffsetBeyondWhatTheCatalogHoldsIsRefusedNotCut) {
  bool warned = false;
  const auto plain = FillIn("0x1000", &warned);
  ASSERT_TRUE(plain.has_value());
  EXPECT_FALSE(warned);
  EXPECT_EQ(plain->palette, 0x1000);
  // 0x100001000 would become 0x1000 in 32 bits: another palette, silently.
  const auto huge = FillIn("0x100001000", &warned);
  EXPECT_TRUE(warned);
  EXPECT_FALSE(huge.has_value());
}

}  // namespace
}  // namespace kerrow::test
