// Hostile text for the fixed fields, and writes aimed where no file can be made. Inputs that
// fuzzing found are kept here byte for byte.

#include "model/failure.h"
#include "model/fixedstring.h"
#include "model/regularfile.h"
#include "support/filesizelimit.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstring>
#include <functional>

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

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

// Every name here refuses a new file: a path under a regular file (as root, the one sure way to
// have a folder nothing can be written into), a folder, a pipe and a device. The write names the
// file, and whatever held the name is left exactly as it was.
TEST(WriteFaults, NamesNoFileCanTakeAreRefusedAndLeftAsTheyWere) {
  QTemporaryDir dir;
  const auto at = [&](const char* name) { return dir.filePath(QString::fromLatin1(name)); };
  QFile plain(at("plain.txt"));
  ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
  plain.write("kept");
  plain.close();
  ASSERT_EQ(mkfifo(QFile::encodeName(at("pipe.rpf")).constData(), 0600), 0);
  ASSERT_TRUE(QDir().mkdir(at("folder.rpf")));
  QStringList targets = {at("plain.txt/p.rpf"), at("folder.rpf"), at("pipe.rpf")};
  // A node like /dev/full, made here so the system's own is never at stake.
  const bool device = mknod(QFile::encodeName(at("full")).constData(), S_IFCHR | 0600, makedev(1, 7)) == 0;
  if (device) targets << at("full");
  if (geteuid() != 0) {
    ASSERT_TRUE(QDir().mkdir(at("locked")));
    ASSERT_EQ(chmod(QFile::encodeName(at("locked")).constData(), 0500), 0);
    targets << at("locked/p.rpf");
  }

  for (const QString& target : targets) {
    try {
      writeWholeFile(target, "new contents");
      ADD_FAILURE() << target.toStdString() << " was written";
    } catch (const Failure& failure) {
      EXPECT_EQ(failure.message(), QStringLiteral("ファイル %1 を作成できません").arg(target));
    }
  }

  struct stat info {};
  ASSERT_EQ(stat(QFile::encodeName(at("pipe.rpf")).constData(), &info), 0);
  EXPECT_TRUE(S_ISFIFO(info.st_mode));
  if (device) {
    ASSERT_EQ(stat(QFile::encodeName(at("full")).constData(), &info), 0);
    EXPECT_TRUE(S_ISCHR(info.st_mode));
  }
  ASSERT_TRUE(plain.open(QIODevice::ReadOnly));
  EXPECT_EQ(plain.readAll(), QByteArray("kept"));
  // No temporary file left behind anywhere.
  QStringList expected = {QStringLiteral("pipe.rpf"), QStringLiteral("plain.txt")};
  if (device) expected.prepend(QStringLiteral("full"));
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::System | QDir::Hidden, QDir::Name), expected);
  EXPECT_TRUE(QDir(at("folder.rpf")).isEmpty());
}

// A write that fails only when the file is put in place, as on a full disk with the last bytes
// still held back, or with the name taken by a folder meanwhile: said as any failed write, what
// held the name kept and no temporary file left.
TEST(WriteFaults, AWriteThatFailsWhenPutInPlaceIsSaid) {
  QTemporaryDir dir;
  const QString target = dir.filePath(QStringLiteral("p.rpf"));
  const auto failureOf = [](const std::function<void()>& write) {
    try {
      write();
    } catch (const Failure& failure) {
      return failure.message();
    }
    return QString();
  };
  writeWholeFile(target, "earlier");
  {
    const FileSizeLimit limit(4);
    EXPECT_EQ(failureOf([&] { writeWholeFile(target, "new contents"); }),
              QStringLiteral("ストリームへの書き込みエラー"));
  }
  QFile written(target);
  ASSERT_TRUE(written.open(QIODevice::ReadOnly));
  EXPECT_EQ(written.readAll(), QByteArray("earlier"));

  const QString taken = dir.filePath(QStringLiteral("taken.bmp"));
  EXPECT_EQ(failureOf([&] {
              WholeFile file(taken);
              file.write("logo");
              ASSERT_TRUE(QDir().mkdir(taken));
              file.commit();
            }),
            QStringLiteral("ストリームへの書き込みエラー"));
  EXPECT_TRUE(QFileInfo(taken).isDir());
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("p.rpf")});
}

}  // namespace
