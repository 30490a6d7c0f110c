// The tool options bar (tbEtc): the options of the current tool, kept in the
// user's settings file between runs.
#pragma once

#include <QObject>
#include <cstdint>

class QAction;
class QComboBox;
class QSpinBox;
class QToolBar;

namespace kerrow {

class ToolOptionsBar : public QObject {
  Q_OBJECT

 public:
  // Fills `bar` and sets the tools' options from the settings file.
  explicit ToolOptionsBar(QToolBar* bar);

  // Shows the options of `tool` only (none for the tools without options).
  void ShowFor(std::int16_t tool);

  QComboBox* cboShape = nullptr;
  QSpinBox* spnSprayRadius = nullptr;
  QSpinBox* spnSprayDensity = nullptr;
  QComboBox* cboFillScope = nullptr;

 private:
  void Changed();  // the tools take the options, the settings file keeps them

  QAction* shape_ = nullptr;
  QAction* sprayRadius_ = nullptr;
  QAction* sprayDensity_ = nullptr;
  QAction* fill_ = nullptr;
};

}  // namespace kerrow
