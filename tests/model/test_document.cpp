#include "model/document.h"
#include "model/fixedstring.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

bool allZero(const void* p, size_t n) {
  const auto* b = static_cast<const unsigned char*>(p);
  return std::all_of(b, b + n, [](unsigned char c) { return c == 0; });
}

TEST(Document, ClearZeroesEveryByte) {
  auto doc = std::make_unique<TDocument>();
  std::memset(doc.get(), 0xAB, sizeof *doc);
  clearDocument(*doc);
  EXPECT_TRUE(allZero(doc.get(), sizeof *doc));
}

TEST(Document, NewTextPartHasTheDefaults) {
  auto doc = std::make_unique<TDocument>();
  clearDocument(*doc);
  TPartData& r = appendPart(*doc, pkText);
  EXPECT_EQ(doc->PartCount, 1);
  EXPECT_EQ(r.Kind, pkText);
  EXPECT_EQ(r.Index, 0);
  EXPECT_EQ(fixedString(r.Text), QStringLiteral("No Title"));
  EXPECT_EQ(fixedString(r.FontName), QStringLiteral("ＭＳ Ｐゴシック"));
  EXPECT_EQ(r.FontSize, 9);
  EXPECT_EQ(r.TextColor, 0x000000u);
  EXPECT_EQ(r.FillColor, 0xFFFFFFu);
  EXPECT_EQ(r.ShadowColor, 0x000000u);
  EXPECT_EQ(r.FillOn, 0);
  EXPECT_EQ(r.FontStyle, 0);
  EXPECT_EQ(r.ShadowX, 0);
  EXPECT_EQ(r.ShadowY, 0);
  EXPECT_EQ(r.Left | r.Top | r.Width | r.Height, 0);
  EXPECT_TRUE(allZero(r.Reserved1, 3));
  EXPECT_TRUE(allZero(r.Reserved2, 3));
}

TEST(Document, TheTableHoldsNinetyNineParts) {
  auto doc = std::make_unique<TDocument>();
  clearDocument(*doc);
  for (int i = 0; i < MAX_PARTS; ++i) {
    ASSERT_TRUE(canAddPart(*doc));
    EXPECT_EQ(appendPart(*doc, i % 2 ? pkPicture : pkText).Index, i);
  }
  EXPECT_FALSE(canAddPart(*doc));
  EXPECT_EQ(doc->PartCount, 99);
}

TEST(Document, RemoveShiftsZeroesAndRenumbers) {
  auto doc = std::make_unique<TDocument>();
  clearDocument(*doc);
  for (int i = 0; i < 3; ++i) appendPart(*doc, pkText).Left = 10 * i;
  removePartRecord(*doc, 1);
  EXPECT_EQ(doc->PartCount, 2);
  EXPECT_EQ(doc->Parts[0].Left, 0);
  EXPECT_EQ(doc->Parts[1].Left, 20);
  EXPECT_EQ(doc->Parts[1].Index, 1);
  EXPECT_TRUE(allZero(&doc->Parts[2], sizeof(TPartData)));

  removePartRecord(*doc, 5);  // outside the parts in use: nothing
  removePartRecord(*doc, -1);
  EXPECT_EQ(doc->PartCount, 2);
  removePartRecord(*doc, 1);
  removePartRecord(*doc, 0);
  EXPECT_EQ(doc->PartCount, 0);
  EXPECT_TRUE(allZero(doc->Parts, sizeof doc->Parts));
}

}  // namespace
