// Tools > ROM Header: the cartridge header of the open ROM, with the stored and
// the computed checksum (marked when they differ) and a button to fix it.
#pragma once

#include <QWidget>
#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;

namespace kerrow {

class frmRomHeader : public QWidget {
  Q_OBJECT

 public:
  explicit frmRomHeader(QWidget* parent = nullptr);

  // Reads the header of RomPath again.
  void Refresh();
  // Runs a command through the main window's failure guard (on its own, just runs it).
  std::function<void(const std::function<void()>&)> RunCommand =
      [](const std::function<void()>& command) { command(); };

  QLineEdit* txtConsole = nullptr;
  QLineEdit* txtDomestic = nullptr;
  QLineEdit* txtOverseas = nullptr;
  QLineEdit* txtSerial = nullptr;
  QLineEdit* txtRegion = nullptr;
  QLineEdit* txtRomStart = nullptr;
  QLineEdit* txtRomEnd = nullptr;
  QLineEdit* txtStored = nullptr;
  QLineEdit* txtComputed = nullptr;
  QLabel* lblChecksum = nullptr;
  QPushButton* cmdFix = nullptr;
};

}  // namespace kerrow
