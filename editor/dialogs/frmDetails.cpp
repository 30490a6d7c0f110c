#include "dialogs/frmDetails.h"

#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace kerrow {

frmDetails::frmDetails(QWidget* parent) : QDialog(parent) {
  setObjectName("frmDetails");
  setWindowTitle("Details");
  setModal(true);
  resize(420, 260);

  txtDetails = new QPlainTextEdit(this);
  txtDetails->setObjectName("txtDetails");
  txtDetails->setReadOnly(true);

  OKButton = new QPushButton("OK", this);
  OKButton->setObjectName("OKButton");
  OKButton->setDefault(true);
  connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(txtDetails);
  layout->addWidget(OKButton, 0, Qt::AlignRight);
}

void frmDetails::SetMessage(const QString& text) {
  txtDetails->setPlainText(text);
}

QString frmDetails::Message() const {
  return txtDetails->toPlainText();
}

}  // namespace kerrow
