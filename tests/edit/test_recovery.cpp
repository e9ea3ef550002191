// The recovery copy of unsaved work: when it is written and removed, what it holds, which copies a
// later start may take, and a folder that cannot hold one.

#include "support/files.h"

#include "edit/composition.h"
#include "edit/recovery.h"
#include "model/projectfile.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QLockFile>
#include <QSettings>
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
  // The project the keeper's side file names.
  QString project() const {
    return QSettings(folder() + u'/' + files().value(0), QSettings::IniFormat).value(u"project"_qs).toString();
  }
  // A copy as a window that is gone left it: `id`.rpf written at `written`, and its side file
  // naming /p/`id`.rpf when `named`.
  void leave(const QString& id, const QByteArray& block, const QDateTime& written, bool named = true) {
    QDir().mkpath(folder());
    putFile(folder() + u'/' + id + u".rpf"_qs, block);
    setTime(folder() + u'/' + id + u".rpf"_qs, written);
    if (named) putFile(folder() + u'/' + id + u".info"_qs, (u"project=/p/"_qs + id + u".rpf\n"_qs).toUtf8());
  }
  static void setTime(const QString& path, const QDateTime& time) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(file.setFileTime(time, QFileDevice::FileModificationTime));
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
  EXPECT_EQ(project(), QString());
  EXPECT_EQ(QFileInfo(folder()).permissions().toInt() & 0x77, 0) << "the folder is the user's alone";

  c.undo();
  keeper.flush();
  EXPECT_EQ(files(), QStringList{QFileInfo(files().value(0)).completeBaseName() + u".lock"_qs})
      << "the side file goes with the copy; the lock stays while the window lives";

  c.redo();
  keeper.setProject(dir.filePath(u"logo.rpf"_qs));
  keeper.update();
  keeper.flush();
  EXPECT_EQ(project(), dir.filePath(u"logo.rpf"_qs));

  // The project alone changes: the side file follows.
  keeper.setProject(dir.filePath(u"other.rpf"_qs));
  keeper.update();
  keeper.flush();
  EXPECT_EQ(project(), dir.filePath(u"other.rpf"_qs));

  // Saved work goes at once, not after the pause: a crash then would offer it as lost.
  c.saveProject(dir.filePath(u"logo.rpf"_qs));
  keeper.flush();
  EXPECT_TRUE(copies().isEmpty());

  c.setText(u"more"_qs);
  keeper.update();
  keeper.flush();
  ASSERT_EQ(copies().size(), 1);
  keeper.finish();
  EXPECT_TRUE(files().isEmpty()) << "closing removes the copy, its side file and its lock";
  c.setText(u"after"_qs);
  keeper.update();
  keeper.flush();
  EXPECT_TRUE(files().isEmpty()) << "nothing is kept after the window closed";
}

// A keeper that goes unfinished (a window torn down by a failure, not closed) leaves its copy for
// a later start, naming its project whatever the path holds.
TEST_F(RecoveryTest, AKeeperThatGoesUnfinishedLeavesItsCopyNamingItsProject) {
  keeper.finish();
  ASSERT_TRUE(c.addTextPart());
  const QString projects[] = {u"/p/a\nb.rpf"_qs, u"/p/x=1; y, \"z\".rpf"_qs, u" /[General]/#ロゴ\\%20.rpf"_qs, {}};
  for (const QString& project : projects) {
    {
      RecoveryCopy gone(c, folder());
      gone.setProject(project);
      gone.update();
    }
    std::vector<LeftWork> found = findLeftWork(folder());
    ASSERT_EQ(found.size(), 1u) << project.toStdString();
    EXPECT_EQ(found[0].project, project);
    EXPECT_EQ(fileBytes(found[0].copyPath), projectBytes(c.document()));
    discardLeftWork(found[0]);
  }
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

// Another window's copy is live while its lock is held, however old; once its owner is gone it is
// found, newest first by the copy's own time, unless it went before its lock was taken.
TEST_F(RecoveryTest, OnlyCopiesWhoseWindowIsGoneAreFoundNewestFirst) {
  ASSERT_TRUE(c.addTextPart());
  keeper.update();
  keeper.flush();
  ASSERT_EQ(copies().size(), 1);
  const QByteArray block = projectBytes(c.document());
  leave(u"older"_qs, block, QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5), Qt::UTC));
  leave(u"newer"_qs, block, QDateTime(QDate(2026, 5, 2), QTime(3, 4, 5), Qt::UTC));
  leave(u"unnamed"_qs, block, QDateTime(QDate(2025, 1, 1), QTime(0, 0), Qt::UTC), false);
  leave(u"alive"_qs, block, QDateTime(QDate(2026, 6, 1), QTime(0, 0), Qt::UTC));
  // A lock left by a process that is gone does not make a copy live; one whose process lives
  // does, however old (here without the native lock a local disk adds).
  putFile(folder() + u"/older.lock"_qs, "999999999\npelmora\n\n");
  putFile(folder() + u"/alive.lock"_qs, QByteArray::number(QCoreApplication::applicationPid()) + '\n' +
                                            QFileInfo(QCoreApplication::applicationFilePath()).fileName().toUtf8() +
                                            "\n\n");
  setTime(folder() + u"/alive.lock"_qs, QDateTime(QDate(2020, 1, 1), QTime(0, 0), Qt::UTC));
  // A copy its window removed, and let its lock go, since the folder was listed.
  EXPECT_FALSE(takeLeftWork(folder() + u"/gone.rpf"_qs));

  std::vector<LeftWork> found = findLeftWork(folder());
  QStringList names;
  for (const LeftWork& work : found) names << QFileInfo(work.copyPath).fileName();
  EXPECT_EQ(names, (QStringList{u"newer.rpf"_qs, u"older.rpf"_qs, u"unnamed.rpf"_qs}));
  EXPECT_EQ(found[0].project, u"/p/newer.rpf"_qs);
  EXPECT_EQ(found[0].written, QDateTime(QDate(2026, 5, 2), QTime(3, 4, 5), Qt::UTC)) << "the copy's own time";
  EXPECT_TRUE(found[2].project.isEmpty());

  // While one start holds them, another finds none of them.
  EXPECT_TRUE(findLeftWork(folder()).empty());

  discardLeftWork(found[0]);
  setLeftWorkAside(found[1]);
  found.clear();
  QStringList others = files();
  others.removeIf(
      [&](const QString& name) { return name.startsWith(QFileInfo(keeper.copyPath()).completeBaseName()); });
  EXPECT_EQ(others, (QStringList{u"alive.info"_qs, u"alive.lock"_qs, u"alive.rpf"_qs, u"older.info-damaged"_qs,
                                 u"older.rpf-damaged"_qs, u"unnamed.rpf"_qs}));
  EXPECT_EQ(fileBytes(keeper.copyPath()), block) << "the live copy is untouched";
  ASSERT_EQ(findLeftWork(folder()).size(), 1u) << "the one left for later is offered again";
}

// A copy adopted from a window that is gone is this keeper's own: written over, then removed. Its
// side file is written only when the project changes, and before the copy: a copy is never
// written that its side file does not name.
TEST_F(RecoveryTest, AnAdoptedCopyIsKeptAndRemovedAsTheWindowsOwn) {
  ASSERT_TRUE(c.addTextPart());
  const QByteArray left = projectBytes(c.document());
  leave(u"left"_qs, left, QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5), Qt::UTC));
  const QString info = folder() + u"/left.info"_qs;
  const QByteArray side = fileBytes(info);
  std::vector<LeftWork> found = findLeftWork(folder());
  ASSERT_EQ(found.size(), 1u);
  keeper.adopt(std::move(found[0]));
  keeper.update();
  keeper.flush();
  EXPECT_EQ(files(), (QStringList{u"left.info"_qs, u"left.lock"_qs, u"left.rpf"_qs}));
  EXPECT_EQ(QFileInfo(folder() + u"/left.rpf"_qs).lastModified(), QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5), Qt::UTC))
      << "unchanged work is not rewritten";

  c.setBounds(0, {1, 1, 50, 20});
  keeper.update();
  keeper.flush();
  EXPECT_EQ(fileBytes(folder() + u"/left.rpf"_qs), projectBytes(c.document()));
  EXPECT_EQ(fileBytes(info), side) << "the same project: the side file stays as it was";

  const QByteArray kept = projectBytes(c.document());
  ASSERT_TRUE(QFile::remove(info) && QDir().mkdir(info)) << "a side file that cannot be written";
  keeper.setProject(u"/p/other.rpf"_qs);
  c.setBounds(0, {2, 2, 50, 20});
  keeper.update();
  keeper.flush();
  EXPECT_EQ(fileBytes(folder() + u"/left.rpf"_qs), kept);

  c.markSaved();
  keeper.flush();
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
  keeper.flush();
  EXPECT_EQ(copies().size(), 1);
  ASSERT_TRUE(QFile::remove(keeper.copyPath()));
  ASSERT_TRUE(QDir(folder()).mkdir(QFileInfo(keeper.copyPath()).fileName())) << "a folder in the copy's place";
  c.setBounds(0, {2, 2, 50, 20});
  keeper.update();
  keeper.flush();
  EXPECT_EQ(failed.size(), 2);
}

TEST(RecoveryFolder, FollowsXdgStateHomeAndFallsBackForAnUnsetOrRelativeOne) {
  const QByteArray saved = qgetenv("XDG_STATE_HOME");
  const QTemporaryDir state;
  const struct {
    QString value;
    QString folder;
  } cases[] = {
      {state.path(), state.path() + u"/pelmora/recovery"_qs},
      {{}, QDir::homePath() + u"/.local/state/pelmora/recovery"_qs},
      {u"relative/state"_qs, QDir::homePath() + u"/.local/state/pelmora/recovery"_qs},
  };
  for (const auto& row : cases) {
    qputenv("XDG_STATE_HOME", row.value.toLocal8Bit());
    EXPECT_EQ(recoveryFolder(), row.folder) << row.value.toStdString();
  }
  qputenv("XDG_STATE_HOME", saved);
}

}  // namespace
