#include "shell/QtDialogs.h"

#include <QColorDialog>
#include <QFileDialog>
#include <QMessageBox>
#include <QStringList>

namespace kerrow {

namespace {

QMessageBox::Icon ToQt(MsgIcon icon) {
  switch (icon) {
    case MsgIcon::Critical: return QMessageBox::Critical;
    case MsgIcon::Question: return QMessageBox::Question;
    case MsgIcon::Exclamation: return QMessageBox::Warning;
    case MsgIcon::Information: return QMessageBox::Information;
    case MsgIcon::None: break;
  }
  return QMessageBox::NoIcon;
}

// "Binary Images (*.bin)|*.bin|All Files (*.*)|*.*" becomes Qt's ";;"-separated list.
QString ToQtFilter(const std::string& filter) {
  QStringList parts = QString::fromStdString(filter).split('|');
  QStringList entries;
  for (int i = 0; i + 1 < parts.size(); i += 2) {
    QString description = parts[i];
    if (!description.contains('(')) description += " (" + parts[i + 1] + ")";
    entries << description;
  }
  return entries.join(";;");
}

}  // namespace

MsgAnswer QtDialogs::Message(const std::string& text, MsgIcon icon, MsgButtons buttons,
                             const std::string& title) {
  QMessageBox box(ToQt(icon), QString::fromStdString(title), QString::fromStdString(text),
                  buttons == MsgButtons::Ok ? QMessageBox::Ok
                                            : QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel,
                  parent_);
  switch (box.exec()) {
    case QMessageBox::Ok: return MsgAnswer::Ok;
    case QMessageBox::Yes: return MsgAnswer::Yes;
    case QMessageBox::No: return MsgAnswer::No;
    default: return buttons == MsgButtons::Ok ? MsgAnswer::Ok : MsgAnswer::Cancel;
  }
}

std::string QtDialogs::OpenFile(const OpenFileRequest& request) {
  return QFileDialog::getOpenFileName(parent_, QString::fromStdString(request.title),
                                      QString::fromStdString(request.fileName),
                                      ToQtFilter(request.filter))
      .toStdString();
}

std::string QtDialogs::SaveFile(const OpenFileRequest& request) {
  return QFileDialog::getSaveFileName(parent_, QString::fromStdString(request.title),
                                      QString::fromStdString(request.fileName),
                                      ToQtFilter(request.filter))
      .toStdString();
}

std::optional<DisplayColour> QtDialogs::ChooseColour(DisplayColour initial) {
  QColor start(initial & 0xFF, (initial >> 8) & 0xFF, (initial >> 16) & 0xFF);
  QColor chosen = QColorDialog::getColor(start, parent_);
  if (!chosen.isValid()) return std::nullopt;
  return static_cast<DisplayColour>(chosen.red() | (chosen.green() << 8) | (chosen.blue() << 16));
}

}  // namespace kerrow
