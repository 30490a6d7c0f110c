#include "workshop/WorkshopSettings.h"

#include <QSettings>

namespace kerrow {

namespace {
constexpr const char* kFixOnSaveKey = "FixChecksumOnSave";
constexpr const char* kOrganisation = "Kerrow";
constexpr const char* kApplication = "kerrow";
}  // namespace

bool ReadFixChecksumOnSaveSetting() {
  const QSettings settings(QSettings::IniFormat, QSettings::UserScope, kOrganisation, kApplication);
  return settings.value(kFixOnSaveKey, false).toBool();
}

void WriteFixChecksumOnSaveSetting(bool on) {
  QSettings settings(QSettings::IniFormat, QSettings::UserScope, kOrganisation, kApplication);
  settings.setValue(kFixOnSaveKey, on);
  settings.sync();
}

}  // namespace kerrow
