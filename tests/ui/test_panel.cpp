#include "support/mainfixture.h"

#include "model/fixedstring.h"
#include "ui/main/colourpanel.h"

#include <QCheckBox>
#include <QKeyEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QToolButton>

namespace {

class Panel : public MainWindowTest {
protected:
  // Adds a text part and selects it as a press on it would.
  TPartData& selectedTextPart() {
    EXPECT_TRUE(w().AddPart(pkText));
    const int i = w().Document.PartCount - 1;
    w().SelectPart(i);
    return w().Document.Parts[i];
  }

  // Keyboard input of any text, as an input method delivers it (QTest's key clicks are ASCII only).
  static void typeText(QWidget* target, const QString& text) {
    QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, text);
    QCoreApplication::sendEvent(target, &press);
  }

  void typeInto(QComboBox* box, const QString& text) {
    box->lineEdit()->clear();
    QTest::keyClicks(box->lineEdit(), text);
  }
};

TEST_F(Panel, TheControlsStandWhereTheWindowDescriptionPutsThem) {
  EXPECT_EQ(w().FGB->geometry(), QRect(8, 8, 309, 121));
  EXPECT_EQ(w().BGB->geometry(), QRect(324, 8, 141, 45));
  EXPECT_EQ(w().MGB->geometry(), QRect(324, 56, 141, 73));
  EXPECT_EQ(w().FStr->geometry(), QRect(60, 16, 241, 21));
  EXPECT_EQ(w().ItemX->maxLength(), 4);
  EXPECT_EQ(w().FShaX->lineEdit()->maxLength(), 3);
  ASSERT_EQ(w().FShaX->count(), 61);
  EXPECT_EQ(w().FShaX->itemText(0), u"-30"_qs);
  EXPECT_EQ(w().FShaY->itemText(60), u"30"_qs);
  EXPECT_EQ(w().SpeedButton2->text(), u"↑"_qs);
  EXPECT_EQ(w().FGB->title(), u"文字設定"_qs);
}

TEST_F(Panel, NudgesMoveTheBackgroundRightAfterNew) {
  const Bounds b = w().Image->bounds();
  w().SpeedButton2->click();
  w().SpeedButton5->click();
  w().SpeedButton5->click();
  EXPECT_EQ(w().Image->bounds(), (Bounds{b.left + 2, b.top - 1, b.width, b.height}));
  w().SpeedButton3->click();
  w().SpeedButton4->click();
  EXPECT_EQ(w().Image->bounds(), (Bounds{b.left + 1, b.top, b.width, b.height}));
}

TEST_F(Panel, NudgesWorkWhileTheTextSettingsAreDisabledAndLeaveTheRecord) {
  TPartData& r = selectedTextPart();
  w().SpeedButton5->click();
  EXPECT_EQ(part(0)->left(), 1);
  EXPECT_EQ(r.Left, 0) << "bounds reach the record only at save or delete";
}

TEST_F(Panel, SizeEditsReadTypedNumbers) {
  w().ImageMouseDown(w().Image, Qt::LeftButton, {50, 30});
  ASSERT_TRUE(w().BGB->isEnabled());
  struct {
    const char16_t* text;
    int width;
  } cases[] = {{u"", 10}, {u"0", 0}, {u"$1F", 31}, {u"12a", 10}, {u"250", 250}, {u"-5", -5}};
  for (auto& c : cases) {
    w().ItemX->setText(QString::fromUtf16(c.text));
    EXPECT_EQ(w().Image->width(), c.width) << QString::fromUtf16(c.text).toStdString();
  }
  w().ItemY->clear();
  QTest::keyClicks(w().ItemY, u"77"_qs);
  EXPECT_EQ(w().Image->height(), 77);
}

TEST_F(Panel, ShadowBoxesClampAndShowTheClampedValue) {
  TPartData& r = selectedTextPart();
  const int width0 = part(0)->width();
  typeInto(w().FShaX, u"45"_qs);
  EXPECT_EQ(w().FShaX->currentText(), u"30"_qs);
  EXPECT_EQ(r.ShadowX, 30);
  EXPECT_EQ(part(0)->width(), width0 + 30) << "rendered again";
  typeInto(w().FShaY, u"-"_qs);
  EXPECT_EQ(w().FShaY->currentText(), u"0"_qs);
  EXPECT_EQ(r.ShadowY, 0);
  // Typed key by key, "-99" reads "-" (0), "09" and "99": a pasted text arrives whole.
  typeInto(w().FShaY, u"-99"_qs);
  EXPECT_EQ(r.ShadowY, 30);
  w().FShaY->lineEdit()->setText(u"-99"_qs);
  Q_EMIT w().FShaY->lineEdit()->textEdited(u"-99"_qs);
  EXPECT_EQ(w().FShaY->currentText(), u"-30"_qs);
  EXPECT_EQ(r.ShadowY, -30);
  w().FShaX->setCurrentIndex(0);
  Q_EMIT w().FShaX->activated(0);
  EXPECT_EQ(r.ShadowX, -30);
}

TEST_F(Panel, StringEditsWriteTheRecordAndTheHint) {
  TPartData& r = selectedTextPart();
  w().FStr->clear();
  typeText(w().FStr, u"ロゴ"_qs);
  EXPECT_EQ(fixedString(r.Text), u"ロゴ"_qs);
  EXPECT_EQ(part(0)->hint(), u"ロゴ"_qs);

  typeText(w().FStr, u"☃"_qs);  // not in the code page: refused, nothing changes
  EXPECT_EQ(w().FStr->text(), u"ロゴ"_qs);

  w().FStr->setText(QString(300, u'字'));  // 600 bytes: cut on a character boundary
  EXPECT_EQ(w().FStr->text(), QString(127, u'字'));
  EXPECT_EQ(fixedBytes(r.Text).size(), 254);
}

TEST_F(Panel, FillCheckBoxSwitchesSeeThrough) {
  TPartData& r = selectedTextPart();
  ASSERT_TRUE(part(0)->transparent());
  w().FBfl->click();
  EXPECT_EQ(r.FillOn, 1);
  EXPECT_FALSE(part(0)->transparent());
  w().FBfl->click();
  EXPECT_EQ(r.FillOn, 0);
  EXPECT_TRUE(part(0)->transparent());
}

TEST_F(Panel, ColourPanelsAskTheChooserAndCancelChangesNothing) {
  TPartData& r = selectedTextPart();
  dialogs->colours = {0x0000FF, std::nullopt, 0x00FF00};
  Q_EMIT w().FCol->clicked(w().FCol);
  EXPECT_EQ(r.TextColor, 0x0000FFu);
  EXPECT_EQ(w().FCol->colour(), 0x0000FFu);
  Q_EMIT w().FBac->clicked(w().FBac);
  EXPECT_EQ(r.FillColor, 0xFFFFFFu);
  Q_EMIT w().FShaC->clicked(w().FShaC);
  EXPECT_EQ(r.ShadowColor, 0x00FF00u);
  // A red text shows red pixels in the control's raster.
  bool red = false;
  for (int x = 0; x < part(0)->width() && !red; ++x)
    for (int y = 0; y < part(0)->height() && !red; ++y) red = part(0)->raster().pixel(x, y) == qRgb(255, 0, 0);
  EXPECT_TRUE(red);
}

TEST_F(Panel, FontButtonStoresFaceSizeAndStyle) {
  TPartData& r = selectedTextPart();
  dialogs->fonts = {FontChoice{u"IPAGothic"_qs, 20, fsBold | fsItalic}, std::nullopt};
  const int height0 = part(0)->height();
  w().SpeedButton1->click();
  EXPECT_EQ(fixedString(r.FontName), u"IPAGothic"_qs);
  EXPECT_EQ(r.FontSize, 20);
  EXPECT_EQ(r.FontStyle, fsBold | fsItalic);
  EXPECT_GT(part(0)->height(), height0);
  w().SpeedButton1->click();  // cancelled
  EXPECT_EQ(r.FontSize, 20);
}

TEST_F(Panel, HandlersDoNothingWhileTheirGroupIsDisabled) {
  ASSERT_TRUE(w().AddPart(pkText));
  const TPartData before = w().Document.Parts[0];
  w().Tag = 0;  // selected, but the panel was never enabled for it
  w().FStr->setText(u"changed"_qs);
  w().FBfl->setChecked(true);
  const Bounds b = w().Image->bounds();
  w().ItemX->setText(u"5"_qs);
  EXPECT_EQ(std::memcmp(&w().Document.Parts[0], &before, sizeof before), 0);
  EXPECT_EQ(w().Image->bounds(), b);
}

}  // namespace
