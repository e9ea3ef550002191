// pelmora-export PROJECT OUTPUT: writes a project's logo without opening a window, through the
// same records-to-layers and flattening code as the editor's "export logo".

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
    "Usage: pelmora-export PROJECT.rpf OUTPUT\n"
    "Writes the logo of a Pelmora project: JPEG when OUTPUT ends in .jpg or .jpeg, PNG when it ends\n"
    "in .png, BMP otherwise.\n"
    "Exits 0 when OUTPUT was written; on any error OUTPUT is left as it was.\n"
    "\n"
    "使い方: pelmora-export プロジェクト.rpf 出力ファイル\n"
    "プロジェクトのロゴを書き出します (.jpg/.jpeg は JPEG、.png は PNG、それ以外は BMP)。\n";

void report(const QString& message) {
  std::fputs((QStringLiteral("pelmora-export: ") + message + u'\n').toUtf8().constData(), stderr);
}

int exportProject(const QString& projectPath, const QString& outputPath) {
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
  PendingScene scene(doc, logicalDpiY(), logoBandsUpward(outputPath));
  bool written = false;
  std::exception_ptr exportFailure;
  try {
    written = exportLogo(outputPath, scene);
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
  if (args.size() != 2) {
    std::fputs(kUsageText, stderr);
    return kUsage;
  }
  installFontSubstitutions();
  try {
    return exportProject(args[0], args[1]);
  } catch (...) {
    report(messageOfCurrentException());
  }
  return kFailed;
}
