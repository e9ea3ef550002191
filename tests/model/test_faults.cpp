// Hostile text for the fixed fields. Inputs that fuzzing found are kept here byte for byte.

#include "model/failure.h"
#include "model/fixedstring.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

// Found by fuzz_fields: 25 zero bytes and "1f", read as typed text. Its U+0000 characters were
// stored as zero bytes, so the field ended at once while the whole text was reported as stored;
// a path holding one was cut without a word.
TEST(FieldFaults, TextHoldingU0000IsRefusedAndTheFieldKept) {
  const QString typed = QString::fromUtf8(QByteArray(25, '\0') + "1f");
  const QString path = QStringLiteral("/tmp/a") + QChar(u'\0') + QStringLiteral("b.bmp");
  EXPECT_FALSE(fitsCodePage(typed));
  char field[FIXED_STRING_SIZE];
  std::memset(field, 'x', sizeof field);
  EXPECT_FALSE(storeFixedString(field, typed).has_value());
  try {
    storeFixedPath(field, path);
    ADD_FAILURE() << "a path holding U+0000 is refused";
  } catch (const Failure& failure) {
    EXPECT_TRUE(failure.message().contains(QStringLiteral("保存できない文字"))) << failure.message().toStdString();
  }
  EXPECT_EQ(QByteArray(field, sizeof field), QByteArray(FIXED_STRING_SIZE, 'x'));
}

}  // namespace
