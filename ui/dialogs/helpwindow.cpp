#include "ui/dialogs/helpwindow.h"

#include "model/failure.h"
#include "ui/common/programfolders.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QPointer>
#include <QScrollBar>
#include <QShortcut>
#include <QTextBrowser>
#include <QUrl>

namespace {

QPointer<QTextBrowser> helpWindow;

}  // namespace

QString helpFilePath() { return helpFileFor(QCoreApplication::applicationFilePath()); }

void showHelpWindow(QWidget* owner, const QString& path) {
  if (!QFileInfo(path).isFile()) throw Failure(QStringLiteral("ヘルプファイル %1 が見つかりません").arg(path));
  if (!helpWindow) {
    helpWindow = new QTextBrowser(owner);
    helpWindow->setWindowFlag(Qt::Window);
    helpWindow->setAttribute(Qt::WA_DeleteOnClose);
    helpWindow->setWindowTitle(QStringLiteral("Pelmora ﾍﾙﾌﾟ"));
    helpWindow->setOpenExternalLinks(true);
    helpWindow->resize(640, 480);
    // A reading window goes with Escape, as the program's other windows do.
    auto* close = new QShortcut(QKeySequence(Qt::Key_Escape), helpWindow);
    QObject::connect(close, &QShortcut::activated, helpWindow.data(), &QWidget::close);
  }
  QUrl url = QUrl::fromLocalFile(path);
  url.setFragment(QString::fromUtf16(HelpTopic));
  helpWindow->setSource(url);
  helpWindow->show();
  // Setting the source it already shows leaves the view where the user scrolled it; help shown
  // again starts at its first topic. Qt puts the topic's line at the top of the view, below the
  // document's margin; a topic on the document's first line shows the document from its top.
  helpWindow->scrollToAnchor(url.fragment());
  QScrollBar* bar = helpWindow->verticalScrollBar();
  if (bar->value() <= helpWindow->document()->documentMargin()) bar->setValue(0);
  helpWindow->horizontalScrollBar()->setValue(0);
  helpWindow->raise();
  helpWindow->activateWindow();
}
