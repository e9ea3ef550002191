// The save-logo dialog's transparency and scale: greyed for JPEG, remembered across starts, and
// followed by the saved logo, its note in the status bar and the logo copied to the clipboard.
#include "support/files.h"
#include "support/mainfixture.h"

#include "model/fixedstring.h"
#include "render/pngcodec.h"
#include "ui/window/logosettings.h"
#include "ui/dialogs/qtdialogs.h"

#include <QClipboard>
#include <QFileDialog>
#include <QMimeData>
#include <QStatusBar>

namespace {

// JPEG cannot hold alpha: the name decides where it has a picture extension, the type picked
// otherwise, as for the name the logo is saved under.
TEST(LogoDialog, TransparencyIsGreyedWhileTheLogoWouldBeAJpeg) {
  const struct {
    int typeDowns;  // from the list's first type: 0 bitmap, 1 JPEG, 2 PNG
    const char* typed;
    bool enabled;
  } cases[] = {{0, "", true},           {1, "", false},         {1, "logo.png", true},  {0, "logo.jpg", false},
               {2, "logo.JPEG", false}, {2, "logo v1.2", true}, {1, "logo v1.2", false}};
  QWidget owner;
  QtDialogs real(&owner);
  real.savePictureDialog->show();
  auto* types = real.savePictureDialog->findChild<QComboBox*>(u"fileTypeCombo"_qs);
  auto* name = real.savePictureDialog->findChild<QLineEdit*>(u"fileNameEdit"_qs);
  ASSERT_TRUE(types && name);
  for (const auto& c : cases) {
    QTest::keyClick(types, Qt::Key_Home);
    for (int i = 0; i < c.typeDowns; ++i) QTest::keyClick(types, Qt::Key_Down);
    name->clear();
    QTest::keyClicks(name, QString::fromUtf8(c.typed));
    EXPECT_EQ(real.logoTransparentCheck->isEnabled(), c.enabled) << c.typeDowns << " " << c.typed;
  }
  real.savePictureDialog->hide();
}

class LogoOptionsWindow : public MainWindowTest {
protected:
  void SetUp() override {
    rememberLogoOptions({});
    MainWindowTest::SetUp();
    ASSERT_TRUE(addPart(pkText));
    // Blue but for its see-through bottom-left pixel.
    QImage mark(4, 4, QImage::Format_RGB32);
    mark.fill(qRgb(0, 0, 250));
    mark.setPixel(0, 3, qRgb(255, 255, 255));
    const QString picture = path("mark.bmp");
    ASSERT_TRUE(mark.save(picture));
    dialogs->picturesToOpen.push_back(picture);
    ASSERT_TRUE(addPart(pkPicture));
    const Bounds back = comp().bounds(BACKGROUND_INDEX);
    comp().setBounds(1, {back.left + 10, back.top + 20, 4, 4});
    // The logo is made from what the canvas shows, at every scale: not from the files again.
    ASSERT_TRUE(QFile::remove(picture));
  }
  QString path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }
  QTemporaryDir dir;
};

// The options chosen are written, said in the status bar and offered again; a JPEG is written with
// its background, and the transparency stays chosen for the next PNG.
TEST_F(LogoOptionsWindow, SaveFollowsTheOptionsAndRemembersThem) {
  const Bounds back = comp().bounds(BACKGROUND_INDEX);
  const struct {
    const char* name;
    LogoOptions chosen;
    bool alpha;
    const char* note;
    int tolerance;  // JPEG's loss, summed over the channels
  } cases[] = {{"logo.png", {Backdrop::Clear, 2}, true, "logo.png (400 × 120, 透明) を保存しました", 0},
               {"logo.jpg", {Backdrop::Clear, 3}, false, "logo.jpg (600 × 180) を保存しました", 60},
               {"logo.bmp", {Backdrop::Background, 1}, false, "logo.bmp (200 × 60) を保存しました", 0}};
  LogoOptions remembered;
  for (const auto& c : cases) {
    dialogs->picturesToSave.push_back(path(c.name));
    dialogs->logoOptions.push_back(c.chosen);
    run("saveLogoAction");
    EXPECT_EQ(dialogs->offeredLogoOptions, remembered) << c.name;
    const QImage logo(path(c.name));
    EXPECT_EQ(logo.size(), QSize(back.width, back.height) * c.chosen.scale) << c.name;
    EXPECT_EQ(logo.hasAlphaChannel(), c.alpha) << c.name;
    EXPECT_EQ(w().statusBar()->currentMessage(), QString::fromUtf8(c.note));
    // The 4 x 4 blue picture at (10, 20), stretched as far again as the logo.
    const QRgb middle = logo.pixel(12 * c.chosen.scale, 22 * c.chosen.scale);
    EXPECT_LE(qRed(middle) + qGreen(middle) + 250 - qBlue(middle), c.tolerance) << c.name;
    remembered = c.chosen;
    EXPECT_EQ(rememberedLogoOptions(), remembered) << c.name;
  }
  EXPECT_TRUE(reports.isEmpty()) << reports.value(0).first.toStdString();
}

// Copied as it would be saved, the alpha as PNG; too large for a clipboard, refused by its size.
TEST_F(LogoOptionsWindow, CopyLogoFollowsTheRememberedOptions) {
  rememberLogoOptions({Backdrop::Clear, 2});
  run("copyLogoAction");
  const QMimeData* copied = QApplication::clipboard()->mimeData();
  ASSERT_TRUE(copied->hasFormat(u"image/png"_qs));
  const QImage png = QImage::fromData(copied->data(u"image/png"_qs));
  EXPECT_EQ(png.size(), QSize(400, 120));
  EXPECT_TRUE(png.hasAlphaChannel());
  EXPECT_EQ(png.convertToFormat(QImage::Format_ARGB32), *comp().logoImage({Backdrop::Clear, 2}));

  rememberLogoOptions({Backdrop::Background, 4});
  TDocument huge = document();
  setBackgroundBounds(huge, {0, 0, 2501, 2500});  // 100,040,000 pixels at 4 times
  const QString big = path("big.rpf");
  writeProjectFile(big, huge);
  comp().open(big);
  run("copyLogoAction");
  ASSERT_EQ(dialogs->messages.size(), 1);
  EXPECT_TRUE(dialogs->messages[0].first.contains(u"10004 × 10000"_qs)) << dialogs->messages[0].first.toStdString();
}

}  // namespace
