// Qt's own notes stay off standard error; the program's messages and Qt's fatal errors do not.

#include "app/qtmessages.h"
#include "ui/common/errorreport.h"

#include <gtest/gtest.h>
#include <gmock/gmock.h>

#include <QProcess>
#include <QTemporaryDir>

#include <cstdlib>

namespace {

using ::testing::AllOf;
using ::testing::HasSubstr;
using ::testing::Not;

// The child runs the whole test program again, whose start-up may print before the filter is in.
class QtMessageFilter : public ::testing::Test {
protected:
  void SetUp() override { GTEST_FLAG_SET(death_test_style, "threadsafe"); }
};

TEST_F(QtMessageFilter, DropsQtsNotesAndKeepsTheProgramsOwnMessages) {
  EXPECT_EXIT(
      {
        installQtMessageFilter();
        qWarning("QStandardPaths: XDG_RUNTIME_DIR not set, defaulting to '/tmp/runtime-test'");
        qDebug("a debugging note");
        qInfo("an informative note");
        setErrorSink(nullptr);
        reportError(QStringLiteral("the program's own message"));
        std::exit(0);
      },
      ::testing::ExitedWithCode(0),
      AllOf(HasSubstr("the program's own message"), Not(HasSubstr("runtime-test")), Not(HasSubstr("note"))));
}

TEST_F(QtMessageFilter, FatalMessagesAreShownAndStillAbort) {
  EXPECT_DEATH(
      {
        installQtMessageFilter();
        qFatal("a fatal error for the test");
      },
      "a fatal error for the test");
}

// The editor's start-up with a platform Qt cannot load: Qt's note that it looked for the plugin is
// dropped, since the filter is in before the application object; its fatal error is shown and
// ends the program.
TEST(EditorStartUp, ShowsOnlyQtsFatalErrorWhenNoPlatformLoads) {
  QTemporaryDir dir;  // where a core file would go
  QProcess editor;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.remove(QStringLiteral("XDG_RUNTIME_DIR"));
  env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("no-such-platform"));
  editor.setProcessEnvironment(env);
  editor.setWorkingDirectory(dir.path());
  editor.start(QStringLiteral(PELMORA_EDITOR_EXE), {});
  ASSERT_TRUE(editor.waitForFinished(60000));
  EXPECT_EQ(editor.exitStatus(), QProcess::CrashExit);
  const QString err = QString::fromUtf8(editor.readAllStandardError());
  EXPECT_TRUE(err.startsWith(QStringLiteral("This application failed to start"))) << err.toStdString();
  EXPECT_FALSE(err.contains(QStringLiteral("qt.qpa"))) << err.toStdString();
}

}  // namespace
