#include "model/paths.h"
#include "model/typednumber.h"

#include <gtest/gtest.h>

namespace {

TEST(Paths, ExtensionIsTheTextFromTheLastDotAfterTheLastSeparator) {
  EXPECT_EQ(pathExtension(u"C:\\logo\\a.rpf"), QStringLiteral(".rpf"));
  EXPECT_EQ(pathExtension(u"/home/u/a.rpf.bak"), QStringLiteral(".bak"));
  EXPECT_EQ(pathExtension(u"/home/u.dir/name"), QString());
  EXPECT_EQ(pathExtension(u"C:\\u.dir\\name"), QString());
  EXPECT_EQ(pathExtension(u"a.b:c"), QString());
  EXPECT_EQ(pathExtension(u"noext"), QString());
  // "表" ends in the byte of "\" in Shift-JIS; it is a character here, never a separator.
  EXPECT_EQ(pathExtension(u"C:\\a.表"), QStringLiteral(".表"));
}

TEST(Paths, FileNameIsTheTextAfterTheLastSeparator) {
  EXPECT_EQ(pathFileName(u"C:\\pics\\表.bmp"), QStringLiteral("表.bmp"));
  EXPECT_EQ(pathFileName(u"/home/u/pic.jpg"), QStringLiteral("pic.jpg"));
  EXPECT_EQ(pathFileName(u"D:pic.jpg"), QStringLiteral("pic.jpg"));
  EXPECT_EQ(pathFileName(u"pic.jpg"), QStringLiteral("pic.jpg"));
}

TEST(Paths, DecoderAndProjectChoiceIgnoreCase) {
  for (const char16_t* jpeg : {u"a.jpg", u"a.JPG", u"a.Jpeg", u"/x/y.jpeg"}) EXPECT_TRUE(isJpegPath(jpeg));
  for (const char16_t* other : {u"a.jpe", u"a.jfif", u"a", u"a.jpg/b", u"a.bmp"}) EXPECT_FALSE(isJpegPath(other));
  for (const char16_t* png : {u"a.png", u"a.PNG", u"/x/y.Png"}) EXPECT_TRUE(isPngPath(png));
  for (const char16_t* other : {u"a.pn", u"a.png/b", u"apng", u"a.png.bmp", u"a.jpg"}) EXPECT_FALSE(isPngPath(other));
  for (const char16_t* picture : {u"a.bmp", u"a.BMP", u"a.jpg", u"a.Jpeg", u"a.png", u"a.PNG"})
    EXPECT_TRUE(hasPictureExtension(picture)) << QString::fromUtf16(picture).toStdString();
  for (const char16_t* other : {u"a.gif", u"a.bm", u"ロゴ v1.2", u"a.png/b", u"abmp", u"a.rpf"})
    EXPECT_FALSE(hasPictureExtension(other)) << QString::fromUtf16(other).toStdString();
  for (const char16_t* project : {u"a.rpf", u"a.RPF", u"a.Rpf"}) EXPECT_TRUE(isProjectPath(project));
  for (const char16_t* other : {u"a.rpf.bak", u"arpf", u"a.rp"}) EXPECT_FALSE(isProjectPath(other));
}

struct NumberCase {
  const char16_t* text;
  int expected;
};

class TypedNumbers : public ::testing::TestWithParam<NumberCase> {};

TEST_P(TypedNumbers, ReadAsTheOldRuntimeDid) {
  EXPECT_EQ(typedNumber(GetParam().text, 10), GetParam().expected) << QString::fromUtf16(GetParam().text).toStdString();
}

INSTANTIATE_TEST_SUITE_P(Cases, TypedNumbers,
                         ::testing::Values(NumberCase{u"123", 123}, NumberCase{u"-45", -45}, NumberCase{u"+7", 7},
                                           NumberCase{u"  12", 12}, NumberCase{u"$1F", 31}, NumberCase{u"$1f", 31},
                                           NumberCase{u"x10", 16}, NumberCase{u"X10", 16}, NumberCase{u"0x1A", 26},
                                           NumberCase{u"0XfF", 255}, NumberCase{u"0", 0}, NumberCase{u"", 10},
                                           NumberCase{u"12a", 10}, NumberCase{u"12 ", 10}, NumberCase{u"-", 10},
                                           NumberCase{u"$", 10}, NumberCase{u"0x", 10}, NumberCase{u"-$1F", 10},
                                           NumberCase{u"1 2", 10}, NumberCase{u"2147483647", 2147483647},
                                           NumberCase{u"-2147483648", -2147483647 - 1}, NumberCase{u"2147483648", 10},
                                           NumberCase{u"99999999999999999999", 10}, NumberCase{u"$FFFFFFFF", -1},
                                           NumberCase{u"$100000000", 10}, NumberCase{u"１２", 10}));

}  // namespace
