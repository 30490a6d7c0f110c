#include "editing/ToolOptionsBar.h"

#include <QAction>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QSettings>
#include <QSpinBox>
#include <QToolBar>

#include "editing/ToolOptions.h"
#include "editing/Tools.h"

namespace kerrow {
namespace {

constexpr const char* kOrganisation = "Kerrow";
constexpr const char* kApplication = "kerrow";
constexpr const char* kShapeKey = "Tools/ShapeKind";
constexpr const char* kRadiusKey = "Tools/SprayRadius";
constexpr const char* kDensityKey = "Tools/SprayDensity";
constexpr const char* kFillKey = "Tools/FillScope";

ToolOptions ReadSettings() {
  const QSettings settings(QSettings::IniFormat, QSettings::UserScope, kOrganisation, kApplication);
  const ToolOptions defaults;
  ToolOptions options;
  options.Shape = static_cast<ShapeKind>(
      settings.value(kShapeKey, static_cast<int>(defaults.Shape)).toInt());
  options.SprayRadius = settings.value(kRadiusKey, defaults.SprayRadius).toInt();
  options.SprayDensity = settings.value(kDensityKey, defaults.SprayDensity).toInt();
  options.Fill =
      static_cast<FillScope>(settings.value(kFillKey, static_cast<int>(defaults.Fill)).toInt());
  return ClampedToolOptions(options);
}

void WriteSettings(const ToolOptions& options) {
  QSettings settings(QSettings::IniFormat, QSettings::UserScope, kOrganisation, kApplication);
  settings.setValue(kShapeKey, static_cast<int>(options.Shape));
  settings.setValue(kRadiusKey, options.SprayRadius);
  settings.setValue(kDensityKey, options.SprayDensity);
  settings.setValue(kFillKey, static_cast<int>(options.Fill));
  settings.sync();
}

// A captioned control as one toolbar entry, so the pair shows and hides together.
QAction* AddLabelled(QToolBar* bar, const QString& caption, QWidget* control) {
  auto* holder = new QWidget(bar);
  auto* row = new QHBoxLayout(holder);
  row->setContentsMargins(4, 0, 4, 0);
  auto* label = new QLabel(caption, holder);
  label->setBuddy(control);
  control->setParent(holder);
  row->addWidget(label);
  row->addWidget(control);
  return bar->addWidget(holder);
}

QSpinBox* SpinBox(const char* name, int low, int high, int value, const QString& tip) {
  auto* box = new QSpinBox;
  box->setObjectName(name);
  box->setRange(low, high);
  box->setValue(value);
  box->setToolTip(tip);
  return box;
}

}  // namespace

ToolOptionsBar::ToolOptionsBar(QToolBar* bar) : QObject(bar) {
  const ToolOptions options = ReadSettings();
  CurrentToolOptions() = options;

  cboShape = new QComboBox;
  cboShape->setObjectName("cboShape");
  cboShape->addItems({"Line", "Rectangle", "Filled rectangle", "Ellipse", "Filled ellipse"});
  cboShape->setCurrentIndex(static_cast<int>(options.Shape));
  cboShape->setToolTip("Shape drawn by a drag (Shift: 45 degree lines, squares and circles)");
  shape_ = AddLabelled(bar, "Shape:", cboShape);

  spnSprayRadius = SpinBox("spnSprayRadius", kMinSprayRadius, kMaxSprayRadius, options.SprayRadius,
                           "Pixels from the pointer the spray reaches");
  sprayRadius_ = AddLabelled(bar, "Radius:", spnSprayRadius);
  spnSprayDensity = SpinBox("spnSprayDensity", kMinSprayDensity, kMaxSprayDensity,
                            options.SprayDensity, "Dots sprayed at each tick");
  sprayDensity_ = AddLabelled(bar, "Density:", spnSprayDensity);

  cboFillScope = new QComboBox;
  cboFillScope->setObjectName("cboFillScope");
  cboFillScope->addItems({"Across tiles", "Within one tile"});
  cboFillScope->setCurrentIndex(static_cast<int>(options.Fill));
  cboFillScope->setToolTip("Whether a fill crosses into the sprite's neighbouring tiles");
  fill_ = AddLabelled(bar, "Fill:", cboFillScope);

  connect(cboShape, &QComboBox::currentIndexChanged, this, &ToolOptionsBar::Changed);
  connect(cboFillScope, &QComboBox::currentIndexChanged, this, &ToolOptionsBar::Changed);
  connect(spnSprayRadius, &QSpinBox::valueChanged, this, &ToolOptionsBar::Changed);
  connect(spnSprayDensity, &QSpinBox::valueChanged, this, &ToolOptionsBar::Changed);
  ShowFor(kToolPencil);
}

void ToolOptionsBar::ShowFor(std::int16_t tool) {
  shape_->setVisible(tool == kToolShape);
  sprayRadius_->setVisible(tool == kToolSprayCan);
  sprayDensity_->setVisible(tool == kToolSprayCan);
  fill_->setVisible(tool == kToolPaintBucket);
}

void ToolOptionsBar::Changed() {
  ToolOptions options;
  options.Shape = static_cast<ShapeKind>(cboShape->currentIndex());
  options.SprayRadius = spnSprayRadius->value();
  options.SprayDensity = spnSprayDensity->value();
  options.Fill = static_cast<FillScope>(cboFillScope->currentIndex());
  CurrentToolOptions() = ClampedToolOptions(options);
  WriteSettings(CurrentToolOptions());
}

}  // namespace kerrow
