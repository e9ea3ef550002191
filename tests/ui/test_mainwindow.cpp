#include "support/mainfixture.h"

#include "model/failure.h"
#include "model/fixedstring.h"
#include "render/raster.h"
#include "ui/main/qtdialogs.h"

#include <QAction>
#include <QColorDialog>
#include <QFileDialog>
#include <QGroupBox>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QScrollArea>
#include <QTimer>
#include <QToolBar>

#include <cstring>

namespace {

QByteArray bytesOf(const TDocument& doc) { return QByteArray(reinterpret_cast<const char*>(&doc), sizeof doc); }

void expectNewState(MainWindow& w) {
  TDocument expected{};
  expected.BackColor = 0xFFFFFF;
  EXPECT_EQ(bytesOf(w.Document), bytesOf(expected));
  EXPECT_EQ(w.selection, BACKGROUND_TAG);
  EXPECT_EQ(w.backgroundControl->width(), 200);
  EXPECT_EQ(w.backgroundControl->height(), 60);
  EXPECT_EQ(w.backgroundControl->left(), (w.canvasScroll->width() - 200) / 2);
  EXPECT_EQ(w.backgroundControl->top(), (w.canvasScroll->height() - 60) / 2);
  ASSERT_EQ(w.backgroundControl->raster().size(), QSize(200, 60));
  EXPECT_EQ(w.backgroundControl->raster().pixel(199, 59), qRgb(255, 255, 255));
  EXPECT_FALSE(w.textGroup->isEnabled());
  EXPECT_FALSE(w.sizeGroup->isEnabled());
  EXPECT_TRUE(w.nudgeGroup->isEnabled());
  EXPECT_EQ(w.textEdit->text(), QString());
  EXPECT_EQ(w.widthEdit->text(), QString());
  EXPECT_EQ(w.heightEdit->text(), QString());
  for (PictureControl* c : w.partControls) EXPECT_EQ(c, nullptr);
}

using Editor = MainWindowTest;

TEST_F(Editor, StartsAsNewLeavesIt) {
  EXPECT_EQ(w().windowTitle(), QStringLiteral("Pelmora"));
  EXPECT_EQ(w().size(), QSize(480, 365));
  EXPECT_EQ(w().minimumSize(), QSize(480, 300));
  expectNewState(w());
}

TEST_F(Editor, NewRestoresAMovedResizedPictureBackground) {
  w().runCommand(MainWindow::tagAddText);
  w().backgroundControl->setBounds({-20, 7, 640, 480});
  w().backgroundControl->setRaster(makeWhiteRaster(640, 480));
  storeFixedString(w().Document.BackFile, u"/tmp/x.bmp");
  w().selection = 0;
  w().newAction->trigger();
  expectNewState(w());
}

TEST_F(Editor, MenusHaveTheirCaptionsInOrder) {
  QStringList titles;
  for (QAction* a : w().mainMenu->actions()) titles << a->text();
  EXPECT_EQ(titles, (QStringList{u" ﾌｧｲﾙ "_qs, u" 表示 "_qs, u" 追加 "_qs, u" 背景 "_qs, u" ﾊﾞｰｼﾞｮﾝ "_qs}));
  QStringList file;
  for (QAction* a : w().fileMenu->actions()) file << (a->isSeparator() ? u"-"_qs : a->text());
  EXPECT_EQ(file, (QStringList{u"新規作成"_qs, u"ﾌﾟﾛｼﾞｪｸﾄを開く"_qs, u"ﾌﾟﾛｼﾞｪｸﾄを保存"_qs, u"-"_qs, u"ﾛｺﾞを保存"_qs,
                               u"-"_qs, u"終了"_qs}));
  QStringList hints;
  for (QAction* a : w().mainToolBar->actions()) hints << (a->isSeparator() ? u"-"_qs : a->toolTip());
  EXPECT_EQ(hints, (QStringList{u"新規作成"_qs, u"ﾌﾟﾛｼﾞｪｸﾄを開く"_qs, u"ﾌﾟﾛｼﾞｪｸﾄを保存"_qs, u"ﾛｺﾞを保存"_qs, u"-"_qs,
                                u"部品ﾘｽﾄ"_qs, u"-"_qs, u"文字を追加"_qs, u"画像を追加"_qs, u"-"_qs,
                                u"背景に画像読み込み"_qs, u"背景の塗り潰し"_qs, u"-"_qs, u"ﾍﾙﾌﾟ"_qs, u"-"_qs}));
}

TEST_F(Editor, MenuTitlesDoNothing) {
  w().runCommand(MainWindow::tagAddText);
  const QByteArray before = bytesOf(w().Document);
  for (QMenu* menu : {w().fileMenu, w().viewMenu, w().addMenu, w().backgroundMenu, w().versionMenu})
    w().menuItemClicked(menu->menuAction());
  EXPECT_EQ(bytesOf(w().Document), before);
  EXPECT_EQ(dialogs->colourRequests, 0);
  EXPECT_TRUE(w().isVisible());
}

TEST_F(Editor, ToolbarToggleFollowsTheCheckMark) {
  ASSERT_TRUE(w().toolbarAction->isChecked());
  w().toolbarAction->trigger();
  EXPECT_FALSE(w().toolbarAction->isChecked());
  EXPECT_FALSE(w().mainToolBar->isVisible());
  w().toolbarAction->trigger();
  EXPECT_TRUE(w().toolbarAction->isChecked());
  EXPECT_TRUE(w().mainToolBar->isVisible());
}

TEST_F(Editor, LockTogglesInvertTheirMarks) {
  EXPECT_FALSE(w().noMoveAction->isChecked());
  EXPECT_FALSE(w().noResizeAction->isChecked());
  w().noMoveAction->trigger();
  w().noResizeAction->trigger();
  EXPECT_TRUE(w().noMoveAction->isChecked());
  EXPECT_TRUE(w().noResizeAction->isChecked());
}

TEST_F(Editor, BackgroundFillForgetsThePictureAndKeepsTheBounds) {
  std::memset(w().Document.BackFile, 'q', sizeof w().Document.BackFile);
  w().backgroundControl->setBounds({5, 6, 300, 90});
  dialogs->colours.push_back(0x0000FF);  // red
  w().backgroundFillAction->trigger();
  EXPECT_EQ(QByteArray(w().Document.BackFile, 256), QByteArray(256, '\0'));
  EXPECT_EQ(w().Document.BackColor, 0x0000FFu);
  EXPECT_EQ(w().backgroundControl->bounds(), (Bounds{5, 6, 300, 90}));
  ASSERT_EQ(w().backgroundControl->raster().size(), QSize(300, 90));
  EXPECT_EQ(w().backgroundControl->raster().pixel(299, 89), qRgb(255, 0, 0));

  dialogs->colours.push_back(std::nullopt);  // cancelled: nothing changes
  w().backgroundFillAction->trigger();
  EXPECT_EQ(w().Document.BackColor, 0x0000FFu);
}

TEST_F(Editor, AddTextPartsUpToNinetyNine) {
  for (int i = 0; i < MAX_PARTS; ++i) ASSERT_TRUE(w().addPart(pkText));
  PictureControl* first = part(0);
  EXPECT_EQ(first->left(), 0);
  EXPECT_EQ(first->top(), 0);
  EXPECT_EQ(first->hint(), QStringLiteral("No Title"));
  EXPECT_TRUE(first->transparent());
  EXPECT_GT(first->width(), 0);

  dialogs->picturesToOpen.push_back(QStringLiteral("/nonexistent.bmp"));
  EXPECT_FALSE(w().addPart(pkText));
  w().runCommand(MainWindow::tagAddPicture);
  EXPECT_EQ(w().Document.PartCount, 99);
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
}

}  // namespace
