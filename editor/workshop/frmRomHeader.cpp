#include "workshop/frmRomHeader.h"

#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "shell/bGlobals.h"
#include "workshop/RomHeader.h"
#include "workshop/WorkshopCommands.h"

namespace kerrow {

namespace {

QString Hex(std::uint32_t value, int digits) {
  return QString("%1").arg(value, digits, 16, QChar('0')).toUpper();
}

}  // namespace

frmRomHeader::frmRomHeader(QWidget* parent) : QWidget(parent, Qt::Window) {
  setObjectName("frmRomHeader");
  setWindowTitle("ROM Header");
  auto* form = new QFormLayout(this);
  auto field = [&](const char* name, const QString& label) {
    auto* edit = new QLineEdit(this);
    edit->setObjectName(name);
    edit->setReadOnly(true);
    form->addRow(label, edit);
    return edit;
  };
  txtConsole = field("txtConsole", "Console");
  txtDomestic = field("txtDomestic", "Domestic title");
  txtOverseas = field("txtOverseas", "Overseas title");
  txtSerial = field("txtSerial", "Serial");
  txtRegion = field("txtRegion", "Region");
  txtRomStart = field("txtRomStart", "ROM start");
  txtRomEnd = field("txtRomEnd", "ROM end");
  txtStored = field("txtStored", "Stored checksum");
  txtComputed = field("txtComputed", "Computed checksum");
  lblChecksum = new QLabel(this);
  lblChecksum->setObjectName("lblChecksum");
  form->addRow("", lblChecksum);
  cmdFix = new QPushButton("Fix Checksum", this);
  cmdFix->setObjectName("cmdFix");
  form->addRow("", cmdFix);
  connect(cmdFix, &QPushButton::clicked, this, [this] {
    RunCommand([this] {
      FixChecksumCommand();
      Refresh();
    });
  });
  resize(460, 360);
}

void frmRomHeader::Refresh() {
  const RomHeader header = ReadRomHeader(G().RomPath);
  txtConsole->setText(QString::fromLatin1(header.ConsoleName));
  txtDomestic->setText(QString::fromLatin1(header.DomesticTitle));
  txtOverseas->setText(QString::fromLatin1(header.OverseasTitle));
  txtSerial->setText(QString::fromLatin1(header.Serial));
  txtRegion->setText(QString::fromLatin1(header.Region));
  txtRomStart->setText(Hex(header.RomStart, 8));
  txtRomEnd->setText(Hex(header.RomEnd, 8));
  txtStored->setText(header.StoredChecksum ? Hex(*header.StoredChecksum, 4) : "(none)");
  txtComputed->setText(Hex(header.ComputedChecksum, 4));
  const bool matches = header.ChecksumMatches();
  lblChecksum->setText(matches ? "The checksum is correct."
                               : "The checksums differ: many games refuse to start.");
  lblChecksum->setStyleSheet(matches ? "" : "color: #C00000; font-weight: bold;");
  txtStored->setStyleSheet(matches ? "" : "color: #C00000;");
  cmdFix->setEnabled(!matches && header.StoredChecksum.has_value());
}

}  // namespace kerrow
