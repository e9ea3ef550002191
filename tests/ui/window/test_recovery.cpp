// Work kept against a crash, seen from the window: the question at start and each answer, copies
// that are damaged or still live, the window's own copy at close and when it cannot be written;
// and the file menu's recent projects.

#include "support/files.h"
#include "support/mainfixture.h"

#include "edit/recovery.h"
#include "ui/window/recentprojects.h"
#include "ui/common/usersettings.h"

#include <QDir>
#include <QLabel>
#include <QLockFile>
#include <QMenuBar>
#include <QStatusBar>

#include <chrono>
#include <future>

namespace {

class Recovery : public MainWindowTest {
protected:
  // The window's copies go to a folder of this test's own.
  Recovery() : savedState(qgetenv("XDG_STATE_HOME")) { qputenv("XDG_STATE_HOME", state.path().toLocal8Bit()); }
  ~Recovery() override { qputenv("XDG_STATE_HOME", savedState); }

  QString folder() const { return state.path() + u"/pelmora/recovery"_qs; }
  QStringList files() const { return QDir(folder()).entryList(QDir::Files, QDir::Name); }
  RecoveryCopy& keeper() { return *window->findChild<RecoveryCopy*>(); }
  // The window's copy written now, as it would be after the pause.
  void keep() {
    keeper().update();
    keeper().flush();
  }
  // A copy as a window that is gone left it, named `id`, written at `written`.
  void leave(const QString& id, const QByteArray& block, const QString& project, const QString& written) {
    QDir().mkpath(folder());
    QFile copy(folder() + u'/' + id + u".rpf"_qs);
    ASSERT_TRUE(copy.open(QIODevice::WriteOnly));
    copy.write(block);
    copy.setFileTime(QDateTime::fromString(written, Qt::ISODateWithMs), QFileDevice::FileModificationTime);
    putFile(folder() + u'/' + id + u".info"_qs, (u"project="_qs + project).toUtf8());
  }
  // The composition's block as it stands, with a text part saying `text` added.
  QByteArray blockWithText(const QString& text) {
    EXPECT_TRUE(addPart(pkText));
    comp().setText(text);
    const QByteArray block = projectBytes(document());
    newComposition();
    return block;
  }

  QTemporaryDir state;
  QByteArray savedState;
  QTemporaryDir dir;
};

// 復元: the copy is the composition, unsaved, with no history; Save proposes its project, a
// picture that has gone is reported as Open reports it, and the window keeps the copy as its own.
TEST_F(Recovery, RestoredWorkIsTheCompositionUnsavedAndBelongsToItsProject) {
  const QString picture = savedPicture(dir, "gone.bmp", {6, 4});
  dialogs->picturesToOpen.push_back(picture);
  ASSERT_TRUE(addPart(pkPicture));
  const QByteArray block = blockWithText(u"残す"_qs);
  ASSERT_TRUE(QFile::remove(picture));
  const QString project = dir.filePath(u"logo.rpf"_qs);
  leave(u"left"_qs, block, project, u"2026-03-04T05:06:07.000Z"_qs);

  dialogs->leftWorkAnswers.push_back(Dialogs::LeftWorkAnswer::Restore);
  EXPECT_TRUE(w().offerLeftWork()) << dialogs->messages.value(0).first.toStdString()
                                   << reports.value(0).first.toStdString();
  const QString local =
      QDateTime(QDate(2026, 3, 4), QTime(5, 6, 7), Qt::UTC).toLocalTime().toString(u"yyyy/MM/dd HH:mm:ss"_qs);
  EXPECT_EQ(dialogs->leftWorkQuestions, QStringList{u"ﾌﾟﾛｼﾞｪｸﾄ: logo.rpf\n日時: "_qs + local});
  EXPECT_EQ(projectBytes(document()), block);
  EXPECT_TRUE(comp().isModified());
  EXPECT_FALSE(comp().canUndo());
  EXPECT_EQ(dialogs->proposedProjectName, project);
  ASSERT_EQ(reports.size(), 1);
  EXPECT_TRUE(reports[0].first.contains(picture)) << reports[0].first.toStdString();

  keep();
  EXPECT_EQ(files(), (QStringList{u"left.info"_qs, u"left.lock"_qs, u"left.rpf"_qs})) << "the window's own now";
  dialogs->unsavedAnswers.push_back(Dialogs::UnsavedChanges::Discard);
  run("newAction");
  EXPECT_EQ(dialogs->unsavedQuestions, 1) << "restored work counts as unsaved";
  keep();
  EXPECT_EQ(files(), QStringList{u"left.lock"_qs});
}

// 破棄 removes the copy; 後で leaves it to be asked about at a later start. Only the newest is
// asked about; the older waits. Neither answer replaces the composition.
TEST_F(Recovery, DiscardRemovesTheNewestAndLaterLeavesEverything) {
  const QByteArray block = blockWithText(u"a"_qs);
  leave(u"older"_qs, block, {}, u"2026-01-01T00:00:00.000Z"_qs);
  leave(u"newer"_qs, block, dir.filePath(u"n.rpf"_qs), u"2026-02-01T00:00:00.000Z"_qs);
  const QStringList all = files();

  EXPECT_FALSE(w().offerLeftWork());
  EXPECT_EQ(files(), all);
  dialogs->leftWorkAnswers.push_back(Dialogs::LeftWorkAnswer::Discard);
  EXPECT_FALSE(w().offerLeftWork());
  EXPECT_EQ(files(), (QStringList{u"older.info"_qs, u"older.rpf"_qs}));
  EXPECT_FALSE(w().offerLeftWork());
  ASSERT_EQ(dialogs->leftWorkQuestions.size(), 3);
  EXPECT_TRUE(dialogs->leftWorkQuestions[0].startsWith(u"ﾌﾟﾛｼﾞｪｸﾄ: n.rpf\n"_qs));
  EXPECT_TRUE(dialogs->leftWorkQuestions[1].startsWith(u"ﾌﾟﾛｼﾞｪｸﾄ: n.rpf\n"_qs));
  EXPECT_TRUE(dialogs->leftWorkQuestions[2].startsWith(u"ﾌﾟﾛｼﾞｪｸﾄ: 無題\n"_qs));
  EXPECT_EQ(document().PartCount, 0);
  EXPECT_FALSE(comp().isModified());
}

// At start the question comes before the project named on the command line, which opens only
// when the work is not restored.
TEST_F(Recovery, TheNamedProjectOpensOnlyWhenTheWorkIsNotRestored) {
  const QByteArray left = blockWithText(u"left"_qs);
  ASSERT_TRUE(addPart(pkText));
  ASSERT_TRUE(addPart(pkText));
  const QString named = dir.filePath(u"named.rpf"_qs);
  writeProjectFile(named, document());
  newComposition();
  const struct {
    Dialogs::LeftWorkAnswer answer;
    QString project;
    int parts;
  } rows[] = {{Dialogs::LeftWorkAnswer::Later, named, 2},
              {Dialogs::LeftWorkAnswer::Restore, named, 1},
              {Dialogs::LeftWorkAnswer::Restore, {}, 1}};
  for (const auto& row : rows) {
    newComposition();
    // Each of its own: the window keeps a copy it restored under that copy's name.
    leave(QString::number(&row - rows), left, {}, u"2026-01-01T00:00:00.000Z"_qs);
    dialogs->leftWorkAnswers.push_back(row.answer);
    w().start(row.project);
    EXPECT_EQ(document().PartCount, row.parts);
    EXPECT_EQ(comp().isModified(), row.parts == 1);
  }
  EXPECT_EQ(dialogs->leftWorkQuestions.size(), 3);
}

// 復元 chosen, the copy vanishes or is damaged before it is read: Open's words, the fresh
// composition, and a damaged copy set aside.
TEST_F(Recovery, ARestoreThatFailsSaysWhyAndKeepsWhatIsLeft) {
  const QByteArray block = blockWithText(u"a"_qs);
  const QString copy = folder() + u"/left.rpf"_qs;
  const struct {
    std::function<void()> meanwhile;
    QString said;
    QStringList left;
  } rows[] = {
      {[&] { QFile::remove(copy); }, u"ファイル "_qs + copy + u" は開けません."_qs, {u"left.info"_qs}},
      {[&] { putFile(copy, "cut"); },
       u"ﾌﾟﾛｼﾞｪｸﾄﾌｧｲﾙ "_qs + copy + u" が壊れています (大きさ 3 バイト、正しくは 56512 バイト)"_qs,
       {u"left.info-damaged"_qs, u"left.rpf-damaged"_qs}},
  };
  for (const auto& row : rows) {
    leave(u"left"_qs, block, {}, u"2026-01-01T00:00:00.000Z"_qs);
    dialogs->leftWorkAnswers.push_back(Dialogs::LeftWorkAnswer::Restore);
    dialogs->whileAskedToRestore = row.meanwhile;
    EXPECT_FALSE(w().offerLeftWork());
    EXPECT_EQ((std::exchange(dialogs->messages, {}) + std::exchange(reports, {})).value(0).first, row.said);
    EXPECT_EQ(document().PartCount, 0);
    EXPECT_EQ(files(), row.left);
  }
}

// A copy that cannot be read says so in Open's words and is set aside, never deleted, and the
// next one is offered; a copy another window holds is never offered.
TEST_F(Recovery, DamagedCopiesAreSetAsideAndLiveOnesAreNeverOffered) {
  leave(u"cut"_qs, QByteArray(100, '\0'), {}, u"2026-02-01T00:00:00.000Z"_qs);
  // Only the part count in the last four bytes is wrong.
  QByteArray wrongCount = blockWithText(u"b"_qs);
  wrongCount[wrongCount.size() - 1] = '\x7f';
  leave(u"bad"_qs, wrongCount, {}, u"2026-01-31T00:00:00.000Z"_qs);
  leave(u"sound"_qs, blockWithText(u"c"_qs), {}, u"2026-01-01T00:00:00.000Z"_qs);

  // Another window in this process keeps a copy of its own, and is live.
  MainWindow other(std::make_unique<ScriptedDialogs>());
  other.findChild<Composition*>()->addTextPart();
  other.findChild<RecoveryCopy*>()->update();
  other.findChild<RecoveryCopy*>()->flush();
  const QString live = other.findChild<RecoveryCopy*>()->copyPath();
  ASSERT_TRUE(QFile::exists(live));

  EXPECT_FALSE(w().offerLeftWork());
  ASSERT_EQ(dialogs->messages.size(), 2);
  EXPECT_TRUE(dialogs->messages[0].first.contains(folder() + u"/cut.rpf"_qs));
  EXPECT_TRUE(dialogs->messages[0].first.contains(u"大きさ 100 バイト"_qs)) << dialogs->messages[0].first.toStdString();
  EXPECT_EQ(dialogs->messages[0].second, u"ﾌｧｲﾙ I/O ｴﾗｰ"_qs);
  EXPECT_TRUE(dialogs->messages[1].first.contains(folder() + u"/bad.rpf"_qs));
  EXPECT_EQ(dialogs->leftWorkQuestions.size(), 1) << "the sound one is offered";
  QStringList aside = QDir(folder()).entryList({u"*-damaged"_qs}, QDir::Files, QDir::Name);
  EXPECT_EQ(aside, (QStringList{u"bad.info-damaged"_qs, u"bad.rpf-damaged"_qs, u"cut.info-damaged"_qs,
                                u"cut.rpf-damaged"_qs}));
  EXPECT_EQ(fileBytes(folder() + u"/bad.rpf-damaged"_qs), wrongCount);
  EXPECT_TRUE(QFile::exists(live));
}

// However the window closes normally, the copy goes: after 保存しない too.
TEST_F(Recovery, ANormalCloseRemovesTheCopyWhateverTheAnswer) {
  ASSERT_TRUE(addPart(pkText));
  keep();
  ASSERT_EQ(files().size(), 3);
  dialogs->unsavedAnswers.push_back(Dialogs::UnsavedChanges::Cancel);
  w().close();
  EXPECT_EQ(files().size(), 3) << "cancelled: the window and its copy stay";
  dialogs->unsavedAnswers.push_back(Dialogs::UnsavedChanges::Discard);
  w().close();
  EXPECT_TRUE(files().isEmpty());
}

// A folder that cannot hold the copy is said once in the status bar, and editing goes on.
TEST_F(Recovery, ACopyThatCannotBeWrittenIsSaidOnceInTheStatusBar) {
  QDir().mkpath(state.path() + u"/pelmora"_qs);
  putFile(folder(), "a file where the folder should be");
  ASSERT_TRUE(addPart(pkText));
  keep();
  EXPECT_EQ(w().statusBar()->currentMessage(), u"復元用のｺﾋﾟｰを保存できません (作業は続けられます)"_qs);
  EXPECT_TRUE(w().findChild<QLabel*>(u"positionLabel"_qs)->isVisible()) << "where the selection stands still shows";
  w().statusBar()->clearMessage();
  ASSERT_TRUE(addPart(pkText));
  keep();
  EXPECT_EQ(w().statusBar()->currentMessage(), QString());
  EXPECT_EQ(document().PartCount, 2);
  EXPECT_TRUE(reports.isEmpty());
  EXPECT_TRUE(dialogs->messages.isEmpty());
}

class RecentProjects : public MainWindowTest {
protected:
  // What the submenu shows once the file menu opens: each item's text and status tip.
  QStringList shown() {
    Q_EMIT menu("fileMenu")->aboutToShow();
    QStringList items;
    for (QAction* a : menu("recentMenu")->actions())
      items << (a->isSeparator() ? u"-"_qs
                                 : a->text() + (a->statusTip().isEmpty() ? QString() : u" | "_qs + a->statusTip()));
    return items;
  }
  QAction* item(int i) { return menu("recentMenu")->actions().value(i); }
  bool greyed() { return !menu("recentMenu")->menuAction()->isEnabled(); }
  QString save(const QString& name) {
    const QString path = dir.filePath(name);
    dialogs->projectsToSave.push_back(path);
    run("saveProjectAction");
    return path;
  }

  QTemporaryDir dir;
};

// Saves and opens put the project first, each once, and the ninth pushes out the oldest.
TEST_F(RecentProjects, NewestFirstEachOnceAtMostEight) {
  EXPECT_EQ(shown(), (QStringList{u"-"_qs, u"一覧を消去"_qs}));
  EXPECT_TRUE(greyed());
  const QString a = save(u"a.rpf"_qs), b = save(u"b&c.rpf"_qs);
  EXPECT_EQ(shown(), (QStringList{u"b&&c.rpf | "_qs + b, u"a.rpf | "_qs + a, u"-"_qs, u"一覧を消去"_qs}));
  EXPECT_FALSE(greyed());
  dialogs->projectsToOpen.push_back(a);
  run("openProjectAction");
  EXPECT_EQ(shown().mid(0, 2), (QStringList{u"a.rpf | "_qs + a, u"b&&c.rpf | "_qs + b}));
  for (int i = 1; i <= 7; ++i) save(QStringLiteral("%1.rpf").arg(i));
  const QStringList items = shown();
  EXPECT_EQ(items.size(), 10);
  EXPECT_EQ(items[0], u"7.rpf | "_qs + dir.filePath(u"7.rpf"_qs));
  EXPECT_EQ(items[7], u"a.rpf | "_qs + a) << "b, the oldest, is gone";

  // Another window reads the list when its menu opens.
  MainWindow other(std::make_unique<ScriptedDialogs>());
  QMenu* otherFile = other.findChild<QMenu*>(u"fileMenu"_qs);
  Q_EMIT otherFile->aboutToShow();
  EXPECT_EQ(other.findChild<QMenu*>(u"recentMenu"_qs)->actions().size(), 10);

  item(9)->trigger();
  EXPECT_EQ(shown(), (QStringList{u"-"_qs, u"一覧を消去"_qs}));
  EXPECT_TRUE(greyed());
}

// Choosing one asks about unsaved work first, then opens it as Open does; one that has gone is
// said so in Open's words and leaves the list.
TEST_F(RecentProjects, ChoosingOneOpensItAndOneThatHasGoneLeavesTheList) {
  ASSERT_TRUE(addPart(pkText));
  const QString kept = save(u"kept.rpf"_qs);
  newComposition();
  const QString gone = save(u"gone.rpf"_qs);
  ASSERT_TRUE(QFile::remove(gone));
  ASSERT_TRUE(addPart(pkText));

  shown();
  dialogs->unsavedAnswers.push_back(Dialogs::UnsavedChanges::Cancel);
  item(1)->trigger();
  EXPECT_EQ(dialogs->unsavedQuestions, 1);
  EXPECT_EQ(document().PartCount, 1) << "cancelled";
  dialogs->unsavedAnswers.push_back(Dialogs::UnsavedChanges::Discard);
  item(1)->trigger();
  EXPECT_EQ(document().PartCount, 1);
  EXPECT_FALSE(comp().isModified());
  EXPECT_EQ(dialogs->proposedProjectName, kept);

  shown();
  item(1)->trigger();
  ASSERT_EQ(reports.size(), 1);
  EXPECT_EQ(reports[0].first, u"ファイル "_qs + gone + u" は開けません."_qs);
  EXPECT_EQ(shown().mid(0, 2), (QStringList{u"kept.rpf | "_qs + kept, u"-"_qs}));
}

TEST(RecentProjectList, PutsTheNewestFirstOnceAndKeepsEight) {
  const QStringList eight = {u"/1"_qs, u"/2"_qs, u"/3"_qs, u"/4"_qs, u"/5"_qs, u"/6"_qs, u"/7"_qs, u"/8"_qs};
  EXPECT_EQ(recentProjects::withNewest({}, u"/a.rpf"_qs), QStringList{u"/a.rpf"_qs});
  EXPECT_EQ(recentProjects::withNewest(eight, u"/9"_qs).first(), u"/9"_qs);
  EXPECT_EQ(recentProjects::withNewest(eight, u"/9"_qs).last(), u"/7"_qs);
  EXPECT_EQ(recentProjects::withNewest(eight, u"/5"_qs),
            (QStringList{u"/5"_qs, u"/1"_qs, u"/2"_qs, u"/3"_qs, u"/4"_qs, u"/6"_qs, u"/7"_qs, u"/8"_qs}));
  EXPECT_EQ(recentProjects::withNewest({}, u"rel.rpf"_qs), QStringList{QDir::current().filePath(u"rel.rpf"_qs)});
  // A project reached through a link is listed once, by its own name.
  const QTemporaryDir dir;
  const QString real = dir.filePath(u"real.rpf"_qs), link = dir.filePath(u"link.rpf"_qs);
  putFile(real, {});
  ASSERT_TRUE(QFile::link(real, link));
  EXPECT_EQ(recentProjects::withNewest(recentProjects::withNewest({}, real), link),
            QStringList{QFileInfo(real).canonicalFilePath()});
}

// An editor that changes the list while another is in the middle of its change waits for it and
// reads the list afresh, so both entries stay.
TEST(RecentProjectList, TwoEditorsChangingItAtOnceBothLeaveTheirEntry) {
  recentProjects::clear();
  QLockFile other(userSettings().fileName() + u".recent-lock"_qs);
  ASSERT_TRUE(QDir().mkpath(QFileInfo(userSettings().fileName()).path()) && other.tryLock(0));
  std::future<void> adding = std::async(std::launch::async, [] { recentProjects::add(u"/p/mine.rpf"_qs); });
  EXPECT_EQ(adding.wait_for(std::chrono::milliseconds(300)), std::future_status::timeout);
  userSettings().setValue(u"file/recentProjects"_qs, QStringList{u"/p/theirs.rpf"_qs});
  other.unlock();
  adding.get();
  EXPECT_EQ(recentProjects::read(), (QStringList{u"/p/mine.rpf"_qs, u"/p/theirs.rpf"_qs}));
  recentProjects::clear();
}

}  // namespace
