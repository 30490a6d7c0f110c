// A menu or toolbar action with the object name tests and routing find it by.
#pragma once

#include <QAction>
#include <QString>

namespace kerrow {

inline QAction* NamedAction(QObject* parent, const QString& name, const QString& caption) {
  auto* action = new QAction(caption, parent);  // owned by `parent`
  action->setObjectName(name);
  return action;
}

}  // namespace kerrow
