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
      ASSERT_NE(versionDialog(), nullptr);
      ASSERT_TRUE(QTest::qWaitForWindowExposed(versionDialog()));
      whileOpen();
    });
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [this] {
      if (versionDialog()) versionDialog()->reject();
    });
    guard.start(5000);
    action("versionAction")->trigger();
    EXPECT_TRUE(ran);
    EXPECT_TRUE(guard.isActive()) << "the window did not close by itself";
    EXPECT_EQ(versionDialog(), nullptr);
  }
};

TEST_F(Version, ShowsTheProgramsDetailsModally) {
  openVersion([this] {
    EXPECT_TRUE(versionDialog()->isModal());
    EXPECT_EQ(versionDialog()->windowTitle(), u"ﾊﾞｰｼﾞｮﾝ情報"_qs);
    EXPECT_EQ(versionDialog()->size(), QSize(281, 119));
    EXPECT_EQ(versionDialog()->minimumSize(), versionDialog()->maximumSize());
    const Qt::WindowFlags flags = versionDialog()->windowFlags();
    EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(flags &
                 (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint | Qt::WindowContextHelpButtonHint));

    const std::pair<QLabel*, QString> labels[] = {
        {versionDialog()->findChild<QLabel*>(u"nameLabel"_qs), u"Pelmora"_qs},
        {versionDialog()->findChild<QLabel*>(u"versionLabel"_qs), u"Version 1.00"_qs},
        {versionDialog()->findChild<QLabel*>(u"mailLabel"_qs), u"E-Mail : pelmora@example.org"_qs},
        {versionDialog()->findChild<QLabel*>(u"urlLabel"_qs), u"URL : https://pelmora.example.org/"_qs},
        {versionDialog()->findChild<QLabel*>(u"iconCreditLabel"_qs),
         u"アイコンは Pelmora 開発チームが作成しました。"_qs},
        {versionDialog()->findChild<QLabel*>(u"iconUrlLabel"_qs), u"URL:https://pelmora.example.org/icons/"_qs},
    };
    const QPoint places[] = {{52, 8}, {52, 28}, {8, 48}, {8, 64}, {16, 88}, {16, 104}};
    for (int i = 0; i < 6; ++i) {
      EXPECT_EQ(labels[i].first->text(), labels[i].second);
      EXPECT_EQ(labels[i].first->pos(), places[i]) << labels[i].second.toStdString();
    }
    EXPECT_EQ(versionDialog()->findChild<QFrame*>(u"iconFrame"_qs)->geometry(), QRect(8, 8, 33, 33));
    EXPECT_EQ(versionDialog()->findChild<QLabel*>(u"iconLabel"_qs)->geometry(), QRect(0, 0, 32, 32));
    EXPECT_EQ(versionDialog()->findChild<QLabel*>(u"iconLabel"_qs)->pixmap().size(), QSize(32, 32));
    EXPECT_EQ(versionDialog()->findChild<QFrame*>(u"separatorLine"_qs)->geometry(), QRect(8, 80, 265, 2));
    EXPECT_EQ(versionDialog()->findChild<QPushButton*>(u"okButton"_qs)->geometry(), QRect(204, 12, 67, 21));
    EXPECT_EQ(versionDialog()->findChild<QPushButton*>(u"okButton"_qs)->text(), u"OK"_qs);
    EXPECT_EQ(QApplication::focusWidget(), versionDialog()->findChild<QPushButton*>(u"okButton"_qs));
    QTest::keyClick(versionDialog()->findChild<QPushButton*>(u"okButton"_qs), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), versionDialog()->findChild<QPushButton*>(u"okButton"_qs))
        << "the button is the only stop";
    QTest::keyClick(versionDialog()->findChild<QPushButton*>(u"okButton"_qs), Qt::Key_Escape);
  });
}

TEST_F(Version, EveryOpeningIsANewWindow) {
  QPointer<VersionDialog> first;
  openVersion([&, this] {
    first = versionDialog();
    QTest::keyClick(versionDialog()->findChild<QPushButton*>(u"okButton"_qs), Qt::Key_Return);
  });
  EXPECT_TRUE(first.isNull()) << "freed on close";
  openVersion([&, this] {
    EXPECT_TRUE(first.isNull());
    QTest::keyClick(versionDialog()->findChild<QPushButton*>(u"okButton"_qs), Qt::Key_Space);
  });
  openVersion([this] { versionDialog()->close(); });
}

TEST_F(Version, SitsCentredOverTheMainWindowButNeverOffTheOrigin) {
  w().move(100, 50);
  openVersion([this] {
    const QRect main = w().frameGeometry();
    const QRect own = versionDialog()->frameGeometry();
    EXPECT_EQ(own.topLeft(),
              QPoint(main.left() + (main.width() - own.width()) / 2, main.top() + (main.height() - own.height()) / 2));
    QTest::keyClick(versionDialog()->findChild<QPushButton*>(u"okButton"_qs), Qt::Key_Escape);
  });
  w().move(-400, -300);
  openVersion([this] {
    EXPECT_EQ(versionDialog()->frameGeometry().topLeft(), QPoint(0, 0));
    QTest::keyClick(versionDialog()->findChild<QPushButton*>(u"okButton"_qs), Qt::Key_Escape);
  });
}

TEST(Placement, HalvesRoundTowardZero) {
  // An odd difference, positive and negative.
  EXPECT_EQ(centredOver(QRect(10, 10, 100, 20), QSize(51, 25)), QPoint(34, 8));
  EXPECT_EQ(centredOver(QRect(-10, 5, 100, 20), QSize(281, 119)), QPoint(0, 0));
}

}  // namespace
