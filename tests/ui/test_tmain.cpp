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

void expectNewState(TMain& w) {
  TDocument expected{};
  expected.BackColor = 0xFFFFFF;
  EXPECT_EQ(bytesOf(w.Document), bytesOf(expected));
  EXPECT_EQ(w.Tag, BACKGROUND_TAG);
  EXPECT_EQ(w.Image->width(), 200);
  EXPECT_EQ(w.Image->height(), 60);
  EXPECT_EQ(w.Image->left(), (w.SB->width() - 200) / 2);
  EXPECT_EQ(w.Image->top(), (w.SB->height() - 60) / 2);
  ASSERT_EQ(w.Image->raster().size(), QSize(200, 60));
  EXPECT_EQ(w.Image->raster().pixel(199, 59), qRgb(255, 255, 255));
  EXPECT_FALSE(w.FGB->isEnabled());
  EXPECT_FALSE(w.BGB->isEnabled());
  EXPECT_TRUE(w.MGB->isEnabled());
  EXPECT_EQ(w.FStr->text(), QString());
  EXPECT_EQ(w.ItemX->text(), QString());
  EXPECT_EQ(w.ItemY->text(), QString());
  for (PictureControl* c : w.PartImages) EXPECT_EQ(c, nullptr);
}

using MainWindow = MainWindowTest;

TEST_F(MainWindow, StartsAsNewLeavesIt) {
  EXPECT_EQ(w().windowTitle(), QStringLiteral("Pelmora"));
  EXPECT_EQ(w().size(), QSize(480, 365));
  EXPECT_EQ(w().minimumSize(), QSize(480, 300));
  expectNewState(w());
}

TEST_F(MainWindow, NewRestoresAMovedResizedPictureBackground) {
  w().ToolButtonClick(TMain::tagAddText);
  w().Image->setBounds({-20, 7, 640, 480});
  w().Image->setRaster(makeWhiteRaster(640, 480));
  storeFixedString(w().Document.BackFile, u"/tmp/x.bmp");
  w().Tag = 0;
  w().MM1_1->trigger();
  expectNewState(w());
}

TEST_F(MainWindow, MenusHaveTheirCaptionsInOrder) {
  QStringList titles;
  for (QAction* a : w().MM->actions()) titles << a->text();
  EXPECT_EQ(titles, (QStringList{u" ﾌｧｲﾙ "_qs, u" 表示 "_qs, u" 追加 "_qs, u" 背景 "_qs, u" ﾊﾞｰｼﾞｮﾝ "_qs}));
  QStringList file;
  for (QAction* a : w().MM1->actions()) file << (a->isSeparator() ? u"-"_qs : a->text());
  EXPECT_EQ(file, (QStringList{u"新規作成"_qs, u"ﾌﾟﾛｼﾞｪｸﾄを開く"_qs, u"ﾌﾟﾛｼﾞｪｸﾄを保存"_qs, u"-"_qs, u"ﾛｺﾞを保存"_qs,
                               u"-"_qs, u"終了"_qs}));
  QStringList hints;
  for (QAction* a : w().TB->actions()) hints << (a->isSeparator() ? u"-"_qs : a->toolTip());
  EXPECT_EQ(hints, (QStringList{u"新規作成"_qs, u"ﾌﾟﾛｼﾞｪｸﾄを開く"_qs, u"ﾌﾟﾛｼﾞｪｸﾄを保存"_qs, u"ﾛｺﾞを保存"_qs, u"-"_qs,
                                u"部品ﾘｽﾄ"_qs, u"-"_qs, u"文字を追加"_qs, u"画像を追加"_qs, u"-"_qs,
                                u"背景に画像読み込み"_qs, u"背景の塗り潰し"_qs, u"-"_qs, u"ﾍﾙﾌﾟ"_qs, u"-"_qs}));
}

TEST_F(MainWindow, MenuTitlesDoNothing) {
  w().ToolButtonClick(TMain::tagAddText);
  const QByteArray before = bytesOf(w().Document);
  for (QMenu* menu : {w().MM1, w().MM2, w().MM3, w().MM4, w().MM5}) w().MenuItemClick(menu->menuAction());
  EXPECT_EQ(bytesOf(w().Document), before);
  EXPECT_EQ(dialogs->colourRequests, 0);
  EXPECT_TRUE(w().isVisible());
}

TEST_F(MainWindow, ToolbarToggleFollowsTheCheckMark) {
  ASSERT_TRUE(w().MM2_1->isChecked());
  w().MM2_1->trigger();
  EXPECT_FALSE(w().MM2_1->isChecked());
  EXPECT_FALSE(w().TB->isVisible());
  w().MM2_1->trigger();
  EXPECT_TRUE(w().MM2_1->isChecked());
  EXPECT_TRUE(w().TB->isVisible());
}

TEST_F(MainWindow, LockTogglesInvertTheirMarks) {
  EXPECT_FALSE(w().MM4_3->isChecked());
  EXPECT_FALSE(w().MM4_4->isChecked());
  w().MM4_3->trigger();
  w().MM4_4->trigger();
  EXPECT_TRUE(w().MM4_3->isChecked());
  EXPECT_TRUE(w().MM4_4->isChecked());
}

TEST_F(MainWindow, BackgroundFillForgetsThePictureAndKeepsTheBounds) {
  std::memset(w().Document.BackFile, 'q', sizeof w().Document.BackFile);
  w().Image->setBounds({5, 6, 300, 90});
  dialogs->colours.push_back(0x0000FF);  // red
  w().MM4_2->trigger();
  EXPECT_EQ(QByteArray(w().Document.BackFile, 256), QByteArray(256, '\0'));
  EXPECT_EQ(w().Document.BackColor, 0x0000FFu);
  EXPECT_EQ(w().Image->bounds(), (Bounds{5, 6, 300, 90}));
  ASSERT_EQ(w().Image->raster().size(), QSize(300, 90));
  EXPECT_EQ(w().Image->raster().pixel(299, 89), qRgb(255, 0, 0));

  dialogs->colours.push_back(std::nullopt);  // cancelled: nothing changes
  w().MM4_2->trigger();
  EXPECT_EQ(w().Document.BackColor, 0x0000FFu);
}

TEST_F(MainWindow, AddTextPartsUpToNinetyNine) {
  for (int i = 0; i < MAX_PARTS; ++i) ASSERT_TRUE(w().AddPart(pkText));
  PictureControl* first = part(0);
  EXPECT_EQ(first->left(), 0);
  EXPECT_EQ(first->top(), 0);
  EXPECT_EQ(first->hint(), QStringLiteral("No Title"));
  EXPECT_TRUE(first->transparent());
  EXPECT_GT(first->width(), 0);

  dialogs->picturesToOpen.push_back(QStringLiteral("/nonexistent.bmp"));
  EXPECT_FALSE(w().AddPart(pkText));
  w().ToolButtonClick(TMain::tagAddPicture);
  EXPECT_EQ(w().Document.PartCount, 99);
  EXPECT_EQ(dialogs->picturesToOpen.size(), 1u) << "no dialog when the table is full";
  EXPECT_TRUE(reports.isEmpty());
}

TEST_F(MainWindow, FailuresInEventsReachTheReportWithAFullStop) {
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
    seenAtOpen = real.CD->currentColor();
    real.CD->setCurrentColor(QColor(0, 128, 255));
    real.CD->accept();
  });
  EXPECT_EQ(real.chooseColour(), std::optional<Colour>(0xFF8000));
  EXPECT_EQ(seenAtOpen, QColor(Qt::black));
  QTimer::singleShot(0, [&] {
    seenAtOpen = real.CD->currentColor();
    real.CD->reject();
  });
  EXPECT_EQ(real.chooseColour(), std::nullopt);
  EXPECT_EQ(seenAtOpen, QColor(0, 128, 255));
}

TEST(Dialogs, FiltersKeepTheirCaptionsAndSplitPatterns) {
  EXPECT_EQ(fileDialogFilters(u"画像ﾌｧｲﾙ (*.jpg;*.jpeg;*.bmp)|*.jpg;*.jpeg;*.bmp|ﾋﾞｯﾄﾏｯﾌﾟ (*.bmp)|*.bmp"_qs),
            (QStringList{u"画像ﾌｧｲﾙ (*.jpg;*.jpeg;*.bmp) (*.jpg *.jpeg *.bmp)"_qs, u"ﾋﾞｯﾄﾏｯﾌﾟ (*.bmp) (*.bmp)"_qs}));
  QWidget owner;
  QtDialogs real(&owner);
  EXPECT_EQ(real.OD->windowTitle(), u"ﾌﾟﾛｼﾞｪｸﾄを開く"_qs);
  EXPECT_EQ(real.SD->defaultSuffix(), u"rpf"_qs);
  EXPECT_EQ(real.SPD->defaultSuffix(), u"bmp"_qs);
  EXPECT_EQ(real.OPD->windowTitle(), u"画像の読み込み"_qs);
  EXPECT_EQ(real.SPD->windowTitle(), u"画像を保存"_qs);
}

}  // namespace
