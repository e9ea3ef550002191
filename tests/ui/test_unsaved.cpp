#include "support/files.h"
#include "support/mainfixture.h"

#include "model/fixedstring.h"
#include "render/raster.h"
#include "ui/main/colourpanel.h"
#include "ui/parts/tpart.h"

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
    ASSERT_TRUE(w().AddPart(pkText));
    dialogs->picturesToOpen = {picture};
    ASSERT_TRUE(w().AddPart(pkPicture));
    dialogs->projectsToSave = {path(u"start.rpf"_qs)};
    ASSERT_TRUE(w().SaveProject());
    ASSERT_FALSE(w().isModified());
  }

  void selectText() { w().SelectPart(0); }

  QTemporaryDir dir;
  QString picture;
};

struct Edit {
  const char* name;
  std::function<void(Unsaved&, TMain&, ScriptedDialogs&)> run;
};

// Every way of changing the composition, each from the same saved start.
TEST_F(Unsaved, EveryChangeMarksTheCompositionAndSavingClearsIt) {
  const Edit edits[] = {
      {"add text", [](Unsaved&, TMain& w, ScriptedDialogs&) { w.ToolButtonClick(TMain::tagAddText); }},
      {"add picture",
       [](Unsaved& t, TMain& w, ScriptedDialogs& d) {
         d.picturesToOpen = {t.picture};
         w.ToolButtonClick(TMain::tagAddPicture);
       }},
      {"delete",
       [](Unsaved&, TMain& w, ScriptedDialogs&) {
         w.OpenPartsList();
         QTest::mouseClick(Part->LV->viewport(), Qt::LeftButton, {},
                           Part->LV->visualItemRect(Part->LV->item(0, 1)).center());
         QTest::mouseClick(Part->BitBtn2, Qt::LeftButton);
       }},
      {"string", [](Unsaved& t, TMain& w, ScriptedDialogs&) { t.selectText(); w.FStr->setText(u"ロゴ"_qs); }},
      {"colour",
       [](Unsaved& t, TMain& w, ScriptedDialogs& d) {
         t.selectText();
         d.colours = {0x123456};
         Q_EMIT w.FCol->clicked(w.FCol);
       }},
      {"fill", [](Unsaved& t, TMain& w, ScriptedDialogs&) { t.selectText(); w.FBfl->setChecked(true); }},
      {"font",
       [](Unsaved& t, TMain& w, ScriptedDialogs& d) {
         t.selectText();
         d.fonts = {FontChoice{u"IPAGothic"_qs, 9, 0}};
         w.SpeedButton1->click();
       }},
      {"shadow",
       [](Unsaved& t, TMain& w, ScriptedDialogs&) {
         t.selectText();
         w.FShaX->lineEdit()->clear();
         QTest::keyClicks(w.FShaX->lineEdit(), u"5"_qs);
       }},
      {"drag",
       [](Unsaved&, TMain& w, ScriptedDialogs&) {
         PictureControl* c = w.PartImages[0];
         QTest::mouseMove(c, QPoint(3, 3));
         QTest::mousePress(c, Qt::LeftButton, {}, QPoint(3, 3));
         QTest::mouseMove(c, QPoint(13, 8));
         QTest::mouseRelease(c, Qt::LeftButton, {}, QPoint(3, 3));
       }},
      {"nudge", [](Unsaved&, TMain& w, ScriptedDialogs&) { w.SpeedButton5->click(); }},
      {"typed size",
       [](Unsaved&, TMain& w, ScriptedDialogs&) {
         w.SelectPart(1);
         w.ItemX->setText(u"77"_qs);
       }},
      {"background picture",
       [](Unsaved& t, TMain& w, ScriptedDialogs& d) {
         d.picturesToOpen = {t.picture};
         w.ToolButtonClick(TMain::tagBackgroundPicture);
       }},
      {"background fill",
       [](Unsaved&, TMain& w, ScriptedDialogs& d) {
         d.colours = {0x00FF00};
         w.ToolButtonClick(TMain::tagBackgroundFill);
       }},
  };
  for (const Edit& edit : edits) {
    SCOPED_TRACE(edit.name);
    w().New();
    savedComposition();
    edit.run(*this, w(), *dialogs);
    EXPECT_TRUE(w().isModified());
    dialogs->projectsToSave = {path(u"after.rpf"_qs)};
    w().ToolButtonClick(TMain::tagSaveProject);
    EXPECT_FALSE(w().isModified());
  }
  EXPECT_TRUE(reports.isEmpty());
}

TEST_F(Unsaved, LookingAroundAndCancelledDialogsChangeNothing) {
  savedComposition();
  w().SelectPart(0);
  w().SelectPart(1);
  QTest::mouseMove(part(1), QPoint(5, 5));
  QTest::mouseClick(part(1), Qt::LeftButton, {}, QPoint(5, 5));
  w().OpenPartsList();
  w().MM2_1->trigger();  // toolbar off and on
  w().MM2_1->trigger();
  w().MM4_3->trigger();  // the locks
  w().MM4_4->trigger();
  w().SelectPart(0);
  Q_EMIT w().FCol->clicked(w().FCol);  // every dialog cancelled
  w().SpeedButton1->click();
  w().ToolButtonClick(TMain::tagAddPicture);
  w().ToolButtonClick(TMain::tagBackgroundPicture);
  w().ToolButtonClick(TMain::tagBackgroundFill);
  w().ToolButtonClick(TMain::tagSaveProject);
  w().ToolButtonClick(TMain::tagSaveLogo);
  EXPECT_FALSE(w().isModified());
  // New and Open with nothing changed ask nothing.
  w().ToolButtonClick(TMain::tagNew);
  dialogs->projectsToOpen = {path(u"start.rpf"_qs)};
  w().ToolButtonClick(TMain::tagOpenProject);
  EXPECT_EQ(w().Document.PartCount, 2);
  EXPECT_FALSE(w().isModified()) << "a successful open";
  EXPECT_TRUE(w().close());
  EXPECT_EQ(dialogs->unsavedQuestions, 0);
}

TEST_F(Unsaved, EachAnswerDoesWhatItSays) {
  savedComposition();
  w().ToolButtonClick(TMain::tagAddText);

  dialogs->unsavedAnswers = {Answer::Cancel};
  w().ToolButtonClick(TMain::tagNew);
  EXPECT_EQ(w().Document.PartCount, 3) << "キャンセル stops New";
  dialogs->unsavedAnswers = {Answer::Cancel};
  dialogs->projectsToOpen = {path(u"start.rpf"_qs)};
  w().ToolButtonClick(TMain::tagOpenProject);
  EXPECT_EQ(w().Document.PartCount, 3) << "キャンセル stops Open before its dialog";
  EXPECT_EQ(dialogs->projectsToOpen.size(), 1u);
  dialogs->unsavedAnswers = {Answer::Cancel};
  EXPECT_FALSE(w().close());
  EXPECT_TRUE(w().isVisible());

  // 保存 whose dialog is cancelled stops the command too.
  dialogs->unsavedAnswers = {Answer::Save};
  w().ToolButtonClick(TMain::tagNew);
  EXPECT_EQ(w().Document.PartCount, 3);

  // 保存 saves, then the command goes on.
  dialogs->unsavedAnswers = {Answer::Save};
  dialogs->projectsToSave = {path(u"three.rpf"_qs)};
  w().ToolButtonClick(TMain::tagNew);
  EXPECT_EQ(w().Document.PartCount, 0);
  EXPECT_EQ(fileBytes(path(u"three.rpf"_qs)).right(4), QByteArray("\x03\0\0\0", 4));

  // 保存しない drops the changes.
  w().ToolButtonClick(TMain::tagAddText);
  dialogs->unsavedAnswers = {Answer::Discard};
  dialogs->projectsToOpen = {path(u"start.rpf"_qs)};
  w().ToolButtonClick(TMain::tagOpenProject);
  EXPECT_EQ(w().Document.PartCount, 2);
  w().ToolButtonClick(TMain::tagAddText);
  dialogs->unsavedAnswers = {Answer::Discard};
  EXPECT_TRUE(w().close());
  EXPECT_EQ(dialogs->unsavedQuestions, 7);
  EXPECT_TRUE(reports.isEmpty());
}

TEST_F(Unsaved, AFailedSaveKeepsTheEditorOpenAndTheCompositionWhole) {
  savedComposition();
  w().ToolButtonClick(TMain::tagAddText);
  QString folder = path(u"locked"_qs);
  ASSERT_TRUE(QDir().mkdir(folder));
  QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner);
  // Where the folder's rights do not stop the writer (root), a folder that is not there does.
  if (QFile probe(folder + u"/probe"_qs); probe.open(QIODevice::WriteOnly)) folder = path(u"missing"_qs);
  dialogs->unsavedAnswers = {Answer::Save};
  dialogs->projectsToSave = {folder + u"/work.rpf"_qs};
  EXPECT_FALSE(w().close());
  EXPECT_TRUE(w().isVisible());
  EXPECT_EQ(w().Document.PartCount, 3);
  EXPECT_TRUE(w().isModified());
  ASSERT_EQ(reports.size(), 1);
  EXPECT_TRUE(reports[0].first.contains(u"work.rpf"_qs)) << reports[0].first.toStdString();
  // The same through Exit.
  dialogs->unsavedAnswers = {Answer::Save};
  dialogs->projectsToSave = {folder + u"/work.rpf"_qs};
  w().MM1_5->trigger();
  EXPECT_TRUE(w().isVisible());
  EXPECT_EQ(w().Document.PartCount, 3);
}

// Files dropped on the window, as a file manager drops them.
void drop(QWidget* target, QPoint at, const QStringList& paths) {
  QMimeData data;
  QList<QUrl> urls;
  for (const QString& p : paths) urls << QUrl::fromLocalFile(p);
  data.setUrls(urls);
  QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(target, &enter);
  ASSERT_TRUE(enter.isAccepted());
  QDropEvent dropped(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(target, &dropped);
}

TEST_F(Unsaved, DroppedPicturesBecomePartsAtTheDropPoint) {
  const QString second = path(u"second.jpg"_qs);
  ASSERT_TRUE(makeWhiteRaster(12, 8).save(second, "JPEG"));
  putFile(path(u"broken.bmp"_qs), QByteArray("not a bitmap"));
  const QPoint onCanvas(40, 30);
  const QPoint at = w().Canvas->mapTo(&w(), onCanvas);
  drop(&w(), at, {picture, path(u"broken.bmp"_qs), second});
  ASSERT_EQ(w().Document.PartCount, 2) << "the broken file adds nothing";
  EXPECT_EQ(fixedString(w().Document.Parts[0].FileName), picture);
  EXPECT_EQ(fixedString(w().Document.Parts[1].FileName), second);
  EXPECT_EQ(part(0)->bounds(), (Bounds{40, 30, 30, 20}));
  EXPECT_EQ(part(1)->bounds(), (Bounds{40, 30, 12, 8}));
  ASSERT_EQ(reports.size(), 1);
  EXPECT_TRUE(reports[0].first.contains(path(u"broken.bmp"_qs)));
  EXPECT_TRUE(w().isModified());

  // A full table takes what fits and says nothing of the rest.
  while (w().Document.PartCount < MAX_PARTS - 1) ASSERT_TRUE(w().AddPart(pkText));
  drop(&w(), at, {picture, second});
  EXPECT_EQ(w().Document.PartCount, MAX_PARTS);
  EXPECT_EQ(fixedString(w().Document.Parts[MAX_PARTS - 1].FileName), picture);
  EXPECT_EQ(reports.size(), 1);
}

TEST_F(Unsaved, ADroppedProjectOpensAfterTheQuestion) {
  savedComposition();
  w().New();
  w().ToolButtonClick(TMain::tagAddText);
  const QPoint at = w().Canvas->mapTo(&w(), QPoint(5, 5));
  dialogs->unsavedAnswers = {Answer::Cancel};
  drop(&w(), at, {path(u"start.rpf"_qs)});
  EXPECT_EQ(w().Document.PartCount, 1);
  dialogs->unsavedAnswers = {Answer::Discard};
  drop(&w(), at, {path(u"start.rpf"_qs)});
  EXPECT_EQ(w().Document.PartCount, 2);
  EXPECT_FALSE(w().isModified());
  EXPECT_EQ(dialogs->proposedProjectName, path(u"start.rpf"_qs));
  EXPECT_EQ(dialogs->unsavedQuestions, 2);
}

}  // namespace
