// GCC's optimiser reports a false "maybe uninitialized" in the scripted dialogs' queue reader
// when it inlines it into this file.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#include "support/mainfixture.h"
#pragma GCC diagnostic pop

#include "ui/version/versiondialog.h"

#include <QAction>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTimer>

#include <functional>

namespace {

class Version : public MainWindowTest {
protected:
  // Opens the window through its menu item; `whileOpen` runs inside the modal loop and must
  // close it. Should it not, the window is closed anyway so the test fails instead of hanging.
  void openVersion(std::function<void()> whileOpen) {
    bool ran = false;
    QTimer::singleShot(0, [&] {
      ran = true;
      ASSERT_NE(Vers, nullptr);
      ASSERT_TRUE(QTest::qWaitForWindowExposed(Vers));
      whileOpen();
    });
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [] {
      if (Vers) Vers->reject();
    });
    guard.start(5000);
    w().versionAction->trigger();
    EXPECT_TRUE(ran);
    EXPECT_TRUE(guard.isActive()) << "the window did not close by itself";
    EXPECT_EQ(Vers, nullptr);
  }
};

TEST_F(Version, ShowsTheProgramsDetailsModally) {
  openVersion([] {
    EXPECT_TRUE(Vers->isModal());
    EXPECT_EQ(Vers->windowTitle(), u"ﾊﾞｰｼﾞｮﾝ情報"_qs);
    EXPECT_EQ(Vers->size(), QSize(281, 119));
    EXPECT_EQ(Vers->minimumSize(), Vers->maximumSize());
    const Qt::WindowFlags flags = Vers->windowFlags();
    EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(flags & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint |
                          Qt::WindowContextHelpButtonHint));

    const std::pair<QLabel*, QString> labels[] = {
        {Vers->nameLabel, u"Pelmora"_qs},
        {Vers->versionLabel, u"Version 1.00"_qs},
        {Vers->mailLabel, u"E-Mail : pelmora@example.org"_qs},
        {Vers->urlLabel, u"URL : https://pelmora.example.org/"_qs},
        {Vers->iconCreditLabel, u"アイコンは Pelmora 開発チームが作成しました。"_qs},
        {Vers->iconUrlLabel, u"URL:https://pelmora.example.org/icons/"_qs},
    };
    const QPoint places[] = {{52, 8}, {52, 28}, {8, 48}, {8, 64}, {16, 88}, {16, 104}};
    for (int i = 0; i < 6; ++i) {
      EXPECT_EQ(labels[i].first->text(), labels[i].second);
      EXPECT_EQ(labels[i].first->pos(), places[i]) << labels[i].second.toStdString();
    }
    EXPECT_EQ(Vers->iconFrame->geometry(), QRect(8, 8, 33, 33));
    EXPECT_EQ(Vers->iconLabel->geometry(), QRect(0, 0, 32, 32));
    EXPECT_EQ(Vers->iconLabel->pixmap().size(), QSize(32, 32));
    EXPECT_EQ(Vers->separatorLine->geometry(), QRect(8, 80, 265, 2));
    EXPECT_EQ(Vers->okButton->geometry(), QRect(204, 12, 67, 21));
    EXPECT_EQ(Vers->okButton->text(), u"OK"_qs);
    EXPECT_EQ(QApplication::focusWidget(), Vers->okButton);
    QTest::keyClick(Vers->okButton, Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), Vers->okButton) << "the button is the only stop";
    QTest::keyClick(Vers->okButton, Qt::Key_Escape);
  });
}

TEST_F(Version, EveryOpeningIsANewWindow) {
  QPointer<VersionDialog> first;
  openVersion([&] {
    first = Vers;
    QTest::keyClick(Vers->okButton, Qt::Key_Return);
  });
  EXPECT_TRUE(first.isNull()) << "freed on close";
  openVersion([&] {
    EXPECT_TRUE(first.isNull());
    QTest::keyClick(Vers->okButton, Qt::Key_Space);
  });
  openVersion([] { Vers->close(); });
}

TEST_F(Version, SitsCentredOverTheMainWindowButNeverOffTheOrigin) {
  w().move(100, 50);
  openVersion([this] {
    const QRect main = w().frameGeometry();
    const QRect own = Vers->frameGeometry();
    EXPECT_EQ(own.topLeft(), QPoint(main.left() + (main.width() - own.width()) / 2,
                                    main.top() + (main.height() - own.height()) / 2));
    QTest::keyClick(Vers->okButton, Qt::Key_Escape);
  });
  w().move(-400, -300);
  openVersion([] {
    EXPECT_EQ(Vers->frameGeometry().topLeft(), QPoint(0, 0));
    QTest::keyClick(Vers->okButton, Qt::Key_Escape);
  });
}

TEST(Placement, HalvesRoundTowardZero) {
  // An odd difference, positive and negative.
  EXPECT_EQ(centredOver(QRect(10, 10, 100, 20), QSize(51, 25)), QPoint(34, 8));
  EXPECT_EQ(centredOver(QRect(-10, 5, 100, 20), QSize(281, 119)), QPoint(0, 0));
}

}  // namespace
