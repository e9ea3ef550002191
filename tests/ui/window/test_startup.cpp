#include "app/commandline.h"
#include "support/files.h"
#include "support/mainfixture.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>

#include <cstring>

namespace {

// The project named on the command line: opened as Open opens it, failures shown, and the
// window's own dialogs in place afterwards.
class Startup : public MainWindowTest {
protected:
  QString path(const QString& name) const { return dir.filePath(name); }

  QTemporaryDir dir;
};

TEST_F(Startup, TheNamedProjectReplacesTheFreshComposition) {
  dialogs->projectsToSave.push_back(path(u"empty.rpf"_qs));
  run("saveProjectAction");
  ASSERT_TRUE(addPart(pkText));
  ASSERT_TRUE(addPart(pkText));
  comp().setBounds(1, {70, 60, part(1)->width(), part(1)->height()});
  dialogs->projectsToSave.push_back(path(u"two.rpf"_qs));
  run("saveProjectAction");
  newComposition();
  ASSERT_EQ(document().PartCount, 0);

  w().openProjectAtStart(path(u"two.rpf"_qs));
  EXPECT_EQ(document().PartCount, 2);
  ASSERT_NE(part(1), nullptr);
  EXPECT_EQ(part(1)->left(), 70);
  EXPECT_EQ(dialogs->proposedProjectName, path(u"two.rpf"_qs));
  EXPECT_TRUE(dialogs->messages.isEmpty());
  EXPECT_TRUE(reports.isEmpty());

  // Open afterwards asks the window's own dialog again.
  dialogs->projectsToOpen.push_back(path(u"empty.rpf"_qs));
  run("openProjectAction");
  EXPECT_EQ(document().PartCount, 0);
  EXPECT_TRUE(dialogs->projectsToOpen.empty());
}

TEST_F(Startup, ARefusedOrMissingProjectLeavesTheFreshCompositionWithOneMessage) {
  putFile(path(u"notes.txt"_qs), QByteArray("not a project"));
  w().openProjectAtStart(path(u"notes.txt"_qs));
  ASSERT_EQ(dialogs->messages.size(), 1);
  EXPECT_EQ(dialogs->messages[0].first, u"Pelmoraのﾌﾟﾛｼﾞｪｸﾄﾌｧｲﾙではありません"_qs);

  QByteArray damaged(sizeof(TDocument), '\0');
  const qint32 count = 1000;  // the part count, the block's last field
  std::memcpy(damaged.data() + damaged.size() - 4, &count, 4);
  putFile(path(u"damaged.rpf"_qs), damaged);
  w().openProjectAtStart(path(u"damaged.rpf"_qs));
  ASSERT_EQ(dialogs->messages.size(), 2);
  EXPECT_TRUE(dialogs->messages[1].first.contains(path(u"damaged.rpf"_qs)));

  // A file that is not there fails inside the reading: reported, not thrown out of start-up.
  w().openProjectAtStart(path(u"gone.rpf"_qs));
  const auto all = dialogs->messages + reports;
  ASSERT_EQ(all.size(), 3);
  EXPECT_TRUE(all[2].first.contains(path(u"gone.rpf"_qs)));
  EXPECT_EQ(document().PartCount, 0);
  EXPECT_TRUE(dialogs->proposedProjectName.isEmpty());
}

// A project named by a path relative to the shell's folder is opened, and Save proposes it by its
// absolute path; Qt's own options and their values are no files.
TEST_F(Startup, ARelativeProjectPathIsOpenedAndProposedForSavingAsAbsolute) {
  ASSERT_TRUE(addPart(pkText));
  dialogs->projectsToSave.push_back(path(u"one.rpf"_qs));
  run("saveProjectAction");
  newComposition();

  const QString before = QDir::currentPath();
  ASSERT_TRUE(QDir::setCurrent(dir.path()));
  const CommandLine commandLine =
      parseCommandLine({u"-style"_qs, u"fusion"_qs, u"--platform"_qs, u"offscreen"_qs, u"-reverse"_qs, u"one.rpf"_qs});
  QDir::setCurrent(before);
  ASSERT_EQ(commandLine.kind, CommandLine::kRun);
  EXPECT_EQ(commandLine.platform, u"offscreen"_qs);
  w().openProjectAtStart(commandLine.project);
  EXPECT_EQ(document().PartCount, 1);
  EXPECT_EQ(dialogs->proposedProjectName, dir.path() + u"/one.rpf"_qs);
}

// "--" ends the options, and a file URL, as some launchers give it, names its local file.
TEST(EditorCommandLine, NamesTheProjectAfterTheOptionsEndAndByItsUrl) {
  EXPECT_EQ(parseCommandLine({u"--"_qs, u"-name.rpf"_qs}).project, QDir::current().filePath(u"-name.rpf"_qs));
  EXPECT_EQ(parseCommandLine({u"file:///tmp/%E3%83%AD%E3%82%B4%20v1.rpf"_qs}).project, u"/tmp/ロゴ v1.rpf"_qs);
}

struct EditorRun {
  int exitCode;
  QString out, err;
};

// The editor as a shell starts it where there is no display at all, or under `platform`, or with
// DISPLAY naming `display`.
EditorRun runEditor(const QStringList& args, const QString& platform = {}, const QString& display = {}) {
  QTemporaryDir folder;  // where a core file would go
  QProcess editor;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) env.remove(QString::fromLatin1(name));
  if (!platform.isEmpty()) env.insert(u"QT_QPA_PLATFORM"_qs, platform);
  if (!display.isEmpty()) env.insert(u"DISPLAY"_qs, display);
  editor.setProcessEnvironment(env);
  editor.setWorkingDirectory(folder.path());
  editor.start(QStringLiteral(PELMORA_EDITOR_EXE), args);
  // A window that did open would wait for the user: ended here, it fails the run's exit code.
  if (!editor.waitForFinished(20000)) editor.kill();
  editor.waitForFinished();
  return {editor.exitStatus() == QProcess::NormalExit ? editor.exitCode() : -1,
          QString::fromUtf8(editor.readAllStandardOutput()), QString::fromUtf8(editor.readAllStandardError())};
}

// A wrong command line is answered before any display is looked for, and no project is opened;
// without a display the editor says so in one line of its own and opens nothing.
TEST(EditorCommandLine, IsAnsweredBeforeADisplayIsNeeded) {
  const QString noDisplay =
      u"pelmora: no display to show the editor on: neither DISPLAY nor WAYLAND_DISPLAY is set / "
      u"エディタを表示するディスプレイがありません (DISPLAY も WAYLAND_DISPLAY も設定されていません)\n"_qs;
  const struct {
    QStringList args;
    const char16_t* platform;
    int exitCode;
  } cases[] = {
      {{u"a.rpf"_qs, u"b.rpf"_qs}, u"", 2},
      {{u"--bogus"_qs}, u"", 2},
      {{u"-x"_qs, u"a.rpf"_qs}, u"", 2},
      {{u"-platform"_qs, u"offscreen"_qs, u"a.rpf"_qs, u"b.rpf"_qs}, u"", 2},
      {{u"-style"_qs}, u"offscreen", 2},  // an option of Qt's without its value
      {{}, u"", 1},
      {{u"a.rpf"_qs}, u"xcb", 1},
      {{u"-platform"_qs, u"wayland;xcb"_qs}, u"offscreen", 1},
  };
  for (const auto& c : cases) {
    const QString name = c.args.join(u' ') + u" under "_qs + QString::fromUtf16(c.platform);
    const EditorRun run = runEditor(c.args, QString::fromUtf16(c.platform));
    EXPECT_EQ(run.exitCode, c.exitCode) << name.toStdString() << "\n" << run.err.toStdString();
    EXPECT_TRUE(run.out.isEmpty()) << name.toStdString();
    if (c.exitCode == 2)
      EXPECT_TRUE(run.err.startsWith(u"Usage: pelmora [FILE.rpf]\n"_qs)) << name.toStdString() << run.err.toStdString();
    else
      EXPECT_EQ(run.err.toStdString(), noDisplay.toStdString()) << name.toStdString();
  }
}

// A display that is named but not there: the same one line of the program's, never Qt's abort.
TEST(EditorCommandLine, ADisplayThatCannotBeOpenedIsSaidInOneLine) {
  const EditorRun run = runEditor({u"a.rpf"_qs}, u"xcb"_qs, u":7391"_qs);
  EXPECT_EQ(run.exitCode, 1) << run.err.toStdString();
  EXPECT_EQ(run.err.toStdString(),
            "pelmora: the display \":7391\" cannot be opened to show the editor on / "
            "ディスプレイ \":7391\" を開けないため、エディタを表示できません\n");
}

}  // namespace
