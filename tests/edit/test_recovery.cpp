// The recovery copy of unsaved work: when it is written and removed, what it holds, which copies a
// later start may take, and a folder that cannot hold one.

#include "support/files.h"

#include "edit/composition.h"
#include "edit/recovery.h"
#include "model/projectfile.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QLockFile>
#include <QSignalSpy>
#include <QTest>

namespace {

class RecoveryTest : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    c.startNew({40, 30});
  }
  QString folder() const { return dir.filePath(u"recovery"_qs); }
  QStringList files() const { return QDir(folder()).entryList(QDir::Files, QDir::Name); }
  QStringList copies() const { return QDir(folder()).entryList({u"*.rpf"_qs}, QDir::Files); }
  QString info() const { return QString::fromUtf8(fileBytes(withInfo(keeper.copyPath()))); }
  static QString withInfo(QString copy) { return copy.replace(u".rpf"_qs, u".info"_qs); }
  // A copy as a window that is gone left it: `id`.rpf, and its side file when `written` is given.
  void leave(const QString& id, const QByteArray& block, const QString& written = {}) {
    QDir().mkpath(folder());
    putFile(folder() + u'/' + id + u".rpf"_qs, block);
    if (!written.isEmpty())
      putFile(folder() + u'/' + id + u".info"_qs,
              (u"project=/p/"_qs + id + u".rpf\nwritten="_qs + written + u'\n').toUtf8());
  }

  QTemporaryDir dir;
  Composition c{96};
  RecoveryCopy keeper{c, folder()};
};

// The copy follows the unsaved state: it comes after a change and holds the block byte for byte,
// and goes when the block is as saved again, by undo, by saving, or by the window closing.
TEST_F(RecoveryTest, TheCopyIsTheUnsavedBlockAndGoesWhenNothingIsUnsaved) {
  keeper.update();
  EXPECT_TRUE(files().isEmpty()) << "nothing is unsaved after New";

  ASSERT_TRUE(c.addTextPart());
  EXPECT_TRUE(copies().isEmpty()) << "written after a pause, not in the edit";
  EXPECT_TRUE(QTest::qWaitFor([&] { return copies().size() == 1; }, 2000));
  EXPECT_EQ(fileBytes(keeper.copyPath()), projectBytes(c.document()));
  EXPECT_EQ(fileBytes(keeper.copyPath()).size(), 56512);
  EXPECT_TRUE(info().startsWith(u"project=\nwritten="_qs)) << info().toStdString();

  c.undo();
  EXPECT_TRUE(QTest::qWaitFor([&] { return copies().isEmpty(); }, 2000));
  EXPECT_EQ(files(), QStringList{QFileInfo(files().value(0)).completeBaseName() + u".lock"_qs})
      << "the side file goes with the copy; the lock stays while the window lives";

  c.redo();
  keeper.setProject(dir.filePath(u"logo.rpf"_qs));
  keeper.update();
  EXPECT_TRUE(info().startsWith(u"project="_qs + dir.filePath(u"logo.rpf"_qs) + u"\nwritten="_qs));
  const QDateTime written = QDateTime::fromString(info().section(u"written="_qs, 1).trimmed(), Qt::ISODateWithMs);
  EXPECT_LE(qAbs(written.secsTo(QDateTime::currentDateTimeUtc())), 5);

  // The project alone changes: the side file follows.
  keeper.setProject(dir.filePath(u"other.rpf"_qs));
  keeper.update();
  EXPECT_TRUE(info().startsWith(u"project="_qs + dir.filePath(u"other.rpf"_qs) + u'\n'));

  c.saveProject(dir.filePath(u"logo.rpf"_qs));
  EXPECT_TRUE(QTest::qWaitFor([&] { return copies().isEmpty(); }, 2000));

  c.setText(u"more"_qs);
  keeper.update();
  ASSERT_EQ(copies().size(), 1);
  keeper.finish();
  EXPECT_TRUE(files().isEmpty()) << "closing removes the copy, its side file and its lock";
  c.setText(u"after"_qs);
  QTest::qWait(RecoveryCopy::Pause + 200);
  keeper.update();
  EXPECT_TRUE(files().isEmpty()) << "nothing is kept after the window closed";

  // A keeper that goes without being finished, as a window destroyed, takes its copy along.
  {
    RecoveryCopy second(c, folder());
    second.update();
    EXPECT_EQ(copies().size(), 1);
  }
  EXPECT_TRUE(files().isEmpty());
}

// A drag writes while it lasts, not only at its end, and never more than once a second.
TEST_F(RecoveryTest, ADragIsKeptOnceASecondWhileItLasts) {
  ASSERT_TRUE(c.addTextPart());
  keeper.update();
  const QSignalSpy kept(&keeper, &RecoveryCopy::kept);
  c.beginDrag(0);
  QElapsedTimer clock;
  clock.start();
  for (int x = 1; clock.elapsed() < 2500; ++x) {
    c.dragTo({x, 0, 50, 20});
    QTest::qWait(20);
  }
  const int duringDrag = static_cast<int>(kept.size());
  c.endDrag();
  EXPECT_GE(duringDrag, 1);
  EXPECT_LE(duringDrag, 3);
  EXPECT_TRUE(QTest::qWaitFor([&] { return fileBytes(keeper.copyPath()) == projectBytes(c.document()); }, 2000));
}

// Another window's copy is live while its lock is held; once its owner is gone it is found,
// newest first, by the time its side file gives or else by the file's own time.
TEST_F(RecoveryTest, OnlyCopiesWhoseWindowIsGoneAreFoundNewestFirst) {
  ASSERT_TRUE(c.addTextPart());
  keeper.update();
  ASSERT_EQ(copies().size(), 1);
  const QByteArray block = projectBytes(c.document());
  leave(u"older"_qs, block, u"2026-01-02T03:04:05.000Z"_qs);
  leave(u"newer"_qs, block, u"2026-05-02T03:04:05.000Z"_qs);
  leave(u"undated"_qs, block);
  QFile undated(folder() + u"/undated.rpf"_qs);
  ASSERT_TRUE(undated.open(QIODevice::ReadWrite));
  ASSERT_TRUE(
      undated.setFileTime(QDateTime(QDate(2025, 1, 1), QTime(0, 0), Qt::UTC), QFileDevice::FileModificationTime));
  undated.close();
  // A lock left by a process that is gone does not make a copy live.
  putFile(folder() + u"/older.lock"_qs, "999999999\npelmora\n\n");

  std::vector<LeftWork> found = findLeftWork(folder());
  QStringList names;
  for (const LeftWork& work : found) names << QFileInfo(work.copyPath).fileName();
  EXPECT_EQ(names, (QStringList{u"newer.rpf"_qs, u"older.rpf"_qs, u"undated.rpf"_qs}));
  EXPECT_EQ(found[0].project, u"/p/newer.rpf"_qs);
  EXPECT_EQ(found[0].written, QDateTime(QDate(2026, 5, 2), QTime(3, 4, 5), Qt::UTC));
  EXPECT_TRUE(found[2].project.isEmpty());
  EXPECT_EQ(found[2].written, QDateTime(QDate(2025, 1, 1), QTime(0, 0), Qt::UTC)) << "the file's own time";

  // While one start holds them, another finds none of them.
  EXPECT_TRUE(findLeftWork(folder()).empty());

  discardLeftWork(found[0]);
  setLeftWorkAside(found[1]);
  found.clear();
  QStringList others = files();
  others.removeIf(
      [&](const QString& name) { return name.startsWith(QFileInfo(keeper.copyPath()).completeBaseName()); });
  EXPECT_EQ(others, (QStringList{u"older.info-damaged"_qs, u"older.rpf-damaged"_qs, u"undated.rpf"_qs}));
  EXPECT_EQ(fileBytes(keeper.copyPath()), block) << "the live copy is untouched";
  ASSERT_EQ(findLeftWork(folder()).size(), 1u) << "the one left for later is offered again";
}

// A copy adopted from a window that is gone is this keeper's own: written over, then removed.
TEST_F(RecoveryTest, AnAdoptedCopyIsKeptAndRemovedAsTheWindowsOwn) {
  ASSERT_TRUE(c.addTextPart());
  leave(u"left"_qs, projectBytes(c.document()), u"2026-01-02T03:04:05.000Z"_qs);
  std::vector<LeftWork> found = findLeftWork(folder());
  ASSERT_EQ(found.size(), 1u);
  keeper.adopt(std::move(found[0]));
  keeper.update();
  EXPECT_EQ(files(), (QStringList{u"left.info"_qs, u"left.lock"_qs, u"left.rpf"_qs}));
  EXPECT_TRUE(info().startsWith(u"project=/p/left.rpf\nwritten=2026-01-02"_qs)) << "unchanged work is not rewritten";

  c.setText(u"changed"_qs);
  keeper.update();
  EXPECT_EQ(fileBytes(folder() + u"/left.rpf"_qs), projectBytes(c.document()));
  c.markSaved();
  keeper.update();
  EXPECT_EQ(files(), QStringList{u"left.lock"_qs});
}

// A folder that cannot be made says so once, however many edits follow, and editing goes on; once
// a copy can be written again, the next failure is said again.
TEST_F(RecoveryTest, AFolderThatCannotHoldACopySaysSoOnceAndEditingGoesOn) {
  putFile(folder(), "a file where the folder should be");
  const QSignalSpy failed(&keeper, &RecoveryCopy::failed);
  for (int i = 0; i < 3; ++i) {
    ASSERT_TRUE(c.addTextPart());
    keeper.update();
  }
  EXPECT_EQ(failed.size(), 1);
  EXPECT_EQ(c.partCount(), 3);
  EXPECT_TRUE(c.isModified());

  ASSERT_TRUE(QFile::remove(folder()));
  c.setBounds(0, {1, 1, 50, 20});
  keeper.update();
  EXPECT_EQ(copies().size(), 1);
  ASSERT_TRUE(QFile::remove(keeper.copyPath()));
  ASSERT_TRUE(QDir(folder()).mkdir(QFileInfo(keeper.copyPath()).fileName())) << "a folder in the copy's place";
  c.setBounds(0, {2, 2, 50, 20});
  keeper.update();
  EXPECT_EQ(failed.size(), 2);
}

TEST(RecoveryFolder, FollowsXdgStateHomeAndFallsBackForAnUnsetOrRelativeOne) {
  const QByteArray saved = qgetenv("XDG_STATE_HOME");
  const struct {
    const char* value;
    QString folder;
  } cases[] = {
      {"/tmp/state", u"/tmp/state/pelmora/recovery"_qs},
      {"", QDir::homePath() + u"/.local/state/pelmora/recovery"_qs},
      {"relative/state", QDir::homePath() + u"/.local/state/pelmora/recovery"_qs},
  };
  for (const auto& row : cases) {
    qputenv("XDG_STATE_HOME", row.value);
    EXPECT_EQ(recoveryFolder(), row.folder) << row.value;
  }
  qputenv("XDG_STATE_HOME", saved);
}

}  // namespace
