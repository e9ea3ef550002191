#include "app/application.h"

#include <gtest/gtest.h>

#include <QSettings>
#include <QTemporaryDir>

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  Application app(argc, argv);
  // Settings go to a folder of this run's own: no test reads or changes the user's, and each run
  // starts as a first start does.
  const QTemporaryDir settings;
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings.path());
  // So are the recovery copies.
  qputenv("XDG_STATE_HOME", settings.path().toLocal8Bit());
  return RUN_ALL_TESTS();
}
