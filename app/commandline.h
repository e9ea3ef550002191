#pragma once

#include <QString>
#include <QStringList>

// The editor's command line, read before the application object exists: a wrong command line and
// a missing display are answered without Qt ever looking for one.
struct CommandLine {
  enum Kind { kRun, kHelp, kVersion, kWrong } kind = kRun;
  QString project;            // absolute; empty: start with a fresh composition
  QString platform;           // the value of Qt's -platform option, when given
  bool displayNamed = false;  // Qt's -display option was given
};

// `args` without the program's name. --help and --version win wherever they stand; "--" ends the
// options, so a project whose name begins with "-" can still be given; a "file://" URL names its
// local file. Qt's own options
// (-platform NAME, -style NAME, -reverse, ...) are stepped over with their values, as the
// application object will take them out; any other option, or more than one file, is wrong.
CommandLine parseCommandLine(const QStringList& args);

// Whether Qt would look for an X11 or Wayland display where none is named: the platform (the
// -platform option, else QT_QPA_PLATFORM, else Qt's default) is xcb or wayland only, and neither
// DISPLAY, WAYLAND_DISPLAY nor -display names a display. Qt would abort there.
bool displayMissing(const CommandLine& commandLine);
