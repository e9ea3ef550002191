// pelmora-icons FOLDER SIZE...: writes the program's icon as FOLDER/pelmora-SIZE.png for each
// size, at build time, so the installed icons are the very picture the windows show.

#include "app/qtmessages.h"
#include "ui/common/icons.h"

#include <QDir>
#include <QGuiApplication>
#include <QStringList>

#include <cstdio>

int main(int argc, char** argv) {
  // The icon's letter needs fonts, and the build machine may have no display.
  qputenv("QT_QPA_PLATFORM", "offscreen");
  installQtMessageFilter();
  QGuiApplication app(argc, argv);
  const QStringList args = QCoreApplication::arguments().mid(1);
  if (args.size() < 2) {
    std::fputs("Usage: pelmora-icons FOLDER SIZE...\n", stderr);
    return 2;
  }
  const QDir folder(args[0]);
  if (!folder.mkpath(QStringLiteral("."))) {
    std::fprintf(stderr, "pelmora-icons: cannot create %s\n", qPrintable(args[0]));
    return 1;
  }
  for (const QString& sizeText : args.mid(1)) {
    bool ok = false;
    const int side = sizeText.toInt(&ok);
    if (!ok || side < 1 || side > 1024) {
      std::fprintf(stderr, "pelmora-icons: %s is not an icon size\n", qPrintable(sizeText));
      return 2;
    }
    const QString path = folder.filePath(QStringLiteral("pelmora-%1.png").arg(side));
    if (!applicationImage(side).save(path, "PNG")) {
      std::fprintf(stderr, "pelmora-icons: cannot write %s\n", qPrintable(path));
      return 1;
    }
  }
  return 0;
}
