// The workshop's questions behind the dialogs interface: a line of text and
// the Add Sprite form.
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <limits>

#include "shell/QtDialogs.h"
#include "workshop/TileViewerLayout.h"

namespace kerrow {

std::optional<std::string> QtDialogs::InputText(const std::string& prompt, const std::string& title,
                                                const std::string& initial) {
  bool accepted = false;
  const QString text =
      QInputDialog::getText(parent_, QString::fromStdString(title), QString::fromStdString(prompt),
                            QLineEdit::Normal, QString::fromStdString(initial), &accepted);
  if (!accepted) return std::nullopt;
  return text.toStdString();
}

std::optional<SpriteFormAnswer> QtDialogs::AskSpriteDetails(const SpriteFormRequest& request) {
  QDialog dialog(parent_);
  dialog.setObjectName("frmAddSprite");
  dialog.setWindowTitle(request.compressed ? "Add Compressed Sprite" : "Add Sprite");
  auto* form = new QFormLayout(&dialog);
  form->addRow("Size",
               new QLabel(QString("%1 x %2 tiles").arg(request.widthTiles).arg(request.heightTiles),
                          &dialog));
  auto* name = new QLineEdit(&dialog);
  form->addRow("Name", name);
  auto* group = new QComboBox(&dialog);
  for (const std::string& entry : request.groups) group->addItem(QString::fromStdString(entry));
  group->addItem(request.compressed ? "(new group)" : "(new heading)");
  form->addRow(request.compressed ? "Group" : "Heading", group);
  auto* newGroup = new QLineEdit(&dialog);
  form->addRow(request.compressed ? "New group" : "New heading", newGroup);
  auto syncNew = [=] { newGroup->setEnabled(group->currentIndex() == group->count() - 1); };
  QObject::connect(group, &QComboBox::currentIndexChanged, &dialog, syncNew);
  syncNew();
  auto* palette = new QLineEdit(
      request.palette == 0 ? QString("0") : "0x" + QString::number(request.palette, 16).toUpper(),
      &dialog);
  palette->setObjectName("txtPalette");
  palette->setToolTip("Offset of the sprite's own palette in the ROM; 0 uses the game's");
  form->addRow("Palette offset", palette);
  auto* context = new QCheckBox("Show the second selection as context tiles", &dialog);
  context->setEnabled(request.contextAvailable);
  context->setChecked(request.contextAvailable);
  form->addRow("", context);
  auto* perBlock = new QCheckBox(
      QString("One sprite per block: %1 sprites of %2 x %3 tiles, named NAME 1 to NAME %1")
          .arg(request.blockFrames)
          .arg(request.blockWidth)
          .arg(request.blockHeight),
      &dialog);
  perBlock->setObjectName("chkPerBlock");
  perBlock->setVisible(request.blockFrames >= 2);
  // Frames are the blocks alone: the context selection belongs to a whole sprite.
  QObject::connect(perBlock, &QCheckBox::toggled, &dialog, [=](bool on) {
    context->setEnabled(request.contextAvailable && !on);
    if (on) context->setChecked(false);
  });
  form->addRow("", perBlock);
  QSpinBox* maxSize = nullptr;
  if (request.compressed) {
    maxSize = new QSpinBox(&dialog);
    maxSize->setRange(1, 0x7FFFFFFF);
    maxSize->setValue(request.maxSize);
    maxSize->setToolTip("Room for the recompressed data; the stream's own length by default");
    form->addRow("MaxSize (bytes)", maxSize);
  }
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
  form->addRow(buttons);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, [&] {
    const auto offset = ParseOffsetText(palette->text().toStdString());
    if (!offset) {
      QMessageBox::warning(&dialog, dialog.windowTitle(), "The palette offset is no number.");
      return;
    }
    if (*offset > std::numeric_limits<std::int32_t>::max()) {
      // The catalog keeps 32-bit offsets: a larger one would be cut to another offset.
      QMessageBox::warning(
          &dialog, dialog.windowTitle(),
          "The palette offset is larger than any ROM offset (at most 0x7FFFFFFF).");
      return;
    }
    dialog.accept();
  });
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;

  SpriteFormAnswer answer;
  answer.name = name->text().trimmed().toStdString();
  const bool isNew = group->currentIndex() == group->count() - 1;
  answer.groupIndex = isNew ? -1 : group->currentIndex();
  answer.newGroup = newGroup->text().trimmed().toStdString();
  answer.palette = *ParseOffsetText(palette->text().toStdString());
  answer.useContext = context->isChecked();
  answer.maxSize = maxSize ? maxSize->value() : 0;
  answer.perBlock = perBlock->isChecked();
  return answer;
}

}  // namespace kerrow
