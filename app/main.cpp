// pelmora [FILE.rpf]: the editor, with the project given on the command line opened at start.

#include "app/application.h"
#include "app/qtmessages.h"
#include "ui/main/mainwindow.h"

#include "model/failure.h"

#include <QFileInfo>
#include <QStringList>

#include <cstdio>

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

const char kVersionText[] = "Pelmora " PELMORA_VERSION_TEXT
                            "\n"
                            "Pelmora ロゴ作成 バージョン " PELMORA_VERSION_TEXT "\n";

enum ExitCode { kDone = 0, kFailed = 1, kUsage = 2 };

struct CommandLine {
  enum Kind { kRun, kHelp, kVersion, kWrong } kind = kRun;
  QString project;  // empty: start with a fresh composition
};

// --help and --version win wherever they stand; "--" ends the options, so a project whose name
// begins with "-" can still be given.
CommandLine parseCommandLine(const QStringList& args) {
  bool optionsEnded = false, unknownOption = false;
  QStringList files;
  for (const QString& arg : args) {
    if (optionsEnded || arg.size() < 2 || !arg.startsWith(u'-')) {
      files << arg;
    } else if (arg == u"--") {
      optionsEnded = true;
    } else if (arg == u"--help" || arg == u"-h") {
      return {CommandLine::kHelp, {}};
    } else if (arg == u"--version") {
      return {CommandLine::kVersion, {}};
    } else {
      unknownOption = true;
    }
  }
  if (unknownOption || files.size() > 1) return {CommandLine::kWrong, {}};
  return {CommandLine::kRun, files.value(0)};
}

QStringList rawArguments(int argc, char** argv) {
  QStringList args;
  for (int i = 1; i < argc; ++i) args << QString::fromLocal8Bit(argv[i]);
  return args;
}

}  // namespace

int main(int argc, char** argv) {
  installQtMessageFilter();
  // Help and version need no display, so they are answered before Qt looks for one.
  const CommandLine early = parseCommandLine(rawArguments(argc, argv));
  if (early.kind == CommandLine::kHelp || early.kind == CommandLine::kVersion) {
    std::fputs(early.kind == CommandLine::kHelp ? kUsageText : kVersionText, stdout);
    return kDone;
  }
  Application app(argc, argv);
  // Only now are Qt's own options (-platform, -style...) taken out of the arguments.
  const CommandLine commandLine = parseCommandLine(QCoreApplication::arguments().mid(1));
  if (commandLine.kind != CommandLine::kRun) {
    std::fputs(kUsageText, stderr);
    return kUsage;
  }
  try {
    MainWindow window;
    // Showing the window the first time starts a fresh composition; the project replaces it.
    window.show();
    if (!commandLine.project.isEmpty()) window.openProjectAtStart(QFileInfo(commandLine.project).absoluteFilePath());
    const int result = app.exec();
    return result == 0 ? kDone : result;
  } catch (...) {
    reportError(messageOfCurrentException());
  }
  return kFailed;
}
