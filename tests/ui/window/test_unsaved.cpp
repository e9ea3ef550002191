#include "support/files.h"
#include "support/mainfixture.h"

#include "model/fixedstring.h"
#include "render/raster.h"
#include "ui/panel/colourpanel.h"
#include "ui/parts/partslistwindow.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QDropEvent>
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
    ASSERT_TRUE(addPart(pkText));
    dialogs->picturesToOpen = {picture};
    ASSERT_TRUE(addPart(pkPicture));
    dialogs->projectsToSave = {path(u"start.rpf"_qs)};
    run("saveProjectAction");
    ASSERT_FALSE(comp().isModified());
  }

  void selectText() { selectPart(0); }

  QTemporaryDir dir;
  QString picture;
};

struct Edit {
  const char* name;
  std::function<void(Unsaved&, ScriptedDialogs&)> run;
};

// Every way of changing the composition, each from the same saved start.
TEST_F(Unsaved, EveryChangeMarksTheCompositionAndSavingClearsIt) {
  const Edit edits[] = {
      {"add text", [](Unsaved& w, ScriptedDialogs&) { w.run("addTextAction"); }},
      {"add picture",
       [](Unsaved& w, ScriptedDialogs& d) {
         d.picturesToOpen = {w.picture};
         w.run("addPictureAction");
       }},
      {"delete", [](Unsaved& w, ScriptedDialogs&) { w.deleteInList(0); }},
      {"string",
       [](Unsaved& t, ScriptedDialogs&) {
         t.selectText();
         typeOver(t.textEdit(), u"ロゴ"_qs);
       }},
      {"colour",
       [](Unsaved& t, ScriptedDialogs& d) {
         t.selectText();
         d.colours = {0x123456};
         Q_EMIT t.textColourPanel()->clicked(t.textColourPanel());
       }},
      {"fill",
       [](Unsaved& t, ScriptedDialogs&) {
         t.selectText();
         t.fillCheck()->click();
       }},
      {"font",
       [](Unsaved& t, ScriptedDialogs& d) {
         t.selectText();
         d.fonts = {FontChoice{u"IPAGothic"_qs, 9, 0}};
         t.fontButton()->click();
       }},
      {"shadow",
       [](Unsaved& t, ScriptedDialogs&) {
         t.selectText();
         t.shadowXBox()->lineEdit()->clear();
         QTest::keyClicks(t.shadowXBox()->lineEdit(), u"5"_qs);
       }},
      {"drag",
       [](Unsaved& w, ScriptedDialogs&) {
         PictureControl* c = w.part(0);
         QTest::mouseMove(c, QPoint(3, 3));
         QTest::mousePress(c, Qt::LeftButton, {}, QPoint(3, 3));
         QTest::mouseMove(c, QPoint(13, 8));
         QTest::mouseRelease(c, Qt::LeftButton, {}, QPoint(3, 3));
       }},
      {"nudge", [](Unsaved& t, ScriptedDialogs&) { t.nudgeRightButton()->click(); }},
      {"typed size",
       [](Unsaved& w, ScriptedDialogs&) {
         w.selectPart(1);
         typeOver(w.widthEdit(), u"77"_qs);
       }},
      {"background picture",
       [](Unsaved& w, ScriptedDialogs& d) {
         d.picturesToOpen = {w.picture};
         w.run("backgroundPictureAction");
       }},
      {"background fill",
       [](Unsaved& w, ScriptedDialogs& d) {
         d.colours = {0x00FF00};
         w.run("backgroundFillAction");
       }},
  };
  for (const Edit& edit : edits) {
    SCOPED_TRACE(edit.name);
    newComposition();
    savedComposition();
    edit.run(*this, *dialogs);
    EXPECT_TRUE(comp().isModified());
    dialogs->projectsToSave = {path(u"after.rpf"_qs)};
    run("saveProjectAction");
    EXPECT_FALSE(comp().isModified());
  }
  EXPECT_TRUE(reports.isEmpty());
}

TEST_F(Unsaved, LookingAroundAndCancelledDialogsChangeNothing) {
  savedComposition();
  selectPart(0);
  selectPart(1);
  QTest::mouseMove(part(1), QPoint(5, 5));
  QTest::mouseClick(part(1), Qt::LeftButton, {}, QPoint(5, 5));
  run("partsListAction");
  action("toolbarAction")->trigger();  // toolbar off and on
  action("toolbarAction")->trigger();
  action("noMoveAction")->trigger();  // the locks
  action("noResizeAction")->trigger();
  selectPart(0);
  Q_EMIT textColourPanel()->clicked(textColourPanel());  // every dialog cancelled
  fontButton()->click();
  run("addPictureAction");
  run("backgroundPictureAction");
  run("backgroundFillAction");
  run("saveProjectAction");
  run("saveLogoAction");
  EXPECT_FALSE(comp().isModified());
  // New and Open with nothing changed ask nothing.
  run("newAction");
  dialogs->projectsToOpen = {path(u"start.rpf"_qs)};
  run("openProjectAction");
  EXPECT_EQ(document().PartCount, 2);
  EXPECT_FALSE(comp().isModified()) << "a successful open";
  action("exitAction")->trigger();
  EXPECT_FALSE(w().isVisible());
  EXPECT_EQ(dialogs->unsavedQuestions, 0);
}

TEST_F(Unsaved, EachAnswerDoesWhatItSays) {
  savedComposition();
  run("addTextAction");

  dialogs->unsavedAnswers = {Answer::Cancel};
  run("newAction");
  EXPECT_EQ(document().PartCount, 3) << "キャンセル stops New";
  dialogs->unsavedAnswers = {Answer::Cancel};
  dialogs->projectsToOpen = {path(u"start.rpf"_qs)};
  run("openProjectAction");
  EXPECT_EQ(document().PartCount, 3) << "キャンセル stops Open before its dialog";
  EXPECT_EQ(dialogs->projectsToOpen.size(), 1u);
  dialogs->unsavedAnswers = {Answer::Cancel};
  EXPECT_FALSE(w().close());
  EXPECT_TRUE(w().isVisible());

  // 保存 whose dialog is cancelled stops the command too.
  dialogs->unsavedAnswers = {Answer::Save};
  run("newAction");
  EXPECT_EQ(document().PartCount, 3);

  // 保存 saves, then the command goes on.
  dialogs->unsavedAnswers = {Answer::Save};
  dialogs->projectsToSave = {path(u"three.rpf"_qs)};
  run("newAction");
  EXPECT_EQ(document().PartCount, 0);
  EXPECT_EQ(fileBytes(path(u"three.rpf"_qs)).right(4), QByteArray("\x03\0\0\0", 4));

  // 保存しない drops the changes.
  run("addTextAction");
  dialogs->unsavedAnswers = {Answer::Discard};
  dialogs->projectsToOpen = {path(u"start.rpf"_qs)};
  run("openProjectAction");
  EXPECT_EQ(document().PartCount, 2);
  run("addTextAction");
  dialogs->unsavedAnswers = {Answer::Discard};
  EXPECT_TRUE(w().close());
  EXPECT_EQ(dialogs->unsavedQuestions, 7);
  EXPECT_TRUE(reports.isEmpty());
}

TEST_F(Unsaved, AFailedSaveKeepsTheEditorOpenAndTheCompositionWhole) {
  savedComposition();
  run("addTextAction");
  QString folder = path(u"locked"_qs);
  ASSERT_TRUE(QDir().mkdir(folder));
  QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner);
  // Where the folder's rights do not stop the writer (root), a folder that is not there does.
  if (QFile probe(folder + u"/probe"_qs); probe.open(QIODevice::WriteOnly)) folder = path(u"missing"_qs);
  dialogs->unsavedAnswers = {Answer::Save};
  dialogs->projectsToSave = {folder + u"/work.rpf"_qs};
  EXPECT_FALSE(w().close());
  EXPECT_TRUE(w().isVisible());
  EXPECT_EQ(document().PartCount, 3);
  EXPECT_TRUE(comp().isModified());
  ASSERT_EQ(reports.size(), 1);
  EXPECT_TRUE(reports[0].first.contains(u"work.rpf"_qs)) << reports[0].first.toStdString();
  // The same through Exit.
  dialogs->unsavedAnswers = {Answer::Save};
  dialogs->projectsToSave = {folder + u"/work.rpf"_qs};
  action("exitAction")->trigger();
  EXPECT_TRUE(w().isVisible());
  EXPECT_EQ(document().PartCount, 3);
}

// URLs dropped on the window, offered for copying or moving and proposed as a move (as Shift asks,
// and as some sources propose); whether the window took the drag when it entered. A drop taken as
// a move would have the file manager delete the files: the window only ever copies.
bool dropUrls(QWidget* target, QPoint at, const QList<QUrl>& urls) {
  QMimeData data;
  data.setUrls(urls);
  const Qt::DropActions offered = Qt::CopyAction | Qt::MoveAction;
  QDragEnterEvent enter(at, offered, &data, Qt::LeftButton, Qt::ShiftModifier);
  QCoreApplication::sendEvent(target, &enter);
  QDropEvent dropped(QPointF(at), offered, &data, Qt::LeftButton, Qt::ShiftModifier);
  QCoreApplication::sendEvent(target, &dropped);
  if (enter.isAccepted()) {
    EXPECT_EQ(enter.dropAction(), Qt::CopyAction);
    EXPECT_EQ(dropped.dropAction(), Qt::CopyAction);
  }
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
  const QPoint at = canvas()->mapTo(&w(), onCanvas);
  run("partsListAction");
  drop(&w(), at, {picture, path(u"broken.bmp"_qs), second});
  ASSERT_EQ(document().PartCount, 2) << "the broken file adds nothing";
  EXPECT_EQ(partsList()->findChild<QTableWidget*>(u"partsTable"_qs)->rowCount(), 2);
  EXPECT_EQ(fixedString(document().Parts[0].FileName), picture);
  EXPECT_EQ(fixedString(document().Parts[1].FileName), second);
  EXPECT_EQ(part(0)->bounds(), (Bounds{40, 30, 30, 20}));
  EXPECT_EQ(part(1)->bounds(), (Bounds{40, 30, 12, 8}));
  ASSERT_EQ(reports.size(), 1);
  EXPECT_TRUE(reports[0].first.contains(path(u"broken.bmp"_qs)));
  EXPECT_TRUE(comp().isModified());

  // A full table takes what fits and says nothing of the rest.
  while (document().PartCount < MAX_PARTS - 1) ASSERT_TRUE(addPart(pkText));
  drop(&w(), at, {picture, second});
  EXPECT_EQ(document().PartCount, MAX_PARTS);
  EXPECT_EQ(fixedString(document().Parts[MAX_PARTS - 1].FileName), picture);
  EXPECT_EQ(reports.size(), 1);
}

TEST_F(Unsaved, ADroppedProjectOpensAfterTheQuestion) {
  savedComposition();
  newComposition();
  run("addTextAction");
  const QPoint at = canvas()->mapTo(&w(), QPoint(5, 5));
  // A damaged project is refused before the question, which it would make pointless.
  const QString damaged = path(u"damaged.rpf"_qs);
  putFile(damaged, QByteArray(1000, '\0'));
  drop(&w(), at, {damaged});
  EXPECT_EQ(dialogs->unsavedQuestions, 0);
  ASSERT_EQ(dialogs->messages.size(), 1);
  EXPECT_EQ(dialogs->messages[0].first,
            u"ﾌﾟﾛｼﾞｪｸﾄﾌｧｲﾙ "_qs + damaged + u" が壊れています (大きさ 1000 バイト、正しくは 56512 バイト)"_qs);
  EXPECT_EQ(document().PartCount, 1);
  EXPECT_TRUE(comp().isModified());
  dialogs->unsavedAnswers = {Answer::Cancel};
  drop(&w(), at, {path(u"start.rpf"_qs)});
  EXPECT_EQ(document().PartCount, 1);
  dialogs->unsavedAnswers = {Answer::Discard};
  drop(&w(), at, {path(u"start.rpf"_qs)});
  EXPECT_EQ(document().PartCount, 2);
  EXPECT_FALSE(comp().isModified());
  EXPECT_EQ(dialogs->proposedProjectName, path(u"start.rpf"_qs));
  EXPECT_EQ(dialogs->unsavedQuestions, 2);

  // Among other files a project is none to open, only one more file that is no picture.
  run("addTextAction");
  dialogs->proposedProjectName.clear();
  drop(&w(), at, {path(u"start.rpf"_qs), picture});
  EXPECT_EQ(dialogs->unsavedQuestions, 2);
  EXPECT_EQ(dialogs->proposedProjectName, QString());
  ASSERT_EQ(document().PartCount, 4);
  EXPECT_EQ(fixedString(document().Parts[3].FileName), picture);
  ASSERT_EQ(reports.size(), 1);
  EXPECT_EQ(reports[0].first, path(u"start.rpf"_qs) + u": ビットマップイメージが不正です."_qs);
}

// One picture that cannot be read says what add picture says; a drag with anything but local
// files is turned away at the door.
TEST_F(Unsaved, ADropOfOneUnreadablePictureOrOfAnyRemoteFileAddsNothing) {
  putFile(path(u"broken.bmp"_qs), QByteArray("not a bitmap"));
  const QPoint at = canvas()->mapTo(&w(), QPoint(5, 5));
  drop(&w(), at, {path(u"broken.bmp"_qs)});
  ASSERT_EQ(reports.size(), 1);
  EXPECT_EQ(reports[0].first, path(u"broken.bmp"_qs) + u": ストリームからの読み込みエラー."_qs);

  EXPECT_FALSE(dropUrls(&w(), at, {QUrl::fromLocalFile(picture), QUrl(u"https://example.com/logo.bmp"_qs)}));
  EXPECT_EQ(document().PartCount, 0);
  EXPECT_EQ(reports.size(), 1);
}

}  // namespace
