#include "support/mainfixture.h"

#include "model/failure.h"
#include "model/fixedstring.h"
#include "render/raster.h"
#include "ui/common/programfolders.h"
#include "ui/dialogs/qtdialogs.h"

#include <QAction>
#include <QApplication>
#include <QColorDialog>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QFileDialog>
#include <QGroupBox>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollArea>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolTip>
#include <QToolBar>

#include <algorithm>
#include <cstring>
#include <functional>

namespace {

QByteArray bytesOf(const TDocument& doc) { return QByteArray(reinterpret_cast<const char*>(&doc), sizeof doc); }

class Editor : public MainWindowTest {
protected:
  void expectNewState() {
    const QScrollArea* scroll = child<QScrollArea>("canvasScroll");
    // The background's bounds are in the block from the start: the records hold what is shown.
    TDocument expected{};
    expected.BackColor = 0xFFFFFF;
    expected.BackLeft = (scroll->width() - 200) / 2;
    expected.BackTop = (scroll->height() - 60) / 2;
    expected.BackWidth = 200;
    expected.BackHeight = 60;
    EXPECT_EQ(bytesOf(document()), bytesOf(expected));
    EXPECT_EQ(comp().selection().single(), BACKGROUND_INDEX);
    EXPECT_FALSE(comp().isModified());
    PictureControl* background = backgroundControl();
    EXPECT_EQ(background->width(), 200);
    EXPECT_EQ(background->height(), 60);
    EXPECT_EQ(background->left(), (scroll->width() - 200) / 2);
    EXPECT_EQ(background->top(), (scroll->height() - 60) / 2);
    ASSERT_EQ(background->raster().size(), QSize(200, 60));
    EXPECT_EQ(background->raster().pixel(199, 59), qRgb(255, 255, 255));
    EXPECT_EQ(background->hint(), u"背景"_qs);
    EXPECT_FALSE(textGroup()->isEnabled());
    EXPECT_FALSE(sizeGroup()->isEnabled());
    EXPECT_TRUE(nudgeGroup()->isEnabled());
    EXPECT_EQ(textEdit()->text(), QString());
    EXPECT_EQ(widthEdit()->text(), QString());
    EXPECT_EQ(heightEdit()->text(), QString());
    EXPECT_EQ(fillColourPanel()->colour(), 0xFFFFFFu);
    for (int i = 0; i < MAX_PARTS; ++i) EXPECT_EQ(part(i), nullptr);
  }

  // A background picture loaded as the user loads one.
  void loadBackgroundPicture(int width, int height) {
    const QString path = pictures.filePath(QStringLiteral("background.bmp"));
    ASSERT_TRUE(makeWhiteRaster(width, height).save(path, "BMP"));
    dialogs->picturesToOpen.push_back(path);
    run("backgroundPictureAction");
    ASSERT_NE(document().BackFile[0], '\0');
  }

  QTemporaryDir pictures;
};

TEST_F(Editor, StartsAsNewLeavesIt) {
  EXPECT_EQ(w().windowTitle(), QStringLiteral("Pelmora"));
  EXPECT_EQ(w().size(), QSize(480, 365));
  EXPECT_EQ(w().minimumSize(), QSize(480, 300));
  EXPECT_EQ(w().statusBar()->height(), 19);
  EXPECT_EQ(toolBar()->iconSize(), QSize(16, 16));
  expectNewState();
}

TEST_F(Editor, NewRestoresAMovedResizedPictureBackground) {
  run("addTextAction");
  loadBackgroundPicture(640, 480);
  comp().setBounds(BACKGROUND_INDEX, {-20, 7, 640, 480});
  selectPart(0);
  action("newAction")->trigger();
  expectNewState();
}

TEST_F(Editor, MenusHaveTheirCaptionsInOrder) {
  QStringList titles;
  for (QAction* a : w().menuBar()->actions()) titles << a->text();
  EXPECT_EQ(titles,
            (QStringList{u" ﾌｧｲﾙ "_qs, u" 編集 "_qs, u" 表示 "_qs, u" 追加 "_qs, u" 背景 "_qs, u" ﾊﾞｰｼﾞｮﾝ "_qs}));
  const std::pair<const char*, QStringList> menus[] = {
      {"fileMenu",
       {u"新規作成"_qs, u"ﾌﾟﾛｼﾞｪｸﾄを開く"_qs, u"ﾌﾟﾛｼﾞｪｸﾄを保存"_qs, u"-"_qs, u"ﾛｺﾞを保存"_qs, u"-"_qs,
        u"最近使ったﾌﾟﾛｼﾞｪｸﾄ"_qs, u"-"_qs, u"終了"_qs}},
      {"recentMenu", {u"-"_qs, u"一覧を消去"_qs}},
      {"editMenu",
       {u"元に戻す"_qs, u"やり直し"_qs, u"-"_qs, u"切り取り"_qs, u"ｺﾋﾟｰ"_qs, u"貼り付け"_qs, u"複製"_qs, u"削除"_qs,
        u"すべて選択"_qs, u"-"_qs, u"前面へ"_qs, u"背面へ"_qs, u"最前面へ"_qs, u"最背面へ"_qs, u"整列"_qs, u"-"_qs,
        u"ﾛｺﾞをｺﾋﾟｰ"_qs}},
      {"alignMenu",
       {u"左揃え"_qs, u"左右中央"_qs, u"右揃え"_qs, u"上揃え"_qs, u"上下中央"_qs, u"下揃え"_qs, u"-"_qs,
        u"左右に等間隔"_qs, u"上下に等間隔"_qs, u"-"_qs, u"背景に揃える"_qs, u"選択範囲に揃える"_qs}},
      {"viewMenu", {u"ﾂｰﾙﾊﾞｰ"_qs, u"部品ﾘｽﾄ"_qs, u"ｽﾅｯﾌﾟ"_qs, u"-"_qs, u"拡大"_qs, u"縮小"_qs, u"等倍"_qs}},
      {"addMenu", {u"文字"_qs, u"画像"_qs}},
      {"backgroundMenu", {u"画像読み込み"_qs, u"塗り潰し"_qs, u"-"_qs, u"移動禁止"_qs, u"ｻｲｽﾞ変更禁止"_qs}},
      {"versionMenu", {u"ﾍﾙﾌﾟ"_qs, u"-"_qs, u"ﾊﾞｰｼﾞｮﾝ情報"_qs}},
  };
  for (const auto& [name, items] : menus) {
    QStringList shown;
    for (QAction* a : menu(name)->actions()) shown << (a->isSeparator() ? u"-"_qs : a->text());
    EXPECT_EQ(shown, items) << name;
  }
  const std::pair<const char*, const char*> keys[] = {
      {"cutAction", "Ctrl+X"},
      {"copyAction", "Ctrl+C"},
      {"pasteAction", "Ctrl+V"},
      {"duplicateAction", "Ctrl+D"},
      {"deleteAction", "Del"},
      {"selectAllAction", "Ctrl+A"},
      {"bringForwardAction", "Ctrl+]"},
      {"sendBackwardAction", "Ctrl+["},
      {"bringToFrontAction", "Ctrl+Shift+]"},
      {"sendToBackAction", "Ctrl+Shift+["},
      {"copyLogoAction", "Ctrl+Shift+C"},
  };
  for (const auto& [name, key] : keys) EXPECT_EQ(action(name)->shortcut().toString(), QLatin1String(key)) << name;
  QStringList hints;
  for (QAction* a : toolBar()->actions()) hints << (a->isSeparator() ? u"-"_qs : a->toolTip());
  EXPECT_EQ(hints, (QStringList{u"新規作成"_qs, u"ﾌﾟﾛｼﾞｪｸﾄを開く"_qs, u"ﾌﾟﾛｼﾞｪｸﾄを保存"_qs, u"ﾛｺﾞを保存"_qs, u"-"_qs,
                                u"部品ﾘｽﾄ"_qs, u"-"_qs, u"文字を追加"_qs, u"画像を追加"_qs, u"-"_qs,
                                u"背景に画像読み込み"_qs, u"背景の塗り潰し"_qs, u"-"_qs, u"ﾍﾙﾌﾟ"_qs, u"-"_qs}));
}

// Ctrl+Z typed in the string field takes back the composition's step, not the field's own typing,
// and the edit menu names the step it would take back.
TEST_F(Editor, TheHistoryKeysInAFieldReachTheComposition) {
  run("addTextAction");
  selectPart(0);
  textEdit()->setFocus();
  QTest::keyClicks(textEdit(), u"ab"_qs);
  EXPECT_EQ(action("undoAction")->text(), u"元に戻す (文字列)"_qs);
  QTest::keyClick(textEdit(), Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(textEdit()->text(), u"No Title"_qs);
  EXPECT_EQ(action("undoAction")->text(), u"元に戻す (文字を追加)"_qs);
  QTest::keyClick(textEdit(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_EQ(textEdit()->text(), u"No Titleab"_qs);
  EXPECT_FALSE(action("redoAction")->isEnabled());
  EXPECT_EQ(action("redoAction")->text(), u"やり直し"_qs);
}

// The shadow boxes are combo boxes, which have the focus themselves: Ctrl+Z and Ctrl+Y typed
// there reach the composition too. Every field's right-button menu offers the window's undo and
// redo instead of its own. Leaving a field ends its run of typing.
TEST_F(Editor, EveryFieldGivesTheHistoryToTheWindow) {
  w().activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&w()));
  run("addTextAction");
  selectPart(0);
  // Two runs of typing in the string field, with the field left between them: two steps.
  textEdit()->setFocus();
  QTest::keyClicks(textEdit(), u"ab"_qs);
  shadowXBox()->setFocus();
  textEdit()->setFocus();
  QTest::keyClicks(textEdit(), u"cd"_qs);
  run("undoAction");
  EXPECT_EQ(comp().part(0).text, u"No Titleab"_qs);

  const struct {
    QComboBox* box;
    const char *step, *stepBefore;
  } boxes[] = {{shadowXBox(), "影の横位置", "文字列"}, {shadowYBox(), "影の縦位置", "影の横位置"}};
  for (const auto& [box, step, stepBefore] : boxes) {
    SCOPED_TRACE(step);
    box->setFocus();  // the box itself has the focus, and is asked about the keys first
    ASSERT_EQ(QApplication::focusWidget(), box);
    box->lineEdit()->selectAll();
    QTest::keyClicks(box, u"9"_qs);
    EXPECT_EQ(action("undoAction")->text(), u"元に戻す (%1)"_qs.arg(QString::fromUtf8(step)));
    QTest::keyClick(box, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(box->currentText(), u"0"_qs);
    EXPECT_EQ(action("undoAction")->text(), u"元に戻す (%1)"_qs.arg(QString::fromUtf8(stepBefore)));
    QTest::keyClick(box, Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(box->currentText(), u"9"_qs);
  }
  EXPECT_EQ(comp().part(0).shadowX, 9);
  EXPECT_EQ(comp().part(0).shadowY, 9);

  for (QLineEdit* field : {textEdit(), shadowXBox()->lineEdit(), widthEdit()}) {
    QStringList offered;
    QTimer::singleShot(0, [&] {
      auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
      ASSERT_NE(menu, nullptr);
      for (QAction* a : menu->actions()) {
        if (a == action("undoAction") || a == action("redoAction"))
          offered << u"window's "_qs + a->text();
        else if (a->objectName().startsWith(u"edit-undo"_qs) || a->objectName().startsWith(u"edit-redo"_qs) ||
                 a->text().startsWith(QCoreApplication::translate("QLineEdit", "&Undo")) ||
                 a->text().startsWith(QCoreApplication::translate("QLineEdit", "&Redo")))
          offered << u"the field's own "_qs + a->text();
      }
      menu->close();
    });
    QContextMenuEvent menuEvent(QContextMenuEvent::Mouse, QPoint(2, 2), field->mapToGlobal(QPoint(2, 2)));
    QCoreApplication::sendEvent(field, &menuEvent);
    EXPECT_EQ(offered, (QStringList{u"window's 元に戻す (影の縦位置)"_qs, u"window's やり直し"_qs}))
        << field->objectName().toStdString();
  }
}

// Escape during a drag, and Ctrl+Z, put the part back where the press found it and leave the
// history as it was; the pointer moves nothing more until the next press.
TEST_F(Editor, EscapeOrCtrlZCallsADragOff) {
  w().activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&w()));
  run("addTextAction");
  PictureControl* t = part(0);
  const Bounds found = t->bounds();
  for (const QKeyCombination key : {QKeyCombination(Qt::Key_Escape), Qt::ControlModifier | Qt::Key_Z}) {
    move(t, QPoint(3, 3));  // the hover arms the drag the press starts
    press(t, Qt::LeftButton, QPoint(3, 3));
    move(t, QPoint(23, 13));
    ASSERT_EQ(t->left(), found.left + 20);
    EXPECT_EQ(action("undoAction")->text(), u"元に戻す (移動)"_qs);
    QTest::keyClick(canvasView(), key.key(), key.keyboardModifiers());
    EXPECT_EQ(t->bounds(), found);
    EXPECT_EQ(action("undoAction")->text(), u"元に戻す (文字を追加)"_qs);
    EXPECT_EQ(canvasView()->pointerDrag().mode(), 0) << "the pointer's drag is over before the release";
    move(t, QPoint(40, 20));
    release(t, Qt::LeftButton, QPoint(40, 20));
    EXPECT_EQ(t->bounds(), found);
    EXPECT_EQ(canvasView()->pointerDrag().mode(), 0);
  }
}

// With another window active, as the parts list is while the user works beside it, resting the
// pointer on a toolbar button still shows its hint.
TEST_F(Editor, HintsShowWhileAnotherWindowIsActive) {
  QWidget other;
  other.show();
  QApplication::setActiveWindow(&other);
  ASSERT_FALSE(window->isActiveWindow());
  QToolButton* button = toolButton("addTextAction");
  QTest::mouseMove(button, button->rect().center());
  QTest::qWait(300);
  EXPECT_TRUE(QToolTip::isVisible());
  EXPECT_EQ(QToolTip::text(), u"文字を追加"_qs);
}

TEST_F(Editor, MenuTitlesDoNothing) {
  run("addTextAction");
  const QByteArray before = bytesOf(document());
  for (QMenu* menu : {menu("fileMenu"), menu("viewMenu"), menu("addMenu"), menu("backgroundMenu"), menu("versionMenu")})
    menu->menuAction()->trigger();
  EXPECT_EQ(bytesOf(document()), before);
  EXPECT_EQ(dialogs->colourRequests, 0);
  EXPECT_TRUE(w().isVisible());
}

TEST_F(Editor, ToolbarToggleFollowsTheCheckMark) {
  ASSERT_TRUE(action("toolbarAction")->isChecked());
  action("toolbarAction")->trigger();
  EXPECT_FALSE(action("toolbarAction")->isChecked());
  EXPECT_FALSE(toolBar()->isVisible());
  action("toolbarAction")->trigger();
  EXPECT_TRUE(action("toolbarAction")->isChecked());
  EXPECT_TRUE(toolBar()->isVisible());
}

TEST_F(Editor, LockTogglesInvertTheirMarks) {
  EXPECT_FALSE(action("noMoveAction")->isChecked());
  EXPECT_FALSE(action("noResizeAction")->isChecked());
  action("noMoveAction")->trigger();
  action("noResizeAction")->trigger();
  EXPECT_TRUE(action("noMoveAction")->isChecked());
  EXPECT_TRUE(action("noResizeAction")->isChecked());
}

TEST_F(Editor, BackgroundFillForgetsThePictureAndKeepsTheBounds) {
  loadBackgroundPicture(30, 20);
  comp().setBounds(BACKGROUND_INDEX, {5, 6, 300, 90});
  dialogs->colours.push_back(0x0000FF);  // red
  action("backgroundFillAction")->trigger();
  EXPECT_EQ(QByteArray(document().BackFile, 256), QByteArray(256, '\0'));
  EXPECT_EQ(document().BackColor, 0x0000FFu);
  EXPECT_EQ(backgroundControl()->bounds(), (Bounds{5, 6, 300, 90}));
  ASSERT_EQ(backgroundControl()->raster().size(), QSize(300, 90));
  EXPECT_EQ(backgroundControl()->raster().pixel(299, 89), qRgb(255, 0, 0));

  dialogs->colours.push_back(std::nullopt);  // cancelled: nothing changes
  action("backgroundFillAction")->trigger();
  EXPECT_EQ(document().BackColor, 0x0000FFu);
}

TEST_F(Editor, AddTextPartsUpToNinetyNine) {
  for (int i = 0; i < MAX_PARTS; ++i) ASSERT_TRUE(addPart(pkText));
  PictureControl* first = part(0);
  EXPECT_EQ(first->left(), 0);
  EXPECT_EQ(first->top(), 0);
  EXPECT_EQ(first->hint(), QStringLiteral("No Title"));
  EXPECT_TRUE(first->transparent());
  EXPECT_GT(first->width(), 0);

  dialogs->picturesToOpen.push_back(QStringLiteral("/nonexistent.bmp"));
  EXPECT_FALSE(addPart(pkText));
  run("addPictureAction");
  EXPECT_EQ(document().PartCount, 99);
  EXPECT_EQ(dialogs->picturesToOpen.size(), 1u) << "no dialog when the table is full";
  EXPECT_TRUE(reports.isEmpty());
}

TEST_F(Editor, FailuresInEventsReachTheReportWithAFullStop) {
  struct Thrower : QObject {
    bool event(QEvent*) override { throw Failure(QStringLiteral("ファイル x は開けません")); }
  } thrower;
  QEvent event(QEvent::User);
  QCoreApplication::sendEvent(&thrower, &event);
  ASSERT_EQ(reports.size(), 1);
  EXPECT_EQ(reports[0].first, QStringLiteral("ファイル x は開けません."));
  EXPECT_EQ(reports[0].second, QStringLiteral("Pelmora"));
  EXPECT_EQ(reportText(u"done."_qs), u"done."_qs);
  EXPECT_EQ(reportText(u"a-"_qs), u"a-"_qs);
  EXPECT_EQ(reportText(QString()), QString());
}

TEST(Dialogs, QtsOwnLabelsAreJapanese) {
  EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), u"キャンセル"_qs);
}

TEST(Dialogs, ColourChooserOpensOnTheLastConfirmedColour) {
  QWidget owner;
  QtDialogs real(&owner);
  QColor seenAtOpen;
  QTimer::singleShot(0, [&] {
    seenAtOpen = real.colourDialog->currentColor();
    real.colourDialog->setCurrentColor(QColor(0, 128, 255));
    real.colourDialog->accept();
  });
  EXPECT_EQ(real.chooseColour(), std::optional<Colour>(0xFF8000));
  EXPECT_EQ(seenAtOpen, QColor(Qt::black));
  QTimer::singleShot(0, [&] {
    seenAtOpen = real.colourDialog->currentColor();
    real.colourDialog->reject();
  });
  EXPECT_EQ(real.chooseColour(), std::nullopt);
  EXPECT_EQ(seenAtOpen, QColor(0, 128, 255));
}

// The questions about unsaved work and about work left by a window that is gone: their words,
// their buttons from left to right, the default, and each answer, Escape and Enter included.
TEST(Dialogs, QuestionsAreAskedWithThreeAnswersInOrder) {
  QWidget owner;
  QtDialogs real(&owner);
  const struct {
    std::function<int()> ask;
    QString text;
    QStringList buttons;
  } questions[] = {
      {[&] { return static_cast<int>(real.askToSaveChanges()); },
       u"変更を保存しますか?"_qs,
       {u"保存"_qs, u"保存しない"_qs, u"キャンセル"_qs}},
      {[&] { return static_cast<int>(real.askToRestore(u"ﾌﾟﾛｼﾞｪｸﾄ: 無題"_qs)); },
       u"前回保存されなかった作業があります\n\nﾌﾟﾛｼﾞｪｸﾄ: 無題"_qs,
       {u"復元"_qs, u"破棄"_qs, u"後で"_qs}},
  };
  // Both enums list their answers in the buttons' order.
  static_assert(static_cast<int>(Dialogs::UnsavedChanges::Cancel) == 2);
  static_assert(static_cast<int>(Dialogs::LeftWorkAnswer::Later) == 2);
  for (const auto& question : questions) {
    for (const int pick : {0, 1, 2, -1, -2}) {  // -1: Escape, -2: Enter
      QString text;
      QStringList shown;
      QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) return;
        text = box->windowTitle() + u'|' + box->text();
        QList<QAbstractButton*> buttons = box->buttons();
        std::sort(buttons.begin(), buttons.end(),
                  [](QAbstractButton* a, QAbstractButton* b) { return a->x() < b->x(); });
        for (QAbstractButton* b : buttons) shown << b->text();
        if (pick >= 0) return buttons[pick]->click();
        QTest::keyClick(box, pick == -1 ? Qt::Key_Escape : Qt::Key_Return);
      });
      EXPECT_EQ(question.ask(), pick == -1 ? 2 : std::max(pick, 0)) << pick;
      EXPECT_EQ(text, u"Pelmora|"_qs + question.text);
      EXPECT_EQ(shown, question.buttons);
    }
  }
}

TEST(Dialogs, FiltersKeepTheirCaptionsAndSplitPatterns) {
  EXPECT_EQ(fileDialogFilters(u"画像ﾌｧｲﾙ (*.jpg;*.jpeg;*.bmp)|*.jpg;*.jpeg;*.bmp|ﾋﾞｯﾄﾏｯﾌﾟ (*.bmp)|*.bmp"_qs),
            (QStringList{u"画像ﾌｧｲﾙ (*.jpg;*.jpeg;*.bmp) (*.jpg *.jpeg *.bmp)"_qs, u"ﾋﾞｯﾄﾏｯﾌﾟ (*.bmp) (*.bmp)"_qs}));
  QWidget owner;
  QtDialogs real(&owner);
  EXPECT_EQ(real.openProjectDialog->windowTitle(), u"ﾌﾟﾛｼﾞｪｸﾄを開く"_qs);
  EXPECT_EQ(real.saveProjectDialog->defaultSuffix(), u"rpf"_qs);
  EXPECT_EQ(real.savePictureDialog->defaultSuffix(), u"bmp"_qs);
  EXPECT_EQ(real.openPictureDialog->windowTitle(), u"画像の読み込み"_qs);
  EXPECT_EQ(real.savePictureDialog->windowTitle(), u"画像を保存"_qs);
  for (QFileDialog* opening : {real.openProjectDialog, real.saveProjectDialog, real.openPictureDialog})
    EXPECT_EQ(opening->directory(), QDir(firstDialogFolder())) << opening->windowTitle().toStdString();
}

}  // namespace
