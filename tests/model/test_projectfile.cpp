#include "model/projectfile.h"

#include "model/fixedstring.h"
#include "support/filesizelimit.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#include <cstring>
#include <functional>
#include <ostream>

namespace {

constexpr qsizetype kFileSize = sizeof(TDocument);

TDocument newDocument() {
  TDocument doc;
  clearDocument(doc);
  doc.BackColor = clWhite;
  return doc;
}

// A document using every kind of field: two parts, a background picture and odd bounds.
TDocument sampleDocument() {
  TDocument doc = newDocument();
  doc.BackColor = 0x123456;
  storeFixedPath(doc.BackFile, QStringLiteral("/tmp/背景.bmp"));
  doc.BackLeft = -5;
  doc.BackHeight = 96;
  TPartData& text = appendPart(doc, pkText);
  storeFixedString(text.Text, u"ロゴ Logo");
  text.Left = 12;
  text.Top = -3;
  text.FontStyle = fsBold | fsItalic;
  storeFixedPath(appendPart(doc, pkPicture).FileName, QStringLiteral("/tmp/picture.jpg"));
  return doc;
}

QByteArray fileBytes(const QString& path) {
  QFile file(path);
  EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
  return file.readAll();
}

void putFile(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
  ASSERT_EQ(file.write(bytes), bytes.size());
}

bool sameBlock(const TDocument& a, const TDocument& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

template <typename E>
QString messageOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const E& e) {
    return e.message();
  }
  ADD_FAILURE() << "nothing was thrown";
  return {};
}

class ProjectFileTest : public ::testing::Test {
protected:
  QString path(const QString& name) const { return dir.filePath(name); }
  QStringList entries() const { return QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System); }

  QTemporaryDir dir;
};

TEST_F(ProjectFileTest, SavingTwiceGivesIdenticalFilesOfTheBlock) {
  const TDocument doc = sampleDocument();
  writeProjectFile(path(QStringLiteral("a.rpf")), doc);
  writeProjectFile(path(QStringLiteral("b.rpf")), doc);
  const QByteArray a = fileBytes(path(QStringLiteral("a.rpf")));
  EXPECT_EQ(a.size(), kFileSize);
  EXPECT_EQ(a, fileBytes(path(QStringLiteral("b.rpf"))));
  EXPECT_EQ(std::memcmp(a.constData(), &doc, sizeof doc), 0);
}

TEST_F(ProjectFileTest, RoundTripKeepsEveryByteIncludingStaleOnes) {
  TDocument doc = sampleDocument();
  // A shorter string over a longer one leaves the longer one's tail after the zero.
  storeFixedString(doc.Parts[0].Text, u"a much longer title than the next");
  storeFixedString(doc.Parts[0].Text, u"short");
  ASSERT_EQ(doc.Parts[0].Text[7], 'l');
  writeProjectFile(path(QStringLiteral("p.rpf")), doc);
  const TDocument back = readProjectFile(path(QStringLiteral("p.rpf")));
  EXPECT_TRUE(sameBlock(back, doc));
  EXPECT_EQ(back.Parts[0].Text[7], 'l');
  EXPECT_EQ(fixedString(back.Parts[0].Text), QStringLiteral("short"));
}

// A file cut short by a failed download, or with anything after the block, is damaged: reading
// it as far as it goes would pass a broken composition off as the saved one.
TEST_F(ProjectFileTest, FilesOfAnyOtherSizeThanTheBlockAreRefusedWithTheirSize) {
  const QByteArray block = projectBytes(sampleDocument());
  const struct {
    qsizetype size;
    const char* reason;
  } cases[] = {
      {0, "大きさ 0 バイト、正しくは 56512 バイト"},         {1000, "大きさ 1000 バイト、正しくは 56512 バイト"},
      {56508, "大きさ 56508 バイト、正しくは 56512 バイト"},  // cut just before PartCount
      {56511, "大きさ 56511 バイト、正しくは 56512 バイト"}, {56513, "大きさ 56513 バイト、正しくは 56512 バイト"},
      {56522, "大きさ 56522 バイト、正しくは 56512 バイト"},
  };
  for (const auto& c : cases) {
    const QString file = path(QStringLiteral("%1.rpf").arg(c.size));
    const QByteArray bytes = (block + QByteArray(c.size, '\0')).first(c.size);
    putFile(file, bytes);
    const QString expected =
        QStringLiteral("ﾌﾟﾛｼﾞｪｸﾄﾌｧｲﾙ %1 が壊れています (%2)").arg(file, QString::fromUtf8(c.reason));
    EXPECT_EQ(messageOf<ProjectFileRefused>([&] { readProjectFile(file); }), expected);
    EXPECT_EQ(messageOf<ProjectFileRefused>([&] { projectFromBytes(bytes, file); }), expected);
  }
}

// Each mutation makes the block one that no editor writes.
struct Damage {
  const char* name;
  std::function<void(TDocument&)> apply;
  const char* reason;  // a part of the message that says what is wrong
};

void PrintTo(const Damage& damage, std::ostream* out) { *out << damage.name; }

class ProjectFileRefusal : public ::testing::TestWithParam<Damage> {};

TEST_P(ProjectFileRefusal, IsRefusedWithTheFileNamedAndTheReason) {
  QTemporaryDir dir;
  const QString file = dir.filePath(QStringLiteral("damaged.rpf"));
  TDocument doc = sampleDocument();
  GetParam().apply(doc);
  putFile(file, projectBytes(doc));
  const QString message = messageOf<ProjectFileRefused>([&] { readProjectFile(file); });
  EXPECT_TRUE(message.contains(file)) << message.toStdString();
  EXPECT_TRUE(message.contains(QString::fromUtf8(GetParam().reason))) << message.toStdString();
  // The same checks on the bytes alone, as the fuzzer drives them.
  EXPECT_THROW(projectFromBytes(projectBytes(doc), file), ProjectFileRefused);
}

void breakString(char (&field)[FIXED_STRING_SIZE]) { std::memset(field, 'A', FIXED_STRING_SIZE); }

INSTANTIATE_TEST_SUITE_P(
    DamagedBlocks, ProjectFileRefusal,
    ::testing::Values(Damage{"PartCount100", [](TDocument& d) { d.PartCount = 100; }, "部品数 100"},
                      Damage{"PartCountMinus1", [](TDocument& d) { d.PartCount = -1; }, "部品数 -1"},
                      Damage{"PartCount1000", [](TDocument& d) { d.PartCount = 1000; }, "部品数 1000"},
                      Damage{"Kind0", [](TDocument& d) { d.Parts[1].Kind = 0; }, "2 番目の部品の種類 0"},
                      Damage{"Kind3", [](TDocument& d) { d.Parts[0].Kind = 3; }, "1 番目の部品の種類 3"},
                      Damage{"IndexMinus1", [](TDocument& d) { d.Parts[1].Index = -1; }, "2 番目の部品の番号 -1"},
                      Damage{"IndexSwapped",
                             [](TDocument& d) {
                               d.Parts[0].Index = 1;
                               d.Parts[1].Index = 0;
                             },
                             "番号"},
                      Damage{"TextUnended", [](TDocument& d) { breakString(d.Parts[0].Text); }, "文字列"},
                      Damage{"FontNameUnended", [](TDocument& d) { breakString(d.Parts[0].FontName); }, "フォント名"},
                      Damage{"FileNameUnended", [](TDocument& d) { breakString(d.Parts[1].FileName); }, "ファイル名"},
                      Damage{"BackFileUnended", [](TDocument& d) { breakString(d.BackFile); }, "背景"}),
    [](const ::testing::TestParamInfo<Damage>& p) { return std::string(p.param.name); });

TEST_F(ProjectFileTest, NinetyNinePartsTheMostAFileHoldsReadAndWriteBackUnchanged) {
  TDocument doc = newDocument();
  for (int i = 0; i < MAX_PARTS; ++i) {
    TPartData& r = appendPart(doc, i % 2 == 0 ? pkText : pkPicture);
    if (r.Kind == pkPicture) storeFixedPath(r.FileName, QStringLiteral("/tmp/p%1.bmp").arg(i));
    r.Left = i;
    r.Width = 3;
    r.Height = 4;
  }
  ASSERT_EQ(doc.PartCount, 99);
  ASSERT_EQ(doc.Parts[98].Kind, pkText);
  const QByteArray written = projectBytes(doc);
  putFile(path(QStringLiteral("full.rpf")), written);
  const TDocument read = readProjectFile(path(QStringLiteral("full.rpf")));
  EXPECT_EQ(projectBytes(read), written);
  writeProjectFile(path(QStringLiteral("again.rpf")), read);
  EXPECT_EQ(fileBytes(path(QStringLiteral("again.rpf"))), written);
}

// Another program, or a file cut short, may leave anything in the free records; the next part
// added goes there and must start from zero bytes, not from what the file held.
TEST_F(ProjectFileTest, FreeRecordsAreReadAsZeroAndRecordsInUseAsTheyStand) {
  TDocument doc = sampleDocument();
  storeFixedString(doc.Parts[0].Text, u"a much longer title than the next");
  storeFixedString(doc.Parts[0].Text, u"short");
  doc.Parts[0].Reserved1[1] = 0x5A;
  for (int i = 2; i < MAX_PARTS; ++i) std::memset(&doc.Parts[i], 0xA5, sizeof(TPartData));
  const QByteArray written = projectBytes(doc);
  putFile(path(QStringLiteral("junk.rpf")), written);

  const QByteArray read = projectBytes(readProjectFile(path(QStringLiteral("junk.rpf"))));
  constexpr qsizetype kRecord = sizeof(TPartData);
  EXPECT_EQ(read.first(2 * kRecord), written.first(2 * kRecord));
  EXPECT_EQ(read.mid(2 * kRecord, 97 * kRecord), QByteArray(97 * kRecord, '\0'));
  EXPECT_EQ(read.mid(99 * kRecord), written.mid(99 * kRecord));
}

TEST_F(ProjectFileTest, RecordsPastThePartCountAreNotChecked) {
  TDocument doc = sampleDocument();
  doc.Parts[2].Kind = 77;
  doc.Parts[2].Index = -9;
  breakString(doc.Parts[2].Text);
  breakString(doc.Parts[98].FileName);
  EXPECT_NO_THROW(checkProject(doc, QStringLiteral("p.rpf")));
}

TEST_F(ProjectFileTest, OnlyRegularFilesAreOpened) {
  const QString fifo = path(QStringLiteral("fifo.rpf"));
  ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
  const QString folder = path(QStringLiteral("folder.rpf"));
  ASSERT_TRUE(QDir().mkdir(folder));
  for (const QString& p : {fifo, folder, path(QStringLiteral("missing.rpf")), QStringLiteral("/dev/zero")}) {
    const QString message = messageOf<Failure>([&] { readProjectFile(p); });
    EXPECT_EQ(message, QStringLiteral("ファイル %1 は開けません").arg(p));
  }
}

TEST_F(ProjectFileTest, FileThatCannotBeCreatedIsReported) {
  const QString p = path(QStringLiteral("no/such/folder/p.rpf"));
  EXPECT_EQ(messageOf<Failure>([&] { writeProjectFile(p, sampleDocument()); }),
            QStringLiteral("ファイル %1 を作成できません").arg(p));
}

TEST_F(ProjectFileTest, FailedWriteKeepsTheEarlierFileAndLeavesNoTemporaryFile) {
  const QString p = path(QStringLiteral("p.rpf"));
  writeProjectFile(p, newDocument());
  QString message;
  {
    const FileSizeLimit limit(4096);
    message = messageOf<Failure>([&] { writeProjectFile(p, sampleDocument()); });
  }
  EXPECT_EQ(message, QStringLiteral("ストリームへの書き込みエラー"));
  EXPECT_EQ(fileBytes(p), projectBytes(newDocument()));
  EXPECT_EQ(entries(), QStringList{QStringLiteral("p.rpf")});
}

}  // namespace
