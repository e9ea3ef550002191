// pelmora [FILE.rpf]: the editor, with the project given on the command line opened at start.

#include "app/application.h"
#include "app/commandline.h"
#include "app/qtmessages.h"
#include "app/versiontext.h"
#include "ui/window/mainwindow.h"

#include "model/failure.h"

#include <QStringList>

#include <cstdio>
#include <cstdlib>

namespace {

const char kUsageText[] =
    "Usage: pelmora [FILE.rpf]\n"
    "       pelmora --help | --version\n"
    "Starts the Pelmora logo editor and opens the project FILE.rpf when one is given.\n"
    "  -h, --help     print this help and exit\n"
    "      --version  print the version and exit\n"
    "Qt's own options (-platform, -style, ...) are accepted as well.\n"
    "\n"
    "使い方: pelmora [プロジェクト.rpf]\n"
    "        pelmora --help | --version\n"
    "Pelmora ロゴ作成を起動し、プロジェクトファイルが指定されていればそれを開きます。\n"
    "  -h, --help     この説明を表示して終了します\n"
    "      --version  バージョンを表示して終了します\n";

// One line, so that a script or a desktop's log shows it whole.
const char kNoDisplayText[] =
    "pelmora: no display to show the editor on: neither DISPLAY nor WAYLAND_DISPLAY is set"
    " / エディタを表示するディスプレイがありません (DISPLAY も WAYLAND_DISPLAY も設定されていません)\n";

enum ExitCode { kDone = 0, kFailed = 1, kUsage = 2 };

// A display that is named but cannot be opened (an X server gone, a stale DISPLAY) is found only
// by Qt while the application object starts, and Qt aborts there in its own words. When its
// platform plugin has just said that the display could not be reached, the fatal message becomes
// the program's one line and an ordinary failure; any other fatal start (a plugin that does not
// load) keeps Qt's words, which say what to mend.
QtMessageHandler handlerAfterStart = nullptr;
bool displayUnreachable = false;

void failToOpenDisplay(QtMsgType type, const QMessageLogContext& context, const QString& message) {
  if (message.startsWith(u"could not connect to display") || message.startsWith(u"Failed to create wl_display"))
    displayUnreachable = true;
  if (type != QtFatalMsg || !displayUnreachable) {
    if (handlerAfterStart) handlerAfterStart(type, context, message);
    return;
  }
  const QByteArray display = qgetenv("WAYLAND_DISPLAY").isEmpty() ? qgetenv("DISPLAY") : qgetenv("WAYLAND_DISPLAY");
  std::fprintf(stderr,
               "pelmora: the display \"%s\" cannot be opened to show the editor on"
               " / ディスプレイ \"%s\" を開けないため、エディタを表示できません\n",
               display.constData(), display.constData());
  std::fflush(stderr);
  std::_Exit(kFailed);
}

QStringList rawArguments(int argc, char** argv) {
  QStringList args;
  for (int i = 1; i < argc; ++i) args << QString::fromLocal8Bit(argv[i]);
  return args;
}

}  // namespace

int main(int argc, char** argv) {
  installQtMessageFilter();
  // Everything the command line decides is answered before Qt looks for a display, which it
  // would abort without.
  const CommandLine commandLine = parseCommandLine(rawArguments(argc, argv));
  switch (commandLine.kind) {
    case CommandLine::kHelp: std::fputs(kUsageText, stdout); return kDone;
    case CommandLine::kVersion: std::fputs(VersionText, stdout); return kDone;
    case CommandLine::kWrong: std::fputs(kUsageText, stderr); return kUsage;
    case CommandLine::kRun: break;
  }
  if (displayMissing(commandLine)) {
    std::fputs(kNoDisplayText, stderr);
    return kFailed;
  }
  handlerAfterStart = qInstallMessageHandler(failToOpenDisplay);
  Application app(argc, argv);
  qInstallMessageHandler(handlerAfterStart);
  try {
    MainWindow window;
    // Showing the window the first time starts a fresh composition; work left unsaved by a
    // window now gone, or else the project, replaces it.
    window.show();
    window.start(commandLine.project);
    const int result = app.exec();
    return result == 0 ? kDone : result;
  } catch (...) {
    reportError(messageOfCurrentException());
  }
  return kFailed;
}
