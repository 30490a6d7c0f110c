// The catalog correction forms behind the dialogs interface: a choice among
// names, Edit Sprite and Game Settings.
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QSpinBox>

#include "shell/QtDialogs.h"
#include "workshop/TileViewerLayout.h"

namespace kerrow {

namespace {

QString OffsetText(std::int64_t offset) {
  return offset == 0 ? QString("0") : "0x" + QString::number(offset, 16).toUpper();
}

// OK accepts only an offset that reads as a number of 32 bits.
void AcceptOffset(QDialog& dialog, QDialogButtonBox* buttons, QLineEdit* offset) {
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, [&dialog, offset] {
    const auto value = ParseOffsetText(offset->text().toStdString());
    if (!value || *value > 0x7FFFFFFF) {
      QMessageBox::warning(&dialog, dialog.windowTitle(),
                           "The palette offset is no number from 0 to 0x7FFFFFFF.");
      return;
    }
    dialog.accept();
  });
}

}  // namespace

std::optional<std::string> QtDialogs::ChooseText(const std::string& prompt,
                                                 const std::string& title,
                                                 const std::vector<std::string>& items,
                                                 bool editable) {
  QStringList list;
  for (const std::string& item : items) list << QString::fromStdString(item);
  bool accepted = false;
  const QString text = QInputDialog::getItem(parent_, QString::fromStdString(title),
                                             QString::fromStdString(prompt), list, 0, editable,
                                             &accepted);
  if (!accepted) return std::nullopt;
  return text.trimmed().toStdString();
}

std::optional<SpriteEditAnswer> QtDialogs::AskSpriteEdit(const SpriteEditRequest& request) {
  QDialog dialog(parent_);
  dialog.setObjectName("frmEditSprite");
  dialog.setWindowTitle(QString("Edit Sprite \"%1\"").arg(QString::fromStdString(request.name)));
  auto* form = new QFormLayout(&dialog);
  auto* width = new QSpinBox(&dialog);
  width->setRange(1, 255);
  width->setValue(request.widthTiles);
  auto* height = new QSpinBox(&dialog);
  height->setRange(1, 255);
  height->setValue(request.heightTiles);
  form->addRow("Width (tiles)", width);
  form->addRow("Height (tiles)", height);
  auto* palette = new QLineEdit(OffsetText(request.palette), &dialog);
  palette->setToolTip("Offset of the sprite's own palette in the ROM; 0 uses the game's");
  form->addRow("Palette offset", palette);
  auto* take = new QCheckBox(
      request.selectionWidth > 0
          ? QString("Take the tiles selected in the viewer (%1 x %2 tiles)")
                .arg(request.selectionWidth)
                .arg(request.selectionHeight)
          : QString("Take the tiles selected in the viewer: ") +
                QString::fromStdString(request.selectionNote),
      &dialog);
  take->setEnabled(request.selectionWidth > 0);
  form->addRow("Tiles", take);
  auto* context = new QComboBox(&dialog);
  context->addItem(request.hasContext ? "Keep the context tiles" : "No context tiles (as now)");
  context->addItem("Remove the context tiles");
  context->addItem("The viewer's second selection");
  form->addRow("Context", context);
  auto sync = [=] {
    width->setEnabled(!take->isChecked());
    height->setEnabled(!take->isChecked());
    if (!(take->isChecked() && request.selectionContext) && context->currentIndex() == 2)
      context->setCurrentIndex(0);
    context->setItemData(2, take->isChecked() && request.selectionContext ? QVariant() : 0,
                         Qt::UserRole - 1);  // disabled unless both selections are taken
  };
  QObject::connect(take, &QCheckBox::toggled, &dialog, sync);
  sync();
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
  form->addRow(buttons);
  AcceptOffset(dialog, buttons, palette);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;

  SpriteEditAnswer answer;
  answer.widthTiles = width->value();
  answer.heightTiles = height->value();
  answer.palette = *ParseOffsetText(palette->text().toStdString());
  answer.takeSelection = take->isChecked();
  answer.context = context->currentIndex() == 1   ? ContextChoice::None
                   : context->currentIndex() == 2 ? ContextChoice::FromSelection
                                                  : ContextChoice::Keep;
  return answer;
}

std::optional<GameSettingsAnswer> QtDialogs::AskGameSettings(const std::string& name,
                                                             std::int64_t palette) {
  QDialog dialog(parent_);
  dialog.setObjectName("frmGameSettings");
  dialog.setWindowTitle("Game Settings");
  auto* form = new QFormLayout(&dialog);
  auto* nameBox = new QLineEdit(QString::fromStdString(name), &dialog);
  form->addRow("Name", nameBox);
  auto* paletteBox = new QLineEdit(OffsetText(palette), &dialog);
  paletteBox->setToolTip("Offset of the game's palette in the ROM");
  form->addRow("Palette offset", paletteBox);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
  form->addRow(buttons);
  AcceptOffset(dialog, buttons, paletteBox);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return GameSettingsAnswer{nameBox->text().trimmed().toStdString(),
                            *ParseOffsetText(paletteBox->text().toStdString())};
}

}  // namespace kerrow
