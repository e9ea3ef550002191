#include "support/files.h"
#include "support/mainfixture.h"

#include "model/fixedstring.h"
#include "render/raster.h"
#include "ui/main/colourpanel.h"
#include "ui/parts/partslistwindow.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QToolButton>
#include <QUrl>

#include <functional>

namespace {

using Answer = Dialogs::UnsavedChanges;

class Unsaved : public MainWindowTest {
public:
  void SetUp() override {
    MainWindowTest::SetUp();
    picture = dir.filePath(u"pic.bmp"_qs);
    ASSERT_TRUE(makeWhiteRaster(30, 20).save(picture, "BMP"));
  }

  QString path(const QString& name) const { return dir.filePath(name); }

  // A text part and a picture part, saved: the composition every case starts from.
  void savedComposition() {
    ASSERT_TRUE(w().addPart(pkText));
    dialogs->picturesToOpen = {picture};
    ASSERT_TRUE(w().addPart(pkPicture));
    dialogs->projectsToSave = {path(u"start.rpf"_qs)};
    ASSERT_TRUE(w().saveProject());
    ASSERT_FALSE(w().isModified());
  }

  void selectText() { w().selectPart(0); }

  QTemporaryDir dir;
  QString picture;
};

struct Edit {
  const char* name;
  std::function<void(Unsaved&, MainWindow&, ScriptedDialogs&)> run;
};

// Every way of changing the composition, each from the same saved start.
TEST_F(Unsaved, EveryChangeMarksTheCompositionAndSavingClearsIt) {
  const Edit edits[] = {
      {"add text", [](Unsaved&, MainWindow& w, ScriptedDialogs&) { w.runCommand(MainWindow::tagAddText); }},
      {"add picture",
       [](Unsaved& t, MainWindow& w, ScriptedDialogs& d) {
         d.picturesToOpen = {t.picture};
         w.runCommand(MainWindow::tagAddPicture);
       }},
      {"delete",
       [](Unsaved&, MainWindow& w, ScriptedDialogs&) {
         w.openPartsList();
         QTest::mouseClick(w.partsList()->findChild<QTableWidget*>(u"partsTable"_qs)->viewport(), Qt::LeftButton, {},
                           w.partsList()
                               ->findChild<QTableWidget*>(u"partsTable"_qs)
                               ->visualItemRect(w.partsList()->findChild<QTableWidget*>(u"partsTable"_qs)->item(0, 1))
                               .center());
         QTest::mouseClick(w.partsList()->findChild<QPushButton*>(u"deleteButton"_qs), Qt::LeftButton);
       }},
      {"string",
       [](Unsaved& t, MainWindow&, ScriptedDialogs&) {
         t.selectText();
         t.textEdit()->setText(u"ロゴ"_qs);
       }},
      {"colour",
       [](Unsaved& t, MainWindow&, ScriptedDialogs& d) {
         t.selectText();
         d.colours = {0x123456};
         Q_EMIT t.textColourPanel()->clicked(t.textColourPanel());
       }},
      {"fill",
       [](Unsaved& t, MainWindow&, ScriptedDialogs&) {
         t.selectText();
         t.fillCheck()->setChecked(true);
       }},
      {"font",
       [](Unsaved& t, MainWindow&, ScriptedDialogs& d) {
         t.selectText();
         d.fonts = {FontChoice{u"IPAGothic"_qs, 9, 0}};
         t.fontButton()->click();
       }},
      {"shadow",
       [](Unsaved& t, MainWindow&, ScriptedDialogs&) {
         t.selectText();
         t.shadowXBox()->lineEdit()->clear();
         QTest::keyClicks(t.shadowXBox()->lineEdit(), u"5"_qs);
       }},
      {"drag",
       [](Unsaved&, MainWindow& w, ScriptedDialogs&) {
         PictureControl* c = w.partControl(0);
         QTest::mouseMove(c, QPoint(3, 3));
         QTest::mousePress(c, Qt::LeftButton, {}, QPoint(3, 3));
         QTest::mouseMove(c, QPoint(13, 8));
         QTest::mouseRelease(c, Qt::LeftButton, {}, QPoint(3, 3));
       }},
      {"nudge", [](Unsaved& t, MainWindow&, ScriptedDialogs&) { t.nudgeRightButton()->click(); }},
      {"typed size",
       [](Unsaved& t, MainWindow& w, ScriptedDialogs&) {
         w.selectPart(1);
         t.widthEdit()->selectAll();
         QTest::keyClicks(t.widthEdit(), u"77"_qs);
       }},
      {"background picture",
       [](Unsaved& t, MainWindow& w, ScriptedDialogs& d) {
         d.picturesToOpen = {t.picture};
         w.runCommand(MainWindow::tagBackgroundPicture);
       }},
      {"background fill",
       [](Unsaved&, MainWindow& w, ScriptedDialogs& d) {
         d.colours = {0x00FF00};
         w.runCommand(MainWindow::tagBackgroundFill);
       }},
  };
  for (const Edit& edit : edits) {
    SCOPED_TRACE(edit.name);
    w().newComposition();
    savedComposition();
    edit.run(*this, w(), *dialogs);
    EXPECT_TRUE(w().isModified());
    dialogs->projectsToSave = {path(u"after.rpf"_qs)};
    w().runCommand(MainWindow::tagSaveProject);
    EXPECT_FALSE(w().isModified());
  }
  EXPECT_TRUE(reports.isEmpty());
}

TEST_F(Unsaved, LookingAroundAndCancelledDialogsChangeNothing) {
  savedComposition();
  w().selectPart(0);
  w().selectPart(1);
  QTest::mouseMove(part(1), QPoint(5, 5));
  QTest::mouseClick(part(1), Qt::LeftButton, {}, QPoint(5, 5));
  w().openPartsList();
  w().action(MainWindow::tagToolbar)->trigger();  // toolbar off and on
  w().action(MainWindow::tagToolbar)->trigger();
  w().action(MainWindow::tagNoMove)->trigger();  // the locks
  w().action(MainWindow::tagNoResize)->trigger();
  w().selectPart(0);
  Q_EMIT textColourPanel()->clicked(textColourPanel());  // every dialog cancelled
  fontButton()->click();
  w().runCommand(MainWindow::tagAddPicture);
  w().runCommand(MainWindow::tagBackgroundPicture);
  w().runCommand(MainWindow::tagBackgroundFill);
  w().runCommand(MainWindow::tagSaveProject);
  w().runCommand(MainWindow::tagSaveLogo);
  EXPECT_FALSE(w().isModified());
  // New and Open with nothing changed ask nothing.
  w().runCommand(MainWindow::tagNew);
  dialogs->projectsToOpen = {path(u"start.rpf"_qs)};
  w().runCommand(MainWindow::tagOpenProject);
  EXPECT_EQ(w().document().PartCount, 2);
  EXPECT_FALSE(w().isModified()) << "a successful open";
  EXPECT_TRUE(w().close());
  EXPECT_EQ(dialogs->unsavedQuestions, 0);
}

TEST_F(Unsaved, EachAnswerDoesWhatItSays) {
  savedComposition();
  w().runCommand(MainWindow::tagAddText);

  dialogs->unsavedAnswers = {Answer::Cancel};
  w().runCommand(MainWindow::tagNew);
  EXPECT_EQ(w().document().PartCount, 3) << "キャンセル stops New";
  dialogs->unsavedAnswers = {Answer::Cancel};
  dialogs->projectsToOpen = {path(u"start.rpf"_qs)};
  w().runCommand(MainWindow::tagOpenProject);
  EXPECT_EQ(w().document().PartCount, 3) << "キャンセル stops Open before its dialog";
  EXPECT_EQ(dialogs->projectsToOpen.size(), 1u);
  dialogs->unsavedAnswers = {Answer::Cancel};
  EXPECT_FALSE(w().close());
  EXPECT_TRUE(w().isVisible());

  // 保存 whose dialog is cancelled stops the command too.
  dialogs->unsavedAnswers = {Answer::Save};
  w().runCommand(MainWindow::tagNew);
  EXPECT_EQ(w().document().PartCount, 3);

  // 保存 saves, then the command goes on.
  dialogs->unsavedAnswers = {Answer::Save};
  dialogs->projectsToSave = {path(u"three.rpf"_qs)};
  w().runCommand(MainWindow::tagNew);
  EXPECT_EQ(w().document().PartCount, 0);
  EXPECT_EQ(fileBytes(path(u"three.rpf"_qs)).right(4), QByteArray("\x03\0\0\0", 4));

  // 保存しない drops the changes.
  w().runCommand(MainWindow::tagAddText);
  dialogs->unsavedAnswers = {Answer::Discard};
  dialogs->projectsToOpen = {path(u"start.rpf"_qs)};
  w().runCommand(MainWindow::tagOpenProject);
  EXPECT_EQ(w().document().PartCount, 2);
  w().runCommand(MainWindow::tagAddText);
  dialogs->unsavedAnswers = {Answer::Discard};
  EXPECT_TRUE(w().close());
  EXPECT_EQ(dialogs->unsavedQuestions, 7);
  EXPECT_TRUE(reports.isEmpty());
}

TEST_F(Unsaved, AFailedSaveKeepsTheEditorOpenAndTheCompositionWhole) {
  savedComposition();
  w().runCommand(MainWindow::tagAddText);
  QString folder = path(u"locked"_qs);
  ASSERT_TRUE(QDir().mkdir(folder));
  QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner);
  // Where the folder's rights do not stop the writer (root), a folder that is not there does.
  if (QFile probe(folder + u"/probe"_qs); probe.open(QIODevice::WriteOnly)) folder = path(u"missing"_qs);
  dialogs->unsavedAnswers = {Answer::Save};
  dialogs->projectsToSave = {folder + u"/work.rpf"_qs};
  EXPECT_FALSE(w().close());
  EXPECT_TRUE(w().isVisible());
  EXPECT_EQ(w().document().PartCount, 3);
  EXPECT_TRUE(w().isModified());
  ASSERT_EQ(reports.size(), 1);
  EXPECT_TRUE(reports[0].first.contains(u"work.rpf"_qs)) << reports[0].first.toStdString();
  // The same through Exit.
  dialogs->unsavedAnswers = {Answer::Save};
  dialogs->projectsToSave = {folder + u"/work.rpf"_qs};
  w().action(MainWindow::tagExit)->trigger();
  EXPECT_TRUE(w().isVisible());
  EXPECT_EQ(w().document().PartCount, 3);
}

// URLs dropped on the window; whether the window took the drag when it entered.
bool dropUrls(QWidget* target, QPoint at, const QList<QUrl>& urls) {
  QMimeData data;
  data.setUrls(urls);
  QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(target, &enter);
  QDropEvent dropped(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(target, &dropped);
  return enter.isAccepted();
}

// Files dropped on the window, as a file manager drops them.
void drop(QWidget* target, QPoint at, const QStringList& paths) {
  QList<QUrl> urls;
  for (const QString& p : paths) urls << QUrl::fromLocalFile(p);
  ASSERT_TRUE(dropUrls(target, at, urls));
}

TEST_F(Unsaved, DroppedPicturesBecomePartsAtTheDropPoint) {
  const QString second = path(u"second.jpg"_qs);
  ASSERT_TRUE(makeWhiteRaster(12, 8).save(second, "JPEG"));
  putFile(path(u"broken.bmp"_qs), QByteArray("not a bitmap"));
  const QPoint onCanvas(40, 30);
  const QPoint at = w().canvas()->mapTo(&w(), onCanvas);
  drop(&w(), at, {picture, path(u"broken.bmp"_qs), second});
  ASSERT_EQ(w().document().PartCount, 2) << "the broken file adds nothing";
  EXPECT_EQ(fixedString(w().document().Parts[0].FileName), picture);
  EXPECT_EQ(fixedString(w().document().Parts[1].FileName), second);
  EXPECT_EQ(part(0)->bounds(), (Bounds{40, 30, 30, 20}));
  EXPECT_EQ(part(1)->bounds(), (Bounds{40, 30, 12, 8}));
  ASSERT_EQ(reports.size(), 1);
  EXPECT_TRUE(reports[0].first.contains(path(u"broken.bmp"_qs)));
  EXPECT_TRUE(w().isModified());

  // A full table takes what fits and says nothing of the rest.
  while (w().document().PartCount < MAX_PARTS - 1) ASSERT_TRUE(w().addPart(pkText));
  drop(&w(), at, {picture, second});
  EXPECT_EQ(w().document().PartCount, MAX_PARTS);
  EXPECT_EQ(fixedString(w().document().Parts[MAX_PARTS - 1].FileName), picture);
  EXPECT_EQ(reports.size(), 1);
}

TEST_F(Unsaved, ADroppedProjectOpensAfterTheQuestion) {
  savedComposition();
  w().newComposition();
  w().runCommand(MainWindow::tagAddText);
  const QPoint at = w().canvas()->mapTo(&w(), QPoint(5, 5));
  dialogs->unsavedAnswers = {Answer::Cancel};
  drop(&w(), at, {path(u"start.rpf"_qs)});
  EXPECT_EQ(w().document().PartCount, 1);
  dialogs->unsavedAnswers = {Answer::Discard};
  drop(&w(), at, {path(u"start.rpf"_qs)});
  EXPECT_EQ(w().document().PartCount, 2);
  EXPECT_FALSE(w().isModified());
  EXPECT_EQ(dialogs->proposedProjectName, path(u"start.rpf"_qs));
  EXPECT_EQ(dialogs->unsavedQuestions, 2);

  // Among other files a project is none to open, only one more file that is no picture.
  w().runCommand(MainWindow::tagAddText);
  dialogs->proposedProjectName.clear();
  drop(&w(), at, {path(u"start.rpf"_qs), picture});
  EXPECT_EQ(dialogs->unsavedQuestions, 2);
  EXPECT_EQ(dialogs->proposedProjectName, QString());
  ASSERT_EQ(w().document().PartCount, 4);
  EXPECT_EQ(fixedString(w().document().Parts[3].FileName), picture);
  ASSERT_EQ(reports.size(), 1);
  EXPECT_EQ(reports[0].first, path(u"start.rpf"_qs) + u": ビットマップイメージが不正です."_qs);
}

// One picture that cannot be read says what add picture says; a drag with anything but local
// files is turned away at the door.
TEST_F(Unsaved, ADropOfOneUnreadablePictureOrOfAnyRemoteFileAddsNothing) {
  putFile(path(u"broken.bmp"_qs), QByteArray("not a bitmap"));
  const QPoint at = w().canvas()->mapTo(&w(), QPoint(5, 5));
  drop(&w(), at, {path(u"broken.bmp"_qs)});
  ASSERT_EQ(reports.size(), 1);
  EXPECT_EQ(reports[0].first, path(u"broken.bmp"_qs) + u": ストリームからの読み込みエラー."_qs);

  EXPECT_FALSE(dropUrls(&w(), at, {QUrl::fromLocalFile(picture), QUrl(u"https://example.com/logo.bmp"_qs)}));
  EXPECT_EQ(w().document().PartCount, 0);
  EXPECT_EQ(reports.size(), 1);
}

TEST_F(Unsaved, ExitWithNothingChangedClosesWithoutAQuestion) {
  w().action(MainWindow::tagExit)->trigger();
  EXPECT_FALSE(w().isVisible());
  w().show();
  savedComposition();
  w().action(MainWindow::tagExit)->trigger();
  EXPECT_FALSE(w().isVisible());
  EXPECT_EQ(dialogs->unsavedQuestions, 0);
}

}  // namespace
