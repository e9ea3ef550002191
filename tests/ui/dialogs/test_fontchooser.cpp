#include "support/mainfixture.h"

#include "model/fixedstring.h"
#include "ui/dialogs/qtdialogs.h"

#include <QFontDatabase>
#include <QFontDialog>
#include <QFontInfo>
#include <QLineEdit>
#include <QTimer>
#include <QToolButton>

#include <cstring>
#include <functional>

namespace {

// Runs the real font dialog; `user` acts on it while it is open, then it is confirmed.
std::optional<FontChoice> choose(QtDialogs& dialogs, const std::function<void(QFontDialog*)>& user = {}) {
  QTimer::singleShot(0, [&] {
    if (user) user(dialogs.fontDialog);
    dialogs.fontDialog->accept();
  });
  return dialogs.chooseFont();
}

struct Face {
  const char16_t* stored;
  const char16_t* drawnWith;
};

// The window's default face and another drawn through a substitute, and an installed family that
// has a face for every style.
constexpr Face kFaces[] = {
    {u"ＭＳ Ｐゴシック", u"IPAPGothic"}, {u"ＭＳ ゴシック", u"IPAGothic"}, {u"DejaVu Serif", u"DejaVu Serif"}};

TEST(FontChooser, OpensOnThePartsFontAndGivesItBackUnchanged) {
  QWidget owner;
  QtDialogs dialogs(&owner);
  for (const Face& face : kFaces)
    for (std::uint8_t style = 0; style < 16; ++style) {
      const FontChoice preset{QString::fromUtf16(face.stored), 20, style};
      SCOPED_TRACE(preset.face.toStdString() + " style " + std::to_string(style));
      dialogs.presetFont(preset);
      QFont shown;
      QStringList fields;
      bool sampleWhole = false;  // the sample keeps its height with the effects section gone
      EXPECT_EQ(choose(dialogs,
                       [&](QFontDialog* d) {
                         shown = d->currentFont();
                         for (const QLineEdit* field : d->findChildren<QLineEdit*>()) {
                           fields << field->text();
                           if (field->text() == u"AaBbYyZz"_qs)
                             sampleWhole = field->height() >= field->fontMetrics().height();
                         }
                       }),
                preset);
      EXPECT_EQ(shown.family(), QString::fromUtf16(face.drawnWith));
      EXPECT_TRUE(fields.contains(QString::fromUtf16(face.stored))) << fields.join(u'|').toStdString();
      EXPECT_TRUE(sampleWhole);
      EXPECT_EQ(shown.pointSize(), 20);
      if (preset.face == u"DejaVu Serif") {
        EXPECT_EQ(shown.bold(), (style & fsBold) != 0);
        EXPECT_EQ(shown.italic(), (style & fsItalic) != 0);
        EXPECT_FALSE(shown.styleName().contains(u"Condensed"_qs));
      }
    }
}

TEST(FontChooser, TakesOnlyWhatTheUserChanged) {
  QWidget owner;
  QtDialogs dialogs(&owner);
  // Only the size: the substituted face and the style bits (underline included) stay.
  dialogs.presetFont({u"ＭＳ Ｐゴシック"_qs, 9, fsBold | fsUnderline});
  auto resize = [](QFontDialog* d) {
    QFont f = d->currentFont();
    f.setPointSize(24);
    d->setCurrentFont(f);
  };
  EXPECT_EQ(choose(dialogs, resize), (FontChoice{u"ＭＳ Ｐゴシック"_qs, 24, fsBold | fsUnderline}));
  // The style: Bold Italic of a family that has it.
  dialogs.presetFont({u"DejaVu Serif"_qs, 12, fsStrikeOut});
  auto boldItalic = [](QFontDialog* d) {
    QFont f = QFontDatabase::font(u"DejaVu Serif"_qs, u"Bold Italic"_qs, 12);
    f.setStyleName(u"Bold Italic"_qs);
    d->setCurrentFont(f);
  };
  EXPECT_EQ(choose(dialogs, boldItalic), (FontChoice{u"DejaVu Serif"_qs, 12, fsBold | fsItalic | fsStrikeOut}));
  // The choice is what the dialog opens on next.
  EXPECT_EQ(choose(dialogs), (FontChoice{u"DejaVu Serif"_qs, 12, fsBold | fsItalic | fsStrikeOut}));
  // Another family.
  auto family = [](QFontDialog* d) { d->setCurrentFont(QFontDatabase::font(u"IPAGothic"_qs, u"Regular"_qs, 12)); };
  EXPECT_EQ(choose(dialogs, family), (FontChoice{u"IPAGothic"_qs, 12, fsStrikeOut}));
}

// The whole way through the editor: select a text part, press the font button, confirm.
TEST(FontChooser, ConfirmingWithoutAChangeLeavesTheRecordAsItWas) {
  MainWindow window;
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  auto* composition = window.findChild<Composition*>(u"composition"_qs);
  auto* canvas = window.findChild<CanvasView*>(u"canvasScroll"_qs);
  ASSERT_TRUE(composition && canvas);
  ASSERT_EQ(composition->addTextPart(), 0);
  auto* dialog = window.findChild<QFontDialog*>();
  ASSERT_NE(dialog, nullptr);
  auto* fontButton = window.findChild<QToolButton*>(QStringLiteral("fontButton"));
  ASSERT_NE(fontButton, nullptr);
  const TPartData& r = composition->document().Parts[0];
  for (std::uint8_t style : {0, 1, 2, 3}) {
    composition->select(0);
    composition->setFont(fixedString(r.FontName), 20, style);
    composition->select(0);
    const TPartData before = r;
    QTimer::singleShot(0, dialog, &QDialog::accept);
    fontButton->click();
    EXPECT_EQ(std::memcmp(&r, &before, sizeof r), 0) << "style " << int(style);
  }
  EXPECT_EQ(fixedString(r.FontName), u"ＭＳ Ｐゴシック"_qs);
}

}  // namespace
