// A small modal window that shows one block of text.
#pragma once

#include <QDialog>
#include <QString>

class QPlainTextEdit;
class QPushButton;

namespace kerrow {

class frmDetails : public QDialog {
  Q_OBJECT
  Q_PROPERTY(QString Message READ Message WRITE SetMessage)

 public:
  explicit frmDetails(QWidget* parent = nullptr);

  // Replaces the whole text shown.
  void SetMessage(const QString& text);
  QString Message() const;

  QPlainTextEdit* txtDetails = nullptr;
  QPushButton* OKButton = nullptr;
};

}  // namespace kerrow
