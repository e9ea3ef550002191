#include "ui/main/qtdialogs.h"

#include <gtest/gtest.h>

#include <QFileDialog>

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

}  // namespace
