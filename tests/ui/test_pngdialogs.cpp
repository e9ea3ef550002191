#include "ui/main/qtdialogs.h"

#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
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
// "logo.bmp" nor "logo v1.2" as "logo v1.png"; a typed picture extension decides. The existing
// logo.bmp is replaced after the question. (Picked after "logo" is typed next to logo.bmp, which Qt
// then selects, is the real-window test's: only a real window keeps that selection to the end.)
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
  QFile existing(dir.filePath(u"logo.bmp"_qs));
  ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
  QWidget owner;
  owner.show();
  QtDialogs real(&owner);
  QFileDialog* dialog = real.savePictureDialog;
  dialog->setDirectory(dir.path());
  for (const auto& row : rows) {
    const QObject rowScope;  // this row's timers end with it
    QTimer::singleShot(200, &rowScope, [&] {
      auto* types = dialog->findChild<QComboBox*>(u"fileTypeCombo"_qs);
      auto* name = dialog->findChild<QLineEdit*>(u"fileNameEdit"_qs);
      auto* files = dialog->findChild<QAbstractItemView*>(u"listView"_qs);
      if (!types || !name || !files) return dialog->reject();
      QTest::keyClick(types, Qt::Key_Home);
      if (!QTest::qWaitFor([&] { return files->model()->rowCount(files->rootIndex()) > 0; })) return dialog->reject();
      name->clear();
      if (row.typedFirst) QTest::keyClicks(name, QString::fromUtf16(row.typed));
      for (int i = 0; i < row.downPresses; ++i) QTest::keyClick(types, Qt::Key_Down);
      if (!row.typedFirst) QTest::keyClicks(name, QString::fromUtf16(row.typed));
      types->setFocus();  // as after picking with the mouse
      QTest::keyClick(types, Qt::Key_Return);
    });
    // Yes to the question before overwriting logo.bmp; a test that fails, not one that hangs.
    QTimer::singleShot(1500, &rowScope, [] {
      if (auto* question = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
        question->button(QMessageBox::Yes)->click();
    });
    QTimer::singleShot(5000, &rowScope, [dialog] { dialog->reject(); });
    EXPECT_EQ(real.savePicture().value_or(u"(cancelled)"_qs).toStdString(),
              dir.filePath(QString::fromUtf16(row.saved)).toStdString());
  }
}

}  // namespace
