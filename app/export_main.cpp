// pelmora-export [--transparent] [--scale N] PROJECT OUTPUT: writes a project's logo without opening a window, through
// the same records-to-layers and flattening code as the editor's "export logo".

#include "app/qtmessages.h"
#include "app/versiontext.h"
#include "model/failure.h"
#include "model/paths.h"
#include "model/projectfile.h"
#include "model/regularfile.h"
#include "render/fonts.h"
#include "render/logoexport.h"
#include "render/scene.h"

#include <QGuiApplication>
#include <QStringList>

#include <cstdio>
#include <exception>

namespace {

enum ExitCode { kWritten = 0, kFailed = 1, kUsage = 2 };

const char kUsageText[] =
    "Usage: pelmora-export [--transparent] [--scale N] PROJECT.rpf OUTPUT\n"
    "Writes the logo of a Pelmora project: JPEG when OUTPUT ends in .jpg or .jpeg, PNG when it ends\n"
    "in .png, BMP otherwise.\n"
    "  --transparent  leave the background out: pixels no part covers are transparent\n"
    "                 (RGBA PNG, or BMP with an alpha mask; not for JPEG)\n"
    "  --scale N      N = 1, 2, 3 or 4: the logo N times wider and taller, text drawn anew\n"
    "Exits 0 when OUTPUT was written, 1 when it could not be, 2 for wrong arguments; on any error\n"
    "OUTPUT is left as it was.\n"
    "\n"
    "使い方: pelmora-export [--transparent] [--scale N] プロジェクト.rpf 出力ファイル\n"
    "プロジェクトのロゴを書き出します (.jpg/.jpeg は JPEG、.png は PNG、それ以外は BMP)。\n"
    "  --transparent  背景を透明にする (部品のない所を透明に。RGBA の PNG か、アルファ付きの BMP。\n"
    "                 JPEG には使えません)\n"
    "  --scale N      倍率 N = 1、2、3、4: ロゴを縦横 N 倍に (文字は N 倍の大きさで描き直します)\n";

// The command line read: the two names and the options, or why it is wrong.
struct Arguments {
  QStringList names;
  LogoOptions options;
  QString wrong;       // a message about the options; empty when they are right
  bool usage = false;  // the command line is wrong in a way the usage explains
};

Arguments readArguments(const QStringList& args) {
  Arguments read;
  bool optionsEnd = false;
  for (qsizetype i = 0; i < args.size(); ++i) {
    const QString& arg = args[i];
    if (optionsEnd || !arg.startsWith(u'-') || arg == u"-") {
      read.names << arg;
    } else if (arg == u"--") {
      optionsEnd = true;
    } else if (arg == u"--transparent") {
      read.options.backdrop = Backdrop::Clear;
    } else if (arg == u"--scale" || arg.startsWith(u"--scale=")) {
      const bool joined = arg.startsWith(u"--scale=");
      const QString value = joined ? arg.mid(8) : (i + 1 < args.size() ? args[++i] : QString());
      bool number = false;
      const int scale = value.toInt(&number);
      if (!number || scale < 1 || scale > MAX_LOGO_SCALE) {
        read.wrong =
            QStringLiteral("--scale: 倍率は 1、2、3、4 のいずれかです (scale must be 1, 2, 3 or 4): \"%1\"").arg(value);
        return read;
      }
      read.options.scale = scale;
    } else {
      read.usage = true;
      return read;
    }
  }
  if (read.names.size() != 2) {
    read.usage = true;
  } else if (read.options.backdrop == Backdrop::Clear && isJpegPath(read.names[1])) {
    read.wrong = QStringLiteral("--transparent: ") + QString::fromUtf16(ClearJpegMessage) +
                 QStringLiteral(" (JPEG has no transparency): ") + read.names[1];
  }
  return read;
}

void report(const QString& message) {
  std::fputs((QStringLiteral("pelmora-export: ") + message + u'\n').toUtf8().constData(), stderr);
}

int exportProject(const QString& projectPath, const QString& outputPath, const LogoOptions& options) {
  if (!isProjectPath(projectPath)) {
    report(QStringLiteral("%1: Pelmoraのﾌﾟﾛｼﾞｪｸﾄﾌｧｲﾙではありません").arg(projectPath));
    return kFailed;
  }
  // A slip of the second name must not cost the work: the logo would be written over the very
  // project it is made from.
  if (sameFile(projectPath, outputPath)) {
    report(QStringLiteral("%1: ").arg(outputPath) + QString::fromUtf16(LogoOverProjectMessage));
    return kFailed;
  }
  const TDocument doc = readProjectFile(projectPath);
  // The pictures decode while the logo's first bands are composed and written; a layer that
  // cannot be made stops the export, and the report below names every one.
  PendingScene scene(doc, TEXT_DPI, logoBandsUpward(outputPath), {}, options);
  bool written = false;
  std::exception_ptr exportFailure;
  try {
    written = exportLogo(outputPath, scene, options.backdrop);
  } catch (...) {
    exportFailure = std::current_exception();
  }
  // The editor would show the logo with holes where these are; a tool run unattended must not.
  const QStringList failedFiles = scene.failedFiles();
  if (!failedFiles.isEmpty()) {
    report(QStringLiteral("読み込めないファイルまたは部品があるため、ロゴを作成しません:\n  ") +
           failedFiles.join(QStringLiteral("\n  ")));
    return kFailed;
  }
  if (exportFailure) std::rethrow_exception(exportFailure);
  if (!written) {
    report(QString::fromUtf16(NoPartsLogoMessage));
    return kFailed;
  }
  return kWritten;
}

}  // namespace

int main(int argc, char** argv) {
  // Text is drawn exactly as the editor draws it under the offscreen platform, display or not.
  qputenv("QT_QPA_PLATFORM", "offscreen");
  installQtMessageFilter();
  QGuiApplication app(argc, argv);
  const QStringList args = QCoreApplication::arguments().mid(1);
  if (args.contains(QStringLiteral("--help")) || args.contains(QStringLiteral("-h"))) {
    std::fputs(kUsageText, stdout);
    return kWritten;
  }
  if (args == QStringList{QStringLiteral("--version")}) {
    std::fputs(VersionText, stdout);
    return kWritten;
  }
  const Arguments read = readArguments(args);
  if (!read.wrong.isEmpty()) {
    report(read.wrong);
    return kUsage;
  }
  if (read.usage) {
    std::fputs(kUsageText, stderr);
    return kUsage;
  }
  installFontSubstitutions();
  try {
    return exportProject(read.names[0], read.names[1], read.options);
  } catch (...) {
    report(messageOfCurrentException());
  }
  return kFailed;
}
