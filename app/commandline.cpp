#include "app/commandline.h"

#include <QFileInfo>
#include <QUrl>

#include <algorithm>
#include <iterator>

namespace {

// Qt's own options, as the Gui, Widgets and xcb libraries of Qt 6 take them out of the arguments,
// each also written with two dashes.
const char* const kQtOptionsWithValue[] = {
    "platform",     "platformpluginpath", "platformtheme", "plugin", "qwindowgeometry", "qwindowicon",
    "qwindowtitle", "geometry",           "icon",          "title",  "session",         "style",
    "stylesheet",   "qmljsdebugger",      "display",       "name",   "visual"};
const char* const kQtFlags[] = {"reverse", "testability", "widgetcount", "qdebug", "qdevel", "nograb", "dograb"};
const char* const kQtOptionsJoined[] = {"style=", "stylesheet=", "qmljsdebugger="};

bool listed(const QString& name, const auto& names) {
  return std::any_of(std::begin(names), std::end(names), [&](const char* n) { return name == QLatin1String(n); });
}

bool joinedQtOption(const QString& name) {
  return std::any_of(std::begin(kQtOptionsJoined), std::end(kQtOptionsJoined),
                     [&](const char* n) { return name.startsWith(QLatin1String(n)); });
}

CommandLine ofKind(CommandLine::Kind kind) {
  CommandLine commandLine;
  commandLine.kind = kind;
  return commandLine;
}

}  // namespace

CommandLine parseCommandLine(const QStringList& args) {
  CommandLine result;
  bool optionsEnded = false, wrong = false;
  QStringList files;
  for (qsizetype i = 0; i < args.size(); ++i) {
    const QString& arg = args[i];
    if (optionsEnded || arg.size() < 2 || !arg.startsWith(u'-')) {
      files << arg;
      continue;
    }
    if (arg == u"--") {
      optionsEnded = true;
    } else if (arg == u"--help" || arg == u"-h") {
      return ofKind(CommandLine::kHelp);
    } else if (arg == u"--version") {
      return ofKind(CommandLine::kVersion);
    } else {
      const QString name = arg.mid(arg.startsWith(u"--") ? 2 : 1);
      if (listed(name, kQtOptionsWithValue) && i + 1 < args.size()) {
        const QString& value = args[++i];
        if (name == u"platform") result.platform = value;
        if (name == u"display") result.displayNamed = true;
      } else if (!listed(name, kQtFlags) && !joinedQtOption(name)) {
        wrong = true;
      }
    }
  }
  if (wrong || files.size() > 1) return ofKind(CommandLine::kWrong);
  if (!files.isEmpty()) {
    QString file = files.front();
    // Some launchers name the file by its URL.
    if (const QUrl url(file); file.startsWith(u"file://") && url.isLocalFile()) file = url.toLocalFile();
    // The window's dialogs and messages name the project as it is, not as the shell's folder saw it.
    result.project = QFileInfo(file).absoluteFilePath();
  }
  return result;
}

bool displayMissing(const CommandLine& commandLine) {
  if (commandLine.displayNamed || !qEnvironmentVariableIsEmpty("DISPLAY") ||
      !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
    return false;
  const QString platforms =
      commandLine.platform.isEmpty() ? qEnvironmentVariable("QT_QPA_PLATFORM") : commandLine.platform;
  // Unset, Qt picks X11 or Wayland on this system. A list is tried in turn, each entry perhaps
  // with options after a colon; offscreen, vnc, linuxfb and the like need no display.
  const QStringList entries = platforms.split(u';', Qt::SkipEmptyParts);
  return std::all_of(entries.begin(), entries.end(), [](const QString& entry) {
    const QString name = entry.section(u':', 0, 0).trimmed();
    return name == u"xcb" || name.startsWith(u"wayland");
  });
}
