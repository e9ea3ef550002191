// Arranging from the window: the edit menu's commands and their keys, the clipboard between
// windows and programs, the keys on the canvas, and what is greyed when.

#include "support/mainfixture.h"

#include "support/files.h"

#include <QApplication>
#include <QLabel>
#include <QClipboard>
#include <QMimeData>
#include <QUrl>

namespace {

class Arrange : public MainWindowTest {
protected:
  void addText(const QString& text) {
    ASSERT_TRUE(addPart(pkText));
    selectPart(document().PartCount - 1);
    typeOver(textEdit(), text);
  }
  Bounds bounds(int i) { return comp().bounds(i); }
  QTemporaryDir dir;
};

// Each paste of one copy lands 10 further on, a cut's first paste too, and a text part's string
// goes to other programs as plain text; another window pastes the same part.
TEST_F(Arrange, PastesOfOneCopyStepOnAndTravelBetweenWindows) {
  addText(u"ロゴ"_qs);
  const Bounds from = bounds(0);
  run("copyAction");
  EXPECT_EQ(QApplication::clipboard()->text(), u"ロゴ"_qs);
  run("pasteAction");
  run("pasteAction");
  EXPECT_EQ(bounds(1), (Bounds{from.left + 10, from.top + 10, from.width, from.height}));
  EXPECT_EQ(bounds(2), (Bounds{from.left + 20, from.top + 20, from.width, from.height}));
  EXPECT_EQ(comp().selection().single(), 2);

  selectPart(0);
  run("cutAction");
  EXPECT_EQ(document().PartCount, 2);
  run("pasteAction");
  EXPECT_EQ(bounds(2), (Bounds{from.left + 10, from.top + 10, from.width, from.height})) << "a cut pastes at +10 first";

  MainWindow second(std::make_unique<ScriptedDialogs>());
  auto* other = second.findChild<Composition*>(u"composition"_qs);
  second.findChild<QAction*>(u"pasteAction"_qs)->trigger();
  ASSERT_EQ(other->partCount(), 1);
  EXPECT_EQ(other->part(0).text, u"ロゴ"_qs);
  EXPECT_EQ(other->bounds(0).left, from.left + 20);
}

// From other programs: the first line of text as a text part, files as pictures at the visible
// canvas's corner with a project among them left out, all in one step.
TEST_F(Arrange, TextAndFilesFromOtherProgramsPasteAsParts) {
  QApplication::clipboard()->setText(u"Pelmora\nsecond"_qs);
  run("pasteAction");
  ASSERT_EQ(document().PartCount, 1);
  EXPECT_EQ(comp().part(0).text, u"Pelmora"_qs);

  auto* files = new QMimeData;
  files->setUrls({QUrl::fromLocalFile(savedPicture(dir, "a.bmp", {5, 3})),
                  QUrl::fromLocalFile(dir.filePath(u"p.rpf"_qs)),
                  QUrl::fromLocalFile(savedPicture(dir, "b.bmp", {2, 2}))});
  QApplication::clipboard()->setMimeData(files);
  run("pasteAction");
  ASSERT_EQ(document().PartCount, 3);
  EXPECT_EQ(bounds(1), (Bounds{0, 0, 5, 3}));
  EXPECT_EQ(bounds(2), (Bounds{0, 0, 2, 2}));
  EXPECT_EQ(action("undoAction")->text(), u"元に戻す (貼り付け)"_qs);
  run("undoAction");
  EXPECT_EQ(document().PartCount, 1);
  EXPECT_TRUE(reports.isEmpty());
}

// A clipboard that counts what is fetched from it.
class CountingMimeData : public QMimeData {
public:
  mutable int fetched = 0;

protected:
  QVariant retrieveData(const QString& type, QMetaType as) const override {
    ++fetched;
    return QMimeData::retrieveData(type, as);
  }
};

// 貼り付け is greyed by the formats the clipboard offers alone, seen again when it changes and when
// the menu opens; only a paste fetches what it holds.
TEST_F(Arrange, PasteIsGreyedByTheOfferedFormatsAndOnlyAPasteFetches) {
  QClipboard* clipboard = QApplication::clipboard();
  auto* image = new QMimeData;
  image->setImageData(QImage(2, 2, QImage::Format_RGB32));
  clipboard->setMimeData(image);
  EXPECT_FALSE(action("pasteAction")->isEnabled()) << "an image only";
  clipboard->clear();
  EXPECT_FALSE(action("pasteAction")->isEnabled()) << "nothing";

  auto* text = new CountingMimeData;
  text->setText(u"ロゴ"_qs);
  clipboard->blockSignals(true);  // as a system that does not tell of every change
  clipboard->setMimeData(text);
  clipboard->blockSignals(false);
  Q_EMIT menu("editMenu")->aboutToShow();
  EXPECT_TRUE(action("pasteAction")->isEnabled()) << "seen as the menu opens";
  addText(u"a"_qs);
  selectPart(BACKGROUND_INDEX);
  EXPECT_EQ(text->fetched, 0);
  run("pasteAction");
  EXPECT_GT(text->fetched, 0);
}

// A part copied in another editor process after a copy of this one's is the one pasted; bytes that
// are no record are refused, saying why.
TEST_F(Arrange, APartFromAnotherProcessIsPastedOrRefused) {
  addText(u"ロゴ"_qs);
  run("copyAction");
  const QByteArray foreign = comp().copySelected().at(0).bytes().replace(16, 6, QByteArray("Other", 6));
  for (const QByteArray& record : {foreign, foreign.left(100)}) {
    auto* data = new QMimeData;
    data->setData(u"application/x-pelmora-part"_qs, record);
    data->setData(u"application/x-pelmora-part-mark"_qs, "another process's copy");
    QApplication::clipboard()->setMimeData(data);
    run("pasteAction");
  }
  ASSERT_EQ(document().PartCount, 2);
  EXPECT_EQ(comp().part(1).text, u"Other"_qs);
  ASSERT_EQ(reports.size(), 1);
  EXPECT_EQ(reports[0].first,
            u"クリップボードの部品が壊れています (大きさ 100 バイト、正しくは 568 バイトの 1 から 99 倍)"_qs);
}

// The arrows nudge from the canvas, Shift ten, all one step; Delete deletes. In a field the same
// keys are the field's own.
TEST_F(Arrange, KeysOnTheCanvasNudgeAndDelete) {
  w().activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&w()));
  addText(u"x"_qs);
  const Bounds from = bounds(0);
  move(part(0), QPoint(2, 2));
  press(part(0), Qt::LeftButton, QPoint(2, 2));
  release(part(0), Qt::LeftButton, QPoint(2, 2));
  ASSERT_TRUE(canvasView()->hasFocus());
  QTest::keyClick(canvasView(), Qt::Key_Right);
  QTest::keyClick(canvasView(), Qt::Key_Down, Qt::ShiftModifier);
  QTest::keyClick(canvasView(), Qt::Key_Left, Qt::ShiftModifier);
  QTest::keyClick(canvasView(), Qt::Key_Up);
  QTest::keyClick(canvasView(), Qt::Key_Up, Qt::ShiftModifier);
  EXPECT_EQ(bounds(0), (Bounds{from.left - 9, from.top - 1, from.width, from.height}));
  run("undoAction");
  EXPECT_EQ(bounds(0), from) << "one 位置修正 step";

  textEdit()->setFocus();
  QTest::keyClick(textEdit(), Qt::Key_Delete);
  QTest::keyClick(textEdit(), Qt::Key_D, Qt::ControlModifier);
  EXPECT_EQ(document().PartCount, 1) << "Delete and Ctrl+D stay the field's";
  canvasView()->setFocus();
  QTest::keyClick(canvasView(), Qt::Key_Delete);
  EXPECT_EQ(document().PartCount, 0);
}

TEST_F(Arrange, CommandsAreGreyedWhereTheyCannotAct) {
  const auto enabled = [this](std::initializer_list<const char*> names) {
    QString on;
    for (const char* name : names) on += action(name)->isEnabled() ? u'1' : u'0';
    return on;
  };
  const auto partCommands = {"cutAction",          "copyAction",         "duplicateAction",
                             "deleteAction",       "bringForwardAction", "sendBackwardAction",
                             "bringToFrontAction", "sendToBackAction",   "alignLeftAction"};
  EXPECT_EQ(enabled(partCommands), u"000000000"_qs) << "the background is no part";
  addText(u"a"_qs);
  addText(u"b"_qs);
  EXPECT_EQ(enabled(partCommands), u"111101011"_qs) << "the top part goes no further up";
  selectPart(0);
  EXPECT_EQ(enabled(partCommands), u"111110101"_qs);
  QApplication::clipboard()->setText(u"t"_qs);
  while (comp().canAddPart()) comp().addTextPart();
  EXPECT_EQ(enabled({"pasteAction", "duplicateAction"}), u"00"_qs) << "a full table";
  run("deleteAction");
  EXPECT_EQ(enabled({"pasteAction"}), u"1"_qs);
}

// The logo goes to the clipboard as save logo writes it; with no parts, save logo's words.
TEST_F(Arrange, CopyLogoPutsTheLogoOnTheClipboard) {
  run("copyLogoAction");
  ASSERT_EQ(dialogs->messages.size(), 1);
  EXPECT_EQ(dialogs->messages[0].first, u"部品がないため、ロゴを作成しません"_qs);
  addText(u"x"_qs);
  run("copyLogoAction");
  const QImage logo = QApplication::clipboard()->image();
  EXPECT_EQ(logo.size(), QSize(200, 60));
  EXPECT_EQ(logo.convertToFormat(QImage::Format_RGB32), *comp().logoImage());
}

}  // namespace

namespace {

// The status bar says where the selection stands and which logo pixel the pointer is over, live
// during a drag and at every scale.
TEST_F(Arrange, TheStatusBarSaysWhereThingsAre) {
  auto* position = child<QLabel>("positionLabel");
  auto* pointer = child<QLabel>("pointerLabel");
  const Bounds back = comp().bounds(BACKGROUND_INDEX);
  EXPECT_EQ(position->text(), u"X %1  Y %2  W 200  H 60"_qs.arg(back.left).arg(back.top));
  addText(u"x"_qs);
  move(part(0), QPoint(2, 2));
  press(part(0), Qt::LeftButton, QPoint(2, 2));
  move(part(0), QPoint(9, 5));
  const Bounds moved = bounds(0);
  EXPECT_EQ(moved.left, 7);
  EXPECT_EQ(position->text(), u"X 7  Y 3  W %1  H %2"_qs.arg(moved.width).arg(moved.height)) << "live in a drag";
  release(part(0), Qt::LeftButton, QPoint(9, 5));

  for (const int scale : {1, 2}) {
    QTest::mouseMove(backgroundControl(), QPoint(10 * scale + scale - 1, 5 * scale));
    EXPECT_EQ(pointer->text(), u"(%1, %2)"_qs.arg(back.left + 10).arg(back.top + 5)) << scale;
    run("zoomInAction");
  }
  QEvent leave(QEvent::Leave);
  QCoreApplication::sendEvent(canvasView()->viewport(), &leave);
  EXPECT_EQ(pointer->text(), QString());
}

}  // namespace
