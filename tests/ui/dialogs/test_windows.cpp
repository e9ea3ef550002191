#include "support/mainfixture.h"

#include "ui/dialogs/helpwindow.h"
#include "ui/dialogs/messagebox.h"
#include "ui/dialogs/qtdialogs.h"

#include <QAbstractItemView>
#include <QClipboard>
#include <QCompleter>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMessageBox>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QTimer>
#include <QWheelEvent>

#include <functional>

namespace {

// Looks at the message box a call shows, then closes it.
Qt::TextInteractionFlags flagsOfMessage(const std::function<void()>& show) {
  Qt::TextInteractionFlags flags;
  QTimer::singleShot(0, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box) return;
    flags = box->textInteractionFlags();
    box->accept();
  });
  show();
  return flags;
}

TEST(Messages, TheirTextCanBeSelectedAndCopied) {
  const Qt::TextInteractionFlags wanted = Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard;
  QWidget owner;
  EXPECT_EQ(flagsOfMessage([&] { showStopMessage(&owner, u"Pelmora"_qs, u"ファイル x は開けません"_qs); }) & wanted,
            wanted);
  // The top-level report, as a failing command raises it.
  Application::instance()->setErrorSink(nullptr);
  EXPECT_EQ(flagsOfMessage([] { reportError(u"JPEG エラー #53"_qs); }) & wanted, wanted);
  // Through the main window's dialogs, as the wrong-extension message is shown.
  QtDialogs dialogs(&owner);
  EXPECT_EQ(flagsOfMessage([&] { dialogs.showMessage(u"text"_qs, u"ﾌｧｲﾙ I/O ｴﾗｰ"_qs); }) & wanted, wanted);

  // Ctrl+C copies the whole message while the OK button has the focus.
  QGuiApplication::clipboard()->clear();
  QTimer::singleShot(0, [] {
    QWidget* box = QApplication::activeModalWidget();
    if (!box) return;
    QTest::keyClick(box->focusWidget() ? box->focusWidget() : box, Qt::Key_C, Qt::ControlModifier);
    box->close();
  });
  showStopMessage(&owner, u"Pelmora"_qs, u"ファイル /tmp/x.bmp は開けません"_qs);
  EXPECT_EQ(QGuiApplication::clipboard()->text(), u"ファイル /tmp/x.bmp は開けません"_qs);
}

// A failure reported while no window is active, as right after a file dialog has closed and before
// the window manager gives the focus back, is shown over the editor and owned by it.
TEST(Messages, AReportWhileNoWindowIsActiveBelongsToTheEditor) {
  QMainWindow editor;
  editor.show();
  QApplication::setActiveWindow(nullptr);
  ASSERT_EQ(QApplication::activeWindow(), nullptr);
  Application::instance()->setErrorSink(nullptr);
  QWidget* owner = &editor;  // replaced by what the box says
  QTimer::singleShot(0, [&] {
    QWidget* box = QApplication::activeModalWidget();
    owner = box ? box->parentWidget() : nullptr;
    if (box) box->close();
  });
  reportError(u"PNG ファイル /tmp/x.png を読み込めません"_qs);
  EXPECT_EQ(owner, &editor);
}

TEST(Help, ShownAgainItReturnsToItsTopic) {
  QTemporaryDir dir;
  const QString path = dir.filePath(u"pelmora.html"_qs);
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  QByteArray html("<html><body>");
  for (int i = 0; i < 80; ++i) html += "<p>before</p>";
  html += "<h2><a name=\"HID00000001\">topic</a></h2>";
  for (int i = 0; i < 300; ++i) html += "<p>after</p>";
  file.write(html + "</body></html>");
  file.close();

  QWidget owner;
  showHelpWindow(&owner, path);
  auto* help = owner.findChild<QTextBrowser*>();
  ASSERT_NE(help, nullptr);
  ASSERT_TRUE(QTest::qWaitForWindowExposed(help));
  QScrollBar* bar = help->verticalScrollBar();
  const int atTopic = bar->value();
  EXPECT_GT(atTopic, 0);
  bar->setValue(bar->maximum());
  ASSERT_NE(bar->value(), atTopic);
  showHelpWindow(&owner, path);
  EXPECT_EQ(bar->value(), atTopic);
  bar->setValue(0);
  showHelpWindow(&owner, path);
  EXPECT_EQ(bar->value(), atTopic);
  // Escape closes it, as it does the parts list and the version window.
  QTest::keyClick(help, Qt::Key_Escape);
  EXPECT_FALSE(help->isVisible());
}

// The help as shipped, its topic an empty anchor at the very top: however the user scrolled, by
// keys or by the wheel, showing it again starts there, and the next key goes on from there.
TEST(Help, ShownAgainTheRealHelpStartsAtTheTop) {
  QWidget owner;
  const QString path = QStringLiteral(PELMORA_HELP_DOC);
  showHelpWindow(&owner, path);
  auto* help = owner.findChild<QTextBrowser*>();
  ASSERT_NE(help, nullptr);
  ASSERT_TRUE(QTest::qWaitForWindowExposed(help));
  QScrollBar* bar = help->verticalScrollBar();
  EXPECT_EQ(bar->value(), 0);
  QTest::keyClick(help, Qt::Key_PageDown);
  const int onePage = bar->value();
  ASSERT_GT(onePage, 0);
  const std::function<void()> scrolls[] = {
      [&] {
        for (int i = 0; i < 3; ++i) QTest::keyClick(help, Qt::Key_PageDown);
      },
      [&] {
        const QPointF at(50, 50);
        QWheelEvent wheel(at, help->viewport()->mapToGlobal(at), QPoint(), QPoint(0, -360), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(help->viewport(), &wheel);
      },
  };
  for (const auto& scroll : scrolls) {
    scroll();
    ASSERT_GT(bar->value(), onePage);
    showHelpWindow(&owner, path);
    EXPECT_EQ(bar->value(), 0);
    QTest::keyClick(help, Qt::Key_PageDown);
    EXPECT_EQ(bar->value(), onePage) << "a page on from the top";
  }
}

// A full path typed into the file-name field and confirmed with Enter: the dialog closes and its
// completion list goes with it.
TEST(FileDialogs, LeaveNoCompletionListBehind) {
  QTemporaryDir dir;
  for (const char* name : {"alpha.rpf", "alphabet.rpf", "alpine.rpf"}) {
    QFile f(dir.filePath(QString::fromLatin1(name)));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  }
  QWidget owner;
  owner.show();
  QtDialogs dialogs(&owner);
  QAbstractItemView* list = nullptr;
  bool listShown = false;
  // Once the dialog runs: showing it spins the event loop before the dialog's own loop starts.
  QTimer::singleShot(300, [&] {
    auto* edit = dialogs.openProjectDialog->findChild<QLineEdit*>(u"fileNameEdit"_qs);
    if (!edit) return dialogs.openProjectDialog->reject();
    list = edit->completer() ? edit->completer()->popup() : nullptr;
    edit->setFocus();
    QTest::keyClicks(edit, dir.filePath(u"alp"_qs));
    for (int i = 0; i < 40 && list && !list->isVisible(); ++i) QTest::qWait(50);
    listShown = list && list->isVisible();
    QTest::keyClicks(edit, u"ha.rpf"_qs);
    static_cast<QDialog*>(dialogs.openProjectDialog)
        ->accept();  // what Enter comes to, whichever window the display gives the key
  });
  QTimer::singleShot(10000, dialogs.openProjectDialog, &QDialog::reject);  // a test that fails, not one that hangs
  EXPECT_EQ(dialogs.openProject(), std::optional<QString>(dir.filePath(u"alpha.rpf"_qs)));
  ASSERT_NE(list, nullptr);
  QTest::qWait(500);  // the folder loads in the background and may bring the list up late
  EXPECT_TRUE(listShown) << "typing a path shows the list";
  EXPECT_FALSE(list->isVisible());
  // Brought up late by the folder's loading, it goes again.
  list->show();
  QTest::qWait(100);
  EXPECT_FALSE(list->isVisible());
}

}  // namespace
