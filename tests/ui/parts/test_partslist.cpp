#include "support/mainfixture.h"

#include "model/failure.h"
#include "ui/parts/partslistwindow.h"
#include "ui/version/versiondialog.h"

#include <QAction>
#include <QCursor>
#include <QGroupBox>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QStatusBar>
#include <QTableWidget>
#include <QTemporaryDir>

#include <cstring>

namespace {

class PartsList : public MainWindowTest {
protected:
  template <typename T>
  T* listChild(const char* name) {
    T* found = partsList()->findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(found, nullptr) << name;
    return found;
  }
  QTableWidget* table() { return listChild<QTableWidget>("partsTable"); }

  // A readable picture file of the given size in the test's own folder.
  QString writePicture(const QString& name, int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    const QString path = dir.filePath(name);
    EXPECT_TRUE(image.save(path, "BMP"));
    return path;
  }

  void addPicture(const QString& path) {
    dialogs->picturesToOpen.push_back(path);
    ASSERT_TRUE(addPart(pkPicture));
  }

  // Text, picture, text: the mix every listing test needs.
  void addThreeParts() {
    ASSERT_TRUE(addPart(pkText));
    addPicture(writePicture(QStringLiteral("logo.bmp"), 30, 20));
    ASSERT_TRUE(addPart(pkText));
  }

  void open() {
    action("partsListAction")->trigger();
    ASSERT_NE(partsList(), nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(partsList()));
  }

  QStringList row(int r) {
    QStringList cells;
    for (int c = 0; c < table()->columnCount(); ++c) cells << table()->item(r, c)->text();
    return cells;
  }

  void clickRow(int r) {
    const QRect cell = table()->visualItemRect(table()->item(r, 1));
    QTest::mouseClick(table()->viewport(), Qt::LeftButton, {}, cell.center());
  }

  void clickBelowRows() {
    QTest::mouseClick(table()->viewport(), Qt::LeftButton, {}, QPoint(10, table()->viewport()->height() - 3));
  }

  // Lets the windows that closed themselves be freed.
  static void settle() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

  QTemporaryDir dir;
};

TEST_F(PartsList, IsAToolWindowCentredOverTheMainWindow) {
  w().move(120, 80);
  open();
  EXPECT_EQ(partsList()->windowTitle(), u"部品ﾘｽﾄ"_qs);
  EXPECT_TRUE(partsList()->isWindow());
  EXPECT_FALSE(partsList()->isModal());
  EXPECT_EQ(partsList()->parentWidget(), &w());
  EXPECT_EQ(partsList()->frameGeometry().size(), QSize(228, 308));
  EXPECT_EQ(partsList()->frameGeometry().topLeft(), centredOver(w().frameGeometry(), QSize(228, 308)));
  w().move(300, 200);
  action("partsListAction")->trigger();
  EXPECT_NE(partsList()->frameGeometry().topLeft(), centredOver(w().frameGeometry(), QSize(228, 308)))
      << "centred when made, not each time it is raised";
  const std::tuple<const char*, const char16_t*, int, QColor> buttons[] = {{"refreshButton", u"ﾘｽﾄ更新", 4, Qt::blue},
                                                                           {"deleteButton", u"削除", 76, Qt::magenta},
                                                                           {"closeButton", u"閉じる", 148, Qt::red}};
  for (const auto& [name, text, left, colour] : buttons) {
    const QPushButton* b = listChild<QPushButton>(name);
    EXPECT_EQ(b->text(), QString::fromUtf16(text));
    EXPECT_EQ(b->geometry(), QRect(left, 4, 69, 25)) << name;
    EXPECT_EQ(b->palette().color(QPalette::ButtonText), colour) << name;
  }
  EXPECT_EQ((QList{table()->columnWidth(0), table()->columnWidth(1), table()->columnWidth(2)}), (QList{26, 36, 138}));
  EXPECT_EQ(listChild<QWidget>("buttonPanel")->height(), 32);
  // List, panel, status bar from top to bottom, filling the window.
  EXPECT_EQ(table()->geometry().bottom() + 1, listChild<QWidget>("buttonPanel")->y());
  EXPECT_EQ(listChild<QWidget>("buttonPanel")->geometry().bottom() + 1, listChild<QStatusBar>("statusStrip")->y());
  EXPECT_EQ(listChild<QStatusBar>("statusStrip")->geometry().bottom() + 1, partsList()->height());
}

TEST_F(PartsList, ListsEveryPartWithItsKindAndName) {
  addThreeParts();
  open();
  ASSERT_EQ(table()->rowCount(), 3);
  EXPECT_EQ(row(0), (QStringList{u"0"_qs, u"文字"_qs, u"No Title"_qs}));
  EXPECT_EQ(row(1), (QStringList{u"1"_qs, u"画像"_qs, u"logo.bmp"_qs}));
  EXPECT_EQ(row(2), (QStringList{u"2"_qs, u"文字"_qs, u"No Title"_qs}));
  EXPECT_EQ(partsList()->selectedRow(), -1);
}

TEST_F(PartsList, FollowsAddedPartsButNotRefusedOnes) {
  open();
  ASSERT_TRUE(addPart(pkText));
  ASSERT_EQ(table()->rowCount(), 1);
  EXPECT_EQ(row(0), (QStringList{u"0"_qs, u"文字"_qs, u"No Title"_qs}));

  EXPECT_FALSE(addPart(pkPicture)) << "the picture dialog is cancelled";
  dialogs->picturesToOpen.push_back(dir.filePath(u"missing.bmp"_qs));
  EXPECT_FALSE(addPart(pkPicture));
  EXPECT_EQ(reports.size(), 1);
  EXPECT_EQ(table()->rowCount(), 1);

  addPicture(writePicture(u"b.bmp"_qs, 4, 4));
  ASSERT_EQ(table()->rowCount(), 2);
  EXPECT_EQ(row(1), (QStringList{u"1"_qs, u"画像"_qs, u"b.bmp"_qs}));
}

// Picked from the list with the pointer last over a part, the part is selected, not dragged: a
// nudge past the view's edge grows the canvas at once.
TEST_F(PartsList, APartPickedFromTheListAndNudgedGrowsTheCanvasAtOnce) {
  addPicture(writePicture(u"a.bmp"_qs, 30, 20));
  comp().setBounds(0, {600, 0, 30, 20});
  ASSERT_EQ(canvas()->width(), 630);
  open();
  move(part(0), {15, 10});
  clickRow(0);
  ASSERT_EQ(comp().selection().single(), 0);
  nudgeRightButton()->click();
  nudgeRightButton()->click();
  EXPECT_EQ(part(0)->left(), 602);
  EXPECT_EQ(canvas()->width(), 632);
}

TEST_F(PartsList, ClickingSelectsThePartAndEmptySpaceResetsThePanel) {
  addThreeParts();
  open();
  // A drag armed on the background's right edge; the click on empty rows puts the panel back as
  // it was and leaves the drag in force.
  PictureControl* back = backgroundControl();
  move(back, {back->width() - 1, 30});
  press(back, Qt::LeftButton, {back->width() - 1, 30});
  clickBelowRows();
  ASSERT_EQ(canvasView()->pointerDrag().mode(), PointerDrag::RightEdgeDrag);

  clickRow(1);
  EXPECT_EQ(comp().selection().single(), 1);
  EXPECT_FALSE(textGroup()->isEnabled());
  EXPECT_TRUE(sizeGroup()->isEnabled());
  EXPECT_EQ(widthEdit()->text(), u"30"_qs);
  EXPECT_EQ(heightEdit()->text(), u"20"_qs);
  EXPECT_EQ(canvasView()->pointerDrag().mode(), 0);

  clickRow(2);
  EXPECT_EQ(comp().selection().single(), 2);
  EXPECT_TRUE(textGroup()->isEnabled());
  EXPECT_FALSE(sizeGroup()->isEnabled());
  EXPECT_EQ(widthEdit()->text(), u"51"_qs) << "No Title at 9 points";
  EXPECT_EQ(heightEdit()->text(), u"13"_qs);

  clickBelowRows();
  EXPECT_EQ(partsList()->selectedRow(), -1);
  EXPECT_EQ(comp().selection().single(), BACKGROUND_INDEX);
  EXPECT_FALSE(textGroup()->isEnabled());
  EXPECT_FALSE(sizeGroup()->isEnabled());
  EXPECT_EQ(widthEdit()->text(), QString());
  EXPECT_EQ(heightEdit()->text(), QString());
}

// The keys choose a row as a click does, so 削除 takes the part the panel shows; Tab leaves the
// rows for the buttons.
TEST_F(PartsList, KeysChooseRowsAsClicksDo) {
  addThreeParts();
  open();
  clickRow(1);
  table()->setFocus();
  QTest::keyClick(table(), Qt::Key_Down);
  QCoreApplication::processEvents();
  EXPECT_EQ(comp().selection().single(), 2);
  EXPECT_TRUE(textGroup()->isEnabled()) << "row 2 is the text part";
  QTest::keyClick(table(), Qt::Key_PageUp);
  QCoreApplication::processEvents();
  EXPECT_EQ(comp().selection().single(), 0);
  // The main window's すべて選択 reaches its tool windows too.
  QTest::keyClick(table(), Qt::Key_A, Qt::ControlModifier);
  QCoreApplication::processEvents();
  EXPECT_EQ(comp().selection().parts(), (std::vector<int>{0, 1, 2}));
  QTest::keyClick(table(), Qt::Key_Tab);
  EXPECT_EQ(partsList()->focusWidget(), listChild<QPushButton>("refreshButton"));
}

TEST_F(PartsList, DoubleClickPutsThePointerOnThePartsCentre) {
  addThreeParts();
  open();
  // A drag can leave a control with a negative size: the halves round toward zero.
  comp().setBounds(1, {-7, 5, -5, 9});
  QCursor::setPos(0, 0);
  clickBelowRows();
  QTest::mouseDClick(table()->viewport(), Qt::LeftButton, {}, QPoint(10, table()->viewport()->height() - 3));
  EXPECT_EQ(QCursor::pos(), QPoint(0, 0)) << "nothing chosen, nothing to point at";

  // A double click is a click, then the second press.
  comp().setBounds(0, {20, 30, 10, 6});
  for (const auto& [row, centre] : {std::pair{1, QPoint(-9, 9)}, std::pair{0, QPoint(25, 33)}}) {
    clickRow(row);
    QTest::mouseDClick(table()->viewport(), Qt::LeftButton, {},
                       table()->visualItemRect(table()->item(row, 0)).center());
    EXPECT_EQ(QCursor::pos(), canvas()->mapToGlobal(centre)) << row;
  }
}

TEST_F(PartsList, DeletingRemovesTheSelectedPartAndRefills) {
  addThreeParts();
  open();
  clickRow(1);
  QTest::mouseClick(listChild<QPushButton>("deleteButton"), Qt::LeftButton);

  EXPECT_EQ(document().PartCount, 2);
  EXPECT_EQ(document().Parts[1].Index, 1);
  EXPECT_EQ(document().Parts[1].Kind, pkText);
  TPartData zero{};
  EXPECT_EQ(std::memcmp(&document().Parts[2], &zero, sizeof zero), 0);
  ASSERT_EQ(table()->rowCount(), 2);
  EXPECT_EQ(row(0), (QStringList{u"0"_qs, u"文字"_qs, u"No Title"_qs}));
  EXPECT_EQ(row(1), (QStringList{u"1"_qs, u"文字"_qs, u"No Title"_qs}));
  EXPECT_EQ(partsList()->selectedRow(), -1);
  EXPECT_EQ(comp().selection().single(), BACKGROUND_INDEX);
  EXPECT_EQ(part(2), nullptr);
  EXPECT_TRUE(reports.isEmpty());
}

TEST_F(PartsList, DeletingWithNothingSelectedDoesNothing) {
  addThreeParts();
  open();
  table()->item(0, 2)->setText(u"stale"_qs);  // a refill would overwrite this
  const QByteArray before(reinterpret_cast<const char*>(&document()), sizeof document());
  QTest::mouseClick(listChild<QPushButton>("deleteButton"), Qt::LeftButton);
  EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(&document()), sizeof document()), before);
  EXPECT_EQ(table()->item(0, 2)->text(), u"stale"_qs);
  EXPECT_EQ(table()->rowCount(), 3);
}

// A deletion reads no file again: a picture whose file has gone since still shows and is listed.
TEST_F(PartsList, RefillsAfterADeleteEvenWhenAPictureFileHasGone) {
  addThreeParts();
  open();
  ASSERT_TRUE(QFile::remove(dir.filePath(u"logo.bmp"_qs)));
  clickRow(0);
  listChild<QPushButton>("deleteButton")->click();
  EXPECT_TRUE(reports.isEmpty());
  EXPECT_FALSE(part(0)->raster().isNull());
  EXPECT_EQ(document().PartCount, 2);
  ASSERT_EQ(table()->rowCount(), 2);
  EXPECT_EQ(row(0), (QStringList{u"0"_qs, u"画像"_qs, u"logo.bmp"_qs}));
}

TEST_F(PartsList, RefreshButtonAndCommandRefillAndChooseTheSelectedPartsRowsAgain) {
  addThreeParts();
  open();
  PartsListWindow* first = partsList();
  clickRow(2);
  table()->item(0, 2)->setText(u"stale"_qs);
  QTest::mouseClick(listChild<QPushButton>("refreshButton"), Qt::LeftButton);
  EXPECT_EQ(table()->item(0, 2)->text(), u"No Title"_qs);

  clickRow(2);
  run("partsListAction");
  EXPECT_EQ(partsList(), first);
  EXPECT_EQ(table()->rowCount(), 3);
  EXPECT_EQ(partsList()->selectedRows(), std::vector<int>{2});
}

TEST_F(PartsList, EscapeClosesAndTheNextOpenIsANewCentredWindow) {
  open();
  QPointer<PartsListWindow> first = partsList();
  QTest::keyClick(table(), Qt::Key_Down);
  EXPECT_EQ(partsList(), first) << "other keys pass on";
  QTest::keyClick(table(), Qt::Key_Escape);
  EXPECT_EQ(partsList(), nullptr);
  settle();
  EXPECT_TRUE(first.isNull());

  w().move(40, 30);
  open();
  EXPECT_EQ(partsList()->frameGeometry().topLeft(), centredOver(w().frameGeometry(), QSize(228, 308)));
  EXPECT_EQ(table()->rowCount(), 0);
}

TEST_F(PartsList, EveryWayOfClosingLeavesNoOpenList) {
  open();
  QTest::mouseClick(listChild<QPushButton>("closeButton"), Qt::LeftButton);
  EXPECT_EQ(partsList(), nullptr);

  open();
  action("newAction")->trigger();  // New
  EXPECT_EQ(partsList(), nullptr);

  dialogs->projectsToSave = dialogs->projectsToOpen = {dir.filePath(u"p.rpf"_qs)};
  run("saveProjectAction");
  open();
  run("openProjectAction");
  EXPECT_EQ(partsList(), nullptr);

  open();
  QPointer<PartsListWindow> last = partsList();
  // Closing the editor with unsaved work, answered キャンセル, keeps the list with it.
  run("addTextAction");
  dialogs->unsavedAnswers = {Dialogs::UnsavedChanges::Cancel};
  w().close();
  settle();
  ASSERT_TRUE(w().isVisible());
  ASSERT_FALSE(last.isNull());
  EXPECT_EQ(partsList(), last.data());
  w().close();  // answered 保存しない
  EXPECT_EQ(partsList(), nullptr);
  settle();
  EXPECT_TRUE(last.isNull());
}

}  // namespace
