#include "model/document.h"
#include "model/failure.h"
#include "model/fixedstring.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

TEST(FixedString, StoresShiftJisBytesAndAZero) {
  char field[FIXED_STRING_SIZE];
  std::memset(field, 'x', sizeof field);
  ASSERT_EQ(storeFixedString(field, u"表示ｱ"), QStringLiteral("表示ｱ"));
  EXPECT_EQ(QByteArray(field, 6), QByteArray("\x95\x5c\x8e\xa6\xb1\0", 6));
  EXPECT_EQ(field[6], 'x') << "bytes after the zero keep what they held";
  EXPECT_EQ(fixedString(field), QStringLiteral("表示ｱ"));
}

TEST(FixedString, CutsAt255BytesOnACharacterBoundary) {
  char field[FIXED_STRING_SIZE] = {};
  // 127 double-byte characters are 254 bytes; one more would need 256.
  const QString wide(200, QChar(u'あ'));
  const std::optional<QString> stored = storeFixedString(field, wide);
  ASSERT_TRUE(stored);
  EXPECT_EQ(stored->size(), 127);
  EXPECT_EQ(fixedBytes(field).size(), 254);

  // A single-byte character first shifts every boundary by one: 1 + 127 * 2 = 255 bytes.
  const std::optional<QString> shifted = storeFixedString(field, QStringLiteral("a") + wide);
  ASSERT_TRUE(shifted);
  EXPECT_EQ(shifted->size(), 128);
  EXPECT_EQ(fixedBytes(field).size(), 255);
  EXPECT_EQ(field[255], 0);
}

TEST(FixedString, RefusesTextOutsideTheCodePageAndKeepsTheField) {
  char field[FIXED_STRING_SIZE] = {};
  storeFixedString(field, u"before");
  EXPECT_FALSE(storeFixedString(field, u"snow ☃ man"));
  EXPECT_FALSE(storeFixedString(field, QString::fromUtf8("emoji 😀")));
  EXPECT_EQ(fixedString(field), QStringLiteral("before"));
  EXPECT_FALSE(fitsCodePage(u"€"));
  EXPECT_TRUE(fitsCodePage(u"ﾌﾟﾛｼﾞｪｸﾄ"));
}

TEST(FixedString, AFieldWithoutItsZeroIsReadWithinItsBytes) {
  char field[FIXED_STRING_SIZE];
  std::memset(field, 'A', sizeof field);
  EXPECT_FALSE(hasTerminator(field));
  EXPECT_EQ(fixedBytes(field).size(), FIXED_STRING_SIZE);
  EXPECT_EQ(fixedString(field).size(), FIXED_STRING_SIZE);
}

TEST(FixedString, PathsAreNeverCut) {
  char field[FIXED_STRING_SIZE] = {};
  const QString longest = QStringLiteral("/tmp/") + QString(250, u'a');  // 255 bytes
  storeFixedPath(field, longest);
  EXPECT_EQ(fixedString(field), longest);
  storeFixedPath(field, QStringLiteral("/tmp/画像.bmp"));
  EXPECT_EQ(fixedString(field), QStringLiteral("/tmp/画像.bmp"));
  EXPECT_THROW(storeFixedPath(field, longest + u'a'), Failure);
  EXPECT_THROW(storeFixedPath(field, QStringLiteral("/tmp/☃.bmp")), Failure);
  EXPECT_EQ(fixedString(field), QStringLiteral("/tmp/画像.bmp"));
}

TEST(FixedString, CutNeverEndsOnALeadByte) {
  const QByteArray bytes = *toShiftJis(u"aあい");  // 1 + 2 + 2 bytes
  EXPECT_EQ(cutShiftJis(bytes, 2).size(), 1);
  EXPECT_EQ(cutShiftJis(bytes, 3).size(), 3);
  EXPECT_EQ(cutShiftJis(bytes, 4).size(), 3);
  EXPECT_EQ(cutShiftJis(bytes, 9).size(), 5);
}

// Lead bytes run 0x81-0x9F and 0xE0-0xFC; the upper run holds the level-2 kanji (0xE0-0xEA) and
// the vendor rows (0xED-0xFC), which a cut that knows only the lower run splits.
TEST(FixedString, CutKeepsLevelTwoKanjiAndVendorCharactersWhole) {
  char field[FIXED_STRING_SIZE];
  std::memset(field, 'x', sizeof field);
  // 漾 is E0 40 in Shift-JIS: after 254 blanks it would need bytes 254 and 255.
  ASSERT_EQ(*toShiftJis(u"漾"), QByteArray("\xE0\x40"));
  ASSERT_TRUE(storeFixedString(field, QString(254, u' ') + QStringLiteral("漾")));
  EXPECT_EQ(QByteArray(field, 255), QByteArray(254, ' ') + QByteArray(1, '\0'));
  // One blank fewer and it fits: 253 blanks, E0 40, the zero.
  ASSERT_TRUE(storeFixedString(field, QString(253, u' ') + QStringLiteral("漾")));
  EXPECT_EQ(QByteArray(field, 256), QByteArray(253, ' ') + QByteArray("\xE0\x40\0", 3));

  for (const char lead : {'\x9F', '\xE0', '\xEA', '\xED', '\xFC'}) {
    const QByteArray bytes = QByteArray(254, ' ') + lead + '\x40';
    EXPECT_EQ(cutShiftJis(bytes, 255), QByteArray(254, ' ')) << int(static_cast<unsigned char>(lead));
  }
  // Bytes outside both runs are whole characters (half-width katakana, ASCII).
  const QByteArray single = QByteArray(254, ' ') + "\xDF\x40";
  EXPECT_EQ(cutShiftJis(single, 255), QByteArray(254, ' ') + "\xDF");
}

}  // namespace
