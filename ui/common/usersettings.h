#pragma once

#include <QSettings>

// The user's settings, under the program's name whichever application object runs the window.
inline QSettings userSettings() {
  return QSettings(QSettings::UserScope, QStringLiteral("Pelmora"), QStringLiteral("Pelmora"));
}
