#include "support/files.h"
#include "support/mainfixture.h"

#include "model/fixedstring.h"
#include "model/projectfile.h"
#include "render/raster.h"
#include "ui/panel/colourpanel.h"
#include "ui/panel/propertypanel.h"

#include <QCheckBox>
#include <QKeyEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QToolButton>
#include <QWheelEvent>

#include <cstring>

namespace {

class Panel : public MainWindowTest {
protected:
  // Adds a text part and selects it as a press on it would.
  const TPartData& selectedTextPart() {
    EXPECT_TRUE(addPart(pkText));
    const int i = document().PartCount - 1;
    selectPart(i);
    return document().Parts[i];
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
  EXPECT_EQ(textGroup()->geometry(), QRect(8, 8, 309, 121));
  EXPECT_EQ(sizeGroup()->geometry(), QRect(324, 8, 141, 45));
  EXPECT_EQ(nudgeGroup()->geometry(), QRect(324, 56, 141, 73));
  EXPECT_EQ(textEdit()->geometry(), QRect(60, 16, 241, 21));
  ASSERT_EQ(shadowXBox()->count(), 61);
  EXPECT_EQ(shadowXBox()->itemText(0), u"-30"_qs);
  EXPECT_EQ(shadowYBox()->itemText(60), u"30"_qs);
  EXPECT_EQ(nudgeUpButton()->text(), u"↑"_qs);
  EXPECT_EQ(textGroup()->title(), u"文字設定"_qs);
  EXPECT_EQ(child<PropertyPanel>("propertyPanel")->height(), 140);
  QStringList labels;
  for (const QLabel* l : child<PropertyPanel>("propertyPanel")->findChildren<QLabel*>()) labels << l->text();
  EXPECT_EQ(labels, (QStringList{u"文字列："_qs, u"文字色："_qs, u"背景色："_qs, u"色："_qs, u"横位置："_qs,
                                 u"縦位置："_qs, u"横："_qs, u"縦："_qs}));
}

// Right after New the background is selected, though the panel shows nothing.
TEST_F(Panel, NudgesMoveTheSelectionAPixelAndTheRecordWithIt) {
  const Bounds b = backgroundControl()->bounds();
  nudgeUpButton()->click();
  nudgeRightButton()->click();
  nudgeRightButton()->click();
  EXPECT_EQ(backgroundControl()->bounds(), (Bounds{b.left + 2, b.top - 1, b.width, b.height}));
  nudgeDownButton()->click();
  nudgeLeftButton()->click();
  EXPECT_EQ(backgroundControl()->bounds(), (Bounds{b.left + 1, b.top, b.width, b.height}));
  const TPartData& r = selectedTextPart();
  nudgeRightButton()->click();
  EXPECT_EQ(part(0)->left(), 1);
  EXPECT_EQ(r.Left, 1);
}

TEST_F(Panel, SizeEditsReadTypedNumbers) {
  press(backgroundControl(), Qt::LeftButton, {50, 30});
  ASSERT_TRUE(sizeGroup()->isEnabled());
  struct {
    const char16_t* text;
    int width;
  } cases[] = {{u"", 10}, {u"0", 0}, {u"$1F", 31}, {u"12a", 10}, {u"250", 250}, {u"-5", -5}};
  for (auto& c : cases) {
    widthEdit()->selectAll();
    QTest::keyClick(widthEdit(), Qt::Key_Backspace);
    QTest::keyClicks(widthEdit(), QString::fromUtf16(c.text));
    EXPECT_EQ(backgroundControl()->width(), c.width) << QString::fromUtf16(c.text).toStdString();
  }
  heightEdit()->clear();
  QTest::keyClicks(heightEdit(), u"77"_qs);
  EXPECT_EQ(backgroundControl()->height(), 77);
}

TEST_F(Panel, ShadowBoxesClampAndShowTheClampedValue) {
  const TPartData& r = selectedTextPart();
  const int width0 = part(0)->width();
  typeInto(shadowXBox(), u"45"_qs);
  EXPECT_EQ(shadowXBox()->currentText(), u"30"_qs);
  EXPECT_EQ(r.ShadowX, 30);
  EXPECT_EQ(part(0)->width(), width0 + 30) << "rendered again";
  typeInto(shadowYBox(), u"-"_qs);
  EXPECT_EQ(shadowYBox()->currentText(), u"0"_qs);
  EXPECT_EQ(r.ShadowY, 0);
  // Typed key by key, "-99" reads "-" (0), "09" and "99": a pasted text arrives whole.
  typeInto(shadowYBox(), u"-99"_qs);
  EXPECT_EQ(r.ShadowY, 30);
  shadowYBox()->lineEdit()->setText(u"-99"_qs);
  Q_EMIT shadowYBox()->lineEdit()->textEdited(u"-99"_qs);
  EXPECT_EQ(shadowYBox()->currentText(), u"-30"_qs);
  EXPECT_EQ(r.ShadowY, -30);
  shadowXBox()->setCurrentIndex(0);
  Q_EMIT shadowXBox()->activated(0);
  EXPECT_EQ(r.ShadowX, -30);
}

TEST_F(Panel, StringEditsWriteTheRecordAndTheHint) {
  const TPartData& r = selectedTextPart();
  textEdit()->clear();
  typeText(textEdit(), u"ロゴ"_qs);
  EXPECT_EQ(fixedString(r.Text), u"ロゴ"_qs);
  EXPECT_EQ(part(0)->hint(), u"ロゴ"_qs);

  typeText(textEdit(), u"☃"_qs);  // not in the code page: refused, nothing changes
  EXPECT_EQ(textEdit()->text(), u"ロゴ"_qs);
}

TEST_F(Panel, FillCheckBoxSwitchesSeeThrough) {
  const TPartData& r = selectedTextPart();
  ASSERT_TRUE(part(0)->transparent());
  fillCheck()->click();
  EXPECT_EQ(r.FillOn, 1);
  EXPECT_FALSE(part(0)->transparent());
  fillCheck()->click();
  EXPECT_EQ(r.FillOn, 0);
  EXPECT_TRUE(part(0)->transparent());
}

TEST_F(Panel, ColourPanelsAskTheChooserAndCancelChangesNothing) {
  const TPartData& r = selectedTextPart();
  dialogs->colours = {0x0000FF, std::nullopt, 0x123456, 0x00FF00};
  Q_EMIT textColourPanel()->clicked(textColourPanel());
  EXPECT_EQ(r.TextColor, 0x0000FFu);
  EXPECT_EQ(textColourPanel()->colour(), 0x0000FFu);
  Q_EMIT fillColourPanel()->clicked(fillColourPanel());
  EXPECT_EQ(r.FillColor, 0xFFFFFFu);
  Q_EMIT fillColourPanel()->clicked(fillColourPanel());
  EXPECT_EQ(r.FillColor, 0x123456u);
  Q_EMIT shadowColourPanel()->clicked(shadowColourPanel());
  EXPECT_EQ(r.ShadowColor, 0x00FF00u);
  // A red text shows red pixels in the control's raster.
  bool red = false;
  for (int x = 0; x < part(0)->width() && !red; ++x)
    for (int y = 0; y < part(0)->height() && !red; ++y) red = part(0)->raster().pixel(x, y) == qRgb(255, 0, 0);
  EXPECT_TRUE(red);
}

TEST_F(Panel, FontButtonStoresFaceSizeAndStyle) {
  const TPartData& r = selectedTextPart();
  dialogs->fonts = {FontChoice{u"IPAGothic"_qs, 20, fsBold | fsItalic}, std::nullopt};
  const int height0 = part(0)->height();
  fontButton()->click();
  EXPECT_EQ(fixedString(r.FontName), u"IPAGothic"_qs);
  EXPECT_EQ(r.FontSize, 20);
  EXPECT_EQ(r.FontStyle, fsBold | fsItalic);
  EXPECT_GT(part(0)->height(), height0);
  fontButton()->click();  // cancelled
  EXPECT_EQ(r.FontSize, 20);
}

// A face name stored in bytes that are no valid Shift-JIS comes back from the dialog unchanged
// and is not written; the size and style the user changed are.
TEST_F(Panel, FontConfirmedWithItsFaceUnchangedKeepsTheFaceBytes) {
  const char odd[] =
      "\x82\x20"
      "Face";
  TPartData changed = selectedTextPart();
  std::memcpy(changed.FontName, odd, sizeof odd);
  replaceRecord(0, changed);
  selectPart(0);
  dialogs->fonts = {FontChoice{dialogs->presetFontValue.face, 30, fsItalic}};
  fontButton()->click();
  const TPartData& r = document().Parts[0];
  EXPECT_EQ(QByteArray(r.FontName), QByteArray("\x82\x20"
                                               "Face"));
  EXPECT_EQ(r.FontSize, 30);
  EXPECT_EQ(r.FontStyle, fsItalic);
  EXPECT_TRUE(reports.isEmpty());
}

TEST_F(Panel, EditsDoNothingWhileTheirGroupIsDisabled) {
  ASSERT_TRUE(addPart(pkText));
  const TPartData before = document().Parts[0];
  typeOver(textEdit(), u"changed"_qs);
  fillCheck()->click();
  const Bounds b = backgroundControl()->bounds();
  QTest::keyClicks(widthEdit(), u"5"_qs);
  EXPECT_EQ(std::memcmp(&document().Parts[0], &before, sizeof before), 0);
  EXPECT_EQ(backgroundControl()->bounds(), b);
}

}  // namespace

namespace {

// The shadow offset boxes step from the value they show, by wheel or arrow key.
TEST_F(Panel, ShadowBoxesStepFromTheValueShown) {
  const TPartData& r = selectedTextPart();
  ASSERT_EQ(shadowXBox()->currentText(), u"0"_qs);
  EXPECT_EQ(shadowXBox()->itemText(shadowXBox()->currentIndex()), u"0"_qs) << "the open list highlights what is shown";
  QWheelEvent down(QPointF(10, 10), shadowXBox()->mapToGlobal(QPointF(10, 10)), QPoint(), QPoint(0, -120), Qt::NoButton,
                   Qt::NoModifier, Qt::NoScrollPhase, false);
  QCoreApplication::sendEvent(shadowXBox(), &down);
  EXPECT_EQ(shadowXBox()->currentText(), u"1"_qs);
  EXPECT_EQ(r.ShadowX, 1);

  typeInto(shadowYBox(), u"12"_qs);
  ASSERT_EQ(r.ShadowY, 12);
  QTest::keyClick(shadowYBox()->lineEdit(), Qt::Key_Down);
  EXPECT_EQ(shadowYBox()->currentText(), u"13"_qs);
  EXPECT_EQ(r.ShadowY, 13);
  typeInto(shadowYBox(), u"45"_qs);  // clamped to 30, the last row
  QTest::keyClick(shadowYBox()->lineEdit(), Qt::Key_Up);
  EXPECT_EQ(r.ShadowY, 29);

  // Another part selected shows its own offsets, and steps from them.
  TPartData changed = selectedTextPart();
  changed.ShadowX = -7;
  replaceRecord(changed.Index, changed);
  const TPartData& other = document().Parts[changed.Index];
  selectPart(other.Index);
  QTest::keyClick(shadowXBox()->lineEdit(), Qt::Key_Down);
  EXPECT_EQ(other.ShadowX, -6);
  EXPECT_EQ(r.ShadowX, 1);
}

QByteArray textBytes(const TPartData& r) { return fixedBytes(r.Text).toByteArray(); }

// The record holds 255 bytes at most; an edit past them changes nothing that was there.
TEST_F(Panel, AFullStringFieldRefusesTypingAndCutsAPaste) {
  const TPartData& r = selectedTextPart();
  QLineEdit* edit = textEdit();
  const QString full = QString(127, u'あ') + u'a';  // 254 + 1 bytes
  typeOver(edit, full);
  ASSERT_EQ(textBytes(r).size(), 255);
  const QByteArray before = textBytes(r);
  edit->setFocus();
  QTest::keyClick(edit, Qt::Key_Home);
  QTest::keyClicks(edit, u"XY"_qs);
  EXPECT_EQ(edit->text(), full);
  EXPECT_EQ(edit->cursorPosition(), 0) << "the cursor stays";
  EXPECT_EQ(textBytes(r), before);

  // 250 bytes, a paste of 11 bytes after the third: as much of it as fits, on a character boundary.
  typeOver(edit, QString(250, u'a'));
  edit->setCursorPosition(3);
  edit->insert(u"ｱいうえお"_qs);
  EXPECT_EQ(edit->text(), u"aaaｱいう"_qs + QString(247, u'a'));
  EXPECT_EQ(textBytes(r), QByteArray(3, 'a') + QByteArray("\xB1\x82\xA2\x82\xA4") + QByteArray(247, 'a'));
  EXPECT_EQ(edit->cursorPosition(), 6);

  // One byte left: a double-byte character does not fit at all, a single-byte one does.
  typeOver(edit, QString(254, u' '));
  edit->end(false);
  edit->insert(u"漢"_qs);
  EXPECT_EQ(edit->text(), QString(254, u' '));
  edit->insert(u"ｶ"_qs);
  EXPECT_EQ(textBytes(r), QByteArray(254, ' ') + QByteArray("\xB6"));
}

// Selecting a text part and the panel's reset after it (parts list, New and delete all end in it)
// write nothing back and resize nothing: a string that is not valid Shift-JIS keeps its bytes
// until the user edits it.
TEST_F(Panel, SelectingATextPartAndTheResetAfterItWriteNothingBack) {
  const TPartData& r = selectedTextPart();
  const char odd[] =
      "ab\x82\x20"
      "cd";
  TPartData changed = r;
  std::memcpy(changed.Text, odd, sizeof odd);
  changed.FillOn = 1;
  changed.ShadowX = -5;
  replaceRecord(0, changed);
  const TPartData before = r;
  const Bounds partBounds = part(0)->bounds();
  const Bounds backBounds = backgroundControl()->bounds();
  selectPart(0);
  ASSERT_TRUE(fillCheck()->isChecked());
  comp().clearSelection();
  selectPart(0);
  comp().clearSelection();
  EXPECT_EQ(std::memcmp(&r, &before, sizeof r), 0);
  EXPECT_EQ(part(0)->bounds(), partBounds);
  EXPECT_EQ(backgroundControl()->bounds(), backBounds);
  EXPECT_FALSE(part(0)->transparent()) << "the fill still shows";
  selectPart(0);
  typeOver(textEdit(), u"edited"_qs);
  EXPECT_EQ(textBytes(r), QByteArray("edited"));
}

}  // namespace

namespace {

// The panel alone: it reports what the user does there, and never what the program writes into it.
TEST(PropertyPanel, ReportsTheUsersActionsAndNeverItsOwnWrites) {
  PropertyPanel panel;
  QSignalSpy text(&panel, &PropertyPanel::textEdited), fill(&panel, &PropertyPanel::fillToggled),
      size(&panel, &PropertyPanel::sizeTyped), colour(&panel, &PropertyPanel::colourClicked),
      shadow(&panel, &PropertyPanel::shadowOffsetEdited), nudged(&panel, &PropertyPanel::nudged);
  auto* textEdit = panel.findChild<QLineEdit*>(QStringLiteral("textEdit"));
  auto* widthEdit = panel.findChild<QLineEdit*>(QStringLiteral("widthEdit"));
  auto* fillCheck = panel.findChild<QCheckBox*>(QStringLiteral("fillCheck"));
  auto* textColour = panel.findChild<ColourPanel*>(QStringLiteral("textColourPanel"));
  auto* nudgeLeft = panel.findChild<QToolButton*>(QStringLiteral("nudgeLeftButton"));
  ASSERT_TRUE(textEdit && widthEdit && fillCheck && textColour && nudgeLeft);
  EXPECT_EQ(textEdit->text(), QString()) << "it starts as New leaves it";
  EXPECT_EQ(widthEdit->text(), QString());

  PartView record;
  record.text = u"ロゴ"_qs;
  record.fillOn = true;
  record.shadowX = -7;
  panel.showTextPart(record);
  panel.showWidth(16384);
  panel.showSizeGroupOnly();
  panel.showHeight(12);
  panel.showTextPart(PartView{});
  panel.reset();
  EXPECT_EQ(text.count() + fill.count() + size.count() + colour.count() + shadow.count(), 0);

  panel.showTextPart(record);
  MainWindowTest::typeOver(textEdit, u"x"_qs);
  ASSERT_EQ(text.count(), 1);
  EXPECT_EQ(text.at(0).at(0).toString(), u"x"_qs);
  fillCheck->click();
  ASSERT_EQ(fill.count(), 1);
  EXPECT_FALSE(fill.at(0).at(0).toBool()) << "it showed the record's fill, and was clicked off";
  Q_EMIT textColour->clicked(textColour);
  ASSERT_EQ(colour.count(), 1);
  EXPECT_EQ(colour.at(0).at(0).value<PropertyPanel::ColourRole>(), PropertyPanel::ColourRole::Text);

  panel.showSizeGroupOnly();
  EXPECT_EQ(textEdit->text(), QString());
  widthEdit->selectAll();
  QTest::keyClicks(widthEdit, u"$28"_qs);
  ASSERT_EQ(size.count(), 3) << "one for each key";
  EXPECT_EQ(size.back().at(0).value<Qt::Orientation>(), Qt::Horizontal);
  EXPECT_EQ(size.back().at(1).toInt(), 40);

  nudgeLeft->click();  // the arrows work whatever is shown
  ASSERT_EQ(nudged.count(), 1);
  EXPECT_EQ(nudged.at(0), (QVariantList{-1, 0}));
}

}  // namespace

namespace {

// Sizes of five digits and more come from files and drags; selecting what holds them and saving
// writes them back as they were.
TEST_F(Panel, ClickingAndSavingKeepsSizesOfFiveDigits) {
  QTemporaryDir dir;
  const QString picture = dir.filePath(u"pic.bmp"_qs);
  ASSERT_TRUE(makeWhiteRaster(8, 8).save(picture, "BMP"));
  TDocument doc;
  clearDocument(doc);
  doc.BackColor = clWhite;
  setBackgroundBounds(doc, {0, 0, 16384, 20});
  TPartData& pic = appendPart(doc, pkPicture);
  storeFixedPath(pic.FileName, picture);
  setPartBounds(pic, {30, 5, 12345, 10});
  writeProjectFile(dir.filePath(u"wide.rpf"_qs), doc);
  dialogs->projectsToOpen = {dir.filePath(u"wide.rpf"_qs)};
  run("openProjectAction");
  ASSERT_TRUE(reports.isEmpty() && dialogs->messages.isEmpty());

  QTest::mouseClick(backgroundControl(), Qt::LeftButton, {}, QPoint(10, 15));
  EXPECT_EQ(widthEdit()->text(), u"16384"_qs);
  QTest::mouseClick(part(0), Qt::LeftButton, {}, QPoint(20, 5));
  EXPECT_EQ(widthEdit()->text(), u"12345"_qs);
  dialogs->projectsToSave = {dir.filePath(u"saved.rpf"_qs)};
  run("saveProjectAction");
  const QByteArray saved = fileBytes(dir.filePath(u"saved.rpf"_qs));
  EXPECT_EQ(saved.mid(56500, 4), QByteArray("\x00\x40\0\0", 4)) << "BackWidth 16,384";
  EXPECT_EQ(saved.mid(8, 4), QByteArray("\x39\x30\0\0", 4)) << "the part's Width 12,345";
  EXPECT_FALSE(comp().isModified());
}

// The size edits take four typed characters; what the program shows there is any length.
TEST(PropertyPanel, SizeEditsShowEveryDigitAndTakeFourTyped) {
  PropertyPanel panel;
  QSignalSpy typed(&panel, &PropertyPanel::sizeTyped);
  auto* width = panel.findChild<QLineEdit*>(QStringLiteral("widthEdit"));
  auto* shadowX = panel.findChild<QComboBox*>(QStringLiteral("shadowXBox"));
  ASSERT_TRUE(width && shadowX);
  panel.showSizeGroupOnly();
  struct {
    int shown;
    const char* keys;  // typed at the end of what is shown
    const char16_t* text;
    int applied;  // 0: nothing applied
  } cases[] = {
      {16384, "5", u"16384", 0},
      {-1234, "5", u"-1234", 0},
      {16384, "\b", u"1638", 1638},
      {12, "345", u"1234", 1234},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.shown);
    typed.clear();
    panel.showWidth(c.shown);
    EXPECT_EQ(typed.count(), 0) << "the program's own text is no edit";
    QTest::keyClicks(width, QString::fromLatin1(c.keys));
    EXPECT_EQ(width->text(), QString::fromUtf16(c.text));
    EXPECT_EQ(typed.isEmpty() ? 0 : typed.back().at(1).toInt(), c.applied);
  }

  // The shadow boxes take three typed characters, a value shown whole.
  for (const auto& [shown, key] : {std::pair{-2147483647, Qt::Key_End}, std::pair{-30, Qt::Key_Home}}) {
    PartView record;
    record.shadowX = shown;
    panel.showTextPart(record);
    QTest::keyClick(shadowX->lineEdit(), key);
    QTest::keyClicks(shadowX->lineEdit(), u"1"_qs);
    EXPECT_EQ(shadowX->currentText(), QString::number(shown));
  }
}

}  // namespace
