#include "ui/main/qtdialogs.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {

// PNG's entry comes after the bitmap's and JPEG's in both picture dialogs, and the first entry of
// the load dialog, selected at first, shows PNG files too.
TEST(Dialogs, PictureFiltersOfferPng) {
  QWidget owner;
  QtDialogs real(&owner);
  EXPECT_EQ(real.openPictureDialog->nameFilters(),
            (QStringList{QStringLiteral("画像ﾌｧｲﾙ (*.jpg;*.jpeg;*.bmp;*.png) (*.jpg *.jpeg *.bmp *.png)"),
                         QStringLiteral("ﾋﾞｯﾄﾏｯﾌﾟ (*.bmp) (*.bmp)"),
                         QStringLiteral("JPEGｲﾒｰｼﾞ (*.jpeg;*.jpg) (*.jpeg *.jpg)"),
                         QStringLiteral("PNGｲﾒｰｼﾞ (*.png) (*.png)")}));
  EXPECT_EQ(real.savePictureDialog->nameFilters(),
            (QStringList{QStringLiteral("ﾋﾞｯﾄﾏｯﾌﾟ (*.bmp) (*.bmp)"),
                         QStringLiteral("JPEGｲﾒｰｼﾞ (*.jpg;*.jpeg) (*.jpg *.jpeg)"),
                         QStringLiteral("PNGｲﾒｰｼﾞ (*.png) (*.png)")}));
}

// A name typed without a picture extension takes the extension of the type picked from the list,
// before or after the name is typed, so a PNG logo saved as "logo" is not written as a bitmap named
// "logo.bmp", nor "logo v1.2" as "logo v1.png"; a typed picture extension decides. (A name typed
// before the pick, next to an existing file, is the real-window test's: only there does Qt keep
// that file selected.)
TEST(Dialogs, ANameTypedBareTakesThePickedTypesExtension) {
  const struct {
    int downPresses;
    const char16_t* typed;
    bool typedFirst;
    const char16_t* saved;
  } rows[] = {{0, u"logo", false, u"logo.bmp"},          {2, u"logo", false, u"logo.png"},
              {1, u"logo", false, u"logo.jpg"},          {2, u"logo v1.2", false, u"logo v1.2.png"},
              {2, u"logo v1.2", true, u"logo v1.2.png"}, {2, u"logo.JPG", false, u"logo.JPG"}};
  QTemporaryDir dir;
  QWidget owner;
  owner.show();
  QtDialogs real(&owner);
  QFileDialog* dialog = real.savePictureDialog;
  dialog->setDirectory(dir.path());
  for (const auto& row : rows) {
    QTimer::singleShot(200, [&] {
      auto* types = dialog->findChild<QComboBox*>(u"fileTypeCombo"_qs);
      auto* name = dialog->findChild<QLineEdit*>(u"fileNameEdit"_qs);
      if (!types || !name) return dialog->reject();
      QTest::keyClick(types, Qt::Key_Home);
      name->clear();
      if (row.typedFirst) QTest::keyClicks(name, QString::fromUtf16(row.typed));
      for (int i = 0; i < row.downPresses; ++i) QTest::keyClick(types, Qt::Key_Down);
      if (!row.typedFirst) QTest::keyClicks(name, QString::fromUtf16(row.typed));
      QTest::keyClick(name, Qt::Key_Return);
    });
    QTimer::singleShot(5000, dialog, &QDialog::reject);  // a test that fails, not one that hangs
    EXPECT_EQ(real.savePicture().value_or(u"(cancelled)"_qs).toStdString(),
              dir.filePath(QString::fromUtf16(row.saved)).toStdString());
  }
}

}  // namespace
