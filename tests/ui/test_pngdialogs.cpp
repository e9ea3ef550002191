#include "ui/main/qtdialogs.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {

// PNG's entry comes after the bitmap's and JPEG's in both picture dialogs; the entries before it
// stay as they were.
TEST(Dialogs, PictureFiltersOfferPng) {
  QWidget owner;
  QtDialogs real(&owner);
  EXPECT_EQ(real.openPictureDialog->nameFilters(),
            (QStringList{QStringLiteral("画像ﾌｧｲﾙ (*.jpg;*.jpeg;*.bmp) (*.jpg *.jpeg *.bmp)"),
                         QStringLiteral("ﾋﾞｯﾄﾏｯﾌﾟ (*.bmp) (*.bmp)"),
                         QStringLiteral("JPEGｲﾒｰｼﾞ (*.jpeg;*.jpg) (*.jpeg *.jpg)"),
                         QStringLiteral("PNGｲﾒｰｼﾞ (*.png) (*.png)")}));
  EXPECT_EQ(real.savePictureDialog->nameFilters(),
            (QStringList{QStringLiteral("ﾋﾞｯﾄﾏｯﾌﾟ (*.bmp) (*.bmp)"),
                         QStringLiteral("JPEGｲﾒｰｼﾞ (*.jpg;*.jpeg) (*.jpg *.jpeg)"),
                         QStringLiteral("PNGｲﾒｰｼﾞ (*.png) (*.png)")}));
}

// A name typed without an extension takes the extension of the type picked from the list, so a
// PNG logo saved as "logo" is not written as a bitmap named "logo.bmp". (A name typed before the
// pick, next to an existing file, is the real-window test's: only there does Qt select that file.)
TEST(Dialogs, ANameTypedBareTakesThePickedTypesExtension) {
  const struct {
    int downPresses;
    const char16_t* saved;
  } rows[] = {{0, u"logo.bmp"}, {2, u"logo.png"}, {1, u"logo.jpg"}};
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
      for (int i = 0; i < row.downPresses; ++i) QTest::keyClick(types, Qt::Key_Down);
      name->clear();
      QTest::keyClicks(name, u"logo"_qs);
      QTest::keyClick(name, Qt::Key_Return);
    });
    QTimer::singleShot(5000, dialog, &QDialog::reject);  // a test that fails, not one that hangs
    EXPECT_EQ(real.savePicture().value_or(u"(cancelled)"_qs).toStdString(),
              dir.filePath(QString::fromUtf16(row.saved)).toStdString());
  }
}

}  // namespace
